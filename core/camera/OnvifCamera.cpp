#include "OnvifCamera.h"

#include "CertificatePins.h"
#include "LangTable.h"
#include "RecordText.h"
#include "TimeZoneTable.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>

namespace {
using onvif::OnvifResult;
using onvif::OnvifStatus;

// A firmware upload may take minutes on a slow link; the camera answers the
// upload only once it has the whole image.
constexpr std::chrono::minutes kFirmwareTimeout{10};

std::string Text(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

onvif::NetworkHost Host(const std::string& server)
{
    in_addr address{};
    return {inet_pton(AF_INET, server.c_str(), &address) != 1, server};
}

using Seconds = std::chrono::sys_seconds;

Seconds ToSeconds(const onvif::UtcDateTime& t)
{
    using namespace std::chrono;
    return sys_days{year{t.year} / month{static_cast<unsigned>(t.month)} / day{static_cast<unsigned>(t.day)}} +
           hours{t.hour} + minutes{t.minute} + seconds{t.second};
}

onvif::UtcDateTime FromSeconds(Seconds at)
{
    using namespace std::chrono;
    const sys_days dayStart = floor<days>(at);
    const year_month_day date{dayStart};
    const hh_mm_ss time{at - dayStart};
    return {static_cast<int>(date.year()),         static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count())};
}

// The record's "%04d/%02d/%02d" and "%02d:%02d:%02d" local time as UTC,
// from the zone's offset east of UTC; false when they are no real time.
bool RecordToUtc(const SystemDateRecord& record, int eastMinutes, onvif::UtcDateTime& utc)
{
    onvif::UtcDateTime local;
    if (std::sscanf(record.date, "%d/%d/%d", &local.year, &local.month, &local.day) != 3 ||
        std::sscanf(record.time, "%d:%d:%d", &local.hour, &local.minute, &local.second) != 3) {
        return false;
    }
    const std::chrono::year_month_day date{std::chrono::year{local.year},
                                           std::chrono::month{static_cast<unsigned>(local.month)},
                                           std::chrono::day{static_cast<unsigned>(local.day)}};
    if (!date.ok() || local.hour < 0 || local.hour > 23 || local.minute < 0 || local.minute > 59 ||
        local.second < 0 || local.second > 59) {
        return false;
    }
    utc = FromSeconds(ToSeconds(local) - std::chrono::minutes{eastMinutes});
    return true;
}

std::vector<int>* PortsOf(std::vector<onvif::NetworkProtocol>& protocols, const std::string& name)
{
    for (onvif::NetworkProtocol& protocol : protocols) {
        if (protocol.name == name) {
            return &protocol.ports;
        }
    }
    return nullptr;
}

// First and second port of a protocol, 0 where there is none.
void ReadPorts(std::vector<onvif::NetworkProtocol>& protocols, const std::string& name, int32_t& first,
               int32_t& second)
{
    const std::vector<int>* ports = PortsOf(protocols, name);
    first = ports != nullptr && !ports->empty() ? (*ports)[0] : 0;
    second = ports != nullptr && ports->size() > 1 ? (*ports)[1] : 0;
}

void WritePorts(std::vector<onvif::NetworkProtocol>& protocols, const std::string& name, int first, int second)
{
    std::vector<int> ports;
    for (const int port : {first, second}) {
        if (port > 0) {
            ports.push_back(port);
        }
    }
    if (std::vector<int>* kept = PortsOf(protocols, name)) {
        *kept = std::move(ports);
    } else if (!ports.empty()) {
        protocols.push_back({name, true, std::move(ports)});
    }
}

OnvifCameraAddress WithStoredPin(OnvifCameraAddress address, const tagVtIpcInfo& info)
{
    if (address.pinnedSha256.empty() && address.serviceUrl.starts_with("https://")) {
        address.pinnedSha256 = PinnedCertificate(CertificatePinKey(info));
    }
    return address;
}
} // namespace

OnvifCamera::OnvifCamera(const tagVtIpcInfo& info, LoginCredentials login, OnvifCameraAddress address)
    : Camera(info, std::move(login)), m_address(WithStoredPin(std::move(address), info)),
      m_stop(CurrentCameraStop() ? CurrentCameraStop() : std::make_shared<std::atomic<bool>>(false)),
      m_client(std::make_unique<onvif::OnvifDeviceClient>(Endpoint(Credentials().password)))
{
}

onvif::DeviceEndpoint OnvifCamera::Endpoint(const std::string& password) const
{
    onvif::DeviceEndpoint endpoint;
    endpoint.serviceUrl = m_address.serviceUrl;
    endpoint.user = Credentials().user;
    endpoint.password = password;
    endpoint.pinnedSha256 = m_address.pinnedSha256;
    endpoint.abort = m_stop.get();
    return endpoint;
}

bool OnvifCamera::Supports(CameraOperation operation) const
{
    // Until the first media or imaging call has read the services, the
    // camera is taken to offer them; one without answers NotSupported. Read
    // without the call lock, so asking never waits for a running call.
    const unsigned offered = m_offered.load();
    const bool known = (offered & kServicesKnown) != 0;
    switch (operation) {
    case CameraOperation::VideoConfig:
    case CameraOperation::VideoOptions:
    case CameraOperation::Snapshot:
    case CameraOperation::LivePlay:
        return !known || (offered & kMediaOffered) != 0;
    case CameraOperation::Osd:
        return !known || (offered & kMedia2Offered) != 0;
    case CameraOperation::ImagingSettings:
    case CameraOperation::ImagingConfig:
        return !known || (offered & kImagingOffered) != 0;
    case CameraOperation::SystemDate:
    case CameraOperation::DeviceName:
    case CameraOperation::Password:
    case CameraOperation::SystemInfo:
    case CameraOperation::Ports:
    case CameraOperation::MakersImage:
    case CameraOperation::SystemLog:
    case CameraOperation::Reboot:
    case CameraOperation::Restore:
        return true;
    default:
        return false;
    }
}

CameraResult OnvifCamera::Result(const OnvifResult& result)
{
    m_note.clear();
    const std::string& seen = m_client->CertificateSha256();
    const std::string key = CertificatePinKey(Info());
    if (result.status == OnvifStatus::CertificateChanged) {
        NoteRefusedCertificate(key, seen);
        m_note = CertificateChangedNote(key, m_address.pinnedSha256, seen);
        return {CameraStatus::Failed, kCertificateChanged};
    }
    if (result.ok() && m_address.pinnedSha256.empty() && !seen.empty() && PinCertificate(key, seen)) {
        m_address.pinnedSha256 = seen;
        m_note = LangFilledText(85004, L"HTTPS certificate pinned on first use, SHA-256 %1.", {FingerprintText(seen)});
    }
    switch (result.status) {
    case OnvifStatus::Done:
        return {};
    case OnvifStatus::Unreachable:
        return {CameraStatus::Unreachable, static_cast<int>(result.status)};
    case OnvifStatus::Refused:
        return {CameraStatus::Refused, static_cast<int>(result.status)};
    default:
        return {CameraStatus::Failed, static_cast<int>(result.status)};
    }
}

CameraResult OnvifCamera::MediaResult(const OnvifResult& result)
{
    const CameraResult mapped = Result(result);
    if (!result.ok()) {
        m_media.profiles.reset();
        m_media.encoderOptions.clear();
    }
    if (result.status == OnvifStatus::Fault || result.status == OnvifStatus::BadAnswer) {
        m_note = LangFilledText(88000, L"The camera refused it: %1", {result.reason.substr(0, 200)});
    }
    return mapped;
}

CameraResult OnvifCamera::NotOffered(unsigned key, const wchar_t* english)
{
    m_note = LangText(key, english);
    return {CameraStatus::Failed, kNotOffered};
}

CameraResult OnvifCamera::Login()
{
    std::lock_guard lock(m_lock);
    onvif::DeviceInformation information;
    return Result(m_client->Login(information));
}

CameraResult OnvifCamera::GetSystemDate(SystemDateRecord& record)
{
    std::lock_guard lock(m_lock);
    onvif::SystemDateAndTime now;
    OnvifResult result = m_client->GetSystemDateAndTime(now);
    onvif::NtpSettings ntp;
    if (result.ok()) {
        result = m_client->GetNtp(ntp);
    }
    if (!result.ok()) {
        return Result(result);
    }
    record = SystemDateRecord{};
    record.mode = now.ntp ? 1 : 0;
    record.daylight = now.daylightSavings ? 1 : 0;
    record.timeZone = PosixToTimeZone(now.timeZone);
    if (!ntp.servers.empty()) {
        CopyRecordField(record.ntpServer, ntp.servers.front().value);
    }
    if (now.hasUtc) {
        const int east = TimeZoneOffsetMinutes(record.timeZone).value_or(0);
        const onvif::UtcDateTime local = FromSeconds(ToSeconds(now.utc) + std::chrono::minutes{east});
        std::snprintf(record.date, sizeof record.date, "%04d/%02d/%02d", local.year, local.month, local.day);
        std::snprintf(record.time, sizeof record.time, "%02d:%02d:%02d", local.hour, local.minute, local.second);
    }
    return {};
}

CameraResult OnvifCamera::SetSystemDate(const SystemDateRecord& record)
{
    const std::optional<int> east = TimeZoneOffsetMinutes(record.timeZone);
    if (!east) {
        return {CameraStatus::Failed, kBadRecord};
    }
    onvif::DateTimeChange change;
    change.timeZone = TimeZoneToPosix(record.timeZone);
    change.daylightSavings = record.daylight != 0;
    std::lock_guard lock(m_lock);
    switch (record.mode) {
    case 0:
    case 2:
        if (!RecordToUtc(record, *east, change.utc)) {
            return {CameraStatus::Failed, kBadRecord};
        }
        break;
    case 1: {
        const std::string server = Text(record.ntpServer, sizeof record.ntpServer);
        if (server.empty()) {
            return {CameraStatus::Failed, kBadRecord};
        }
        if (const OnvifResult result = m_client->SetNtp({false, {Host(server)}}); !result.ok()) {
            return Result(result);
        }
        change.ntp = true;
        break;
    }
    default: {
        // Keep: the clock source and the time the camera has now.
        onvif::SystemDateAndTime now;
        if (const OnvifResult result = m_client->GetSystemDateAndTime(now); !result.ok()) {
            return Result(result);
        }
        if (!now.ntp && !now.hasUtc) {
            return {CameraStatus::Failed, kBadRecord};
        }
        change.ntp = now.ntp;
        change.utc = now.utc;
        break;
    }
    }
    return Result(m_client->SetSystemDateAndTime(change));
}

bool OnvifCamera::AcceptsDeviceName(const std::string& utf8Name) const
{
    return IsValidHostname(utf8Name);
}

CameraResult OnvifCamera::SetDeviceName(const std::string& utf8Name)
{
    if (!IsValidHostname(utf8Name)) {
        return {CameraStatus::Failed, kInvalidHostname};
    }
    std::lock_guard lock(m_lock);
    return Result(m_client->SetHostname(utf8Name));
}

CameraResult OnvifCamera::ModifyPassword(const std::string& user, const std::string& newPassword)
{
    std::lock_guard lock(m_lock);
    std::vector<onvif::OnvifUser> users;
    if (const OnvifResult result = m_client->GetUsers(users); !result.ok()) {
        return Result(result);
    }
    onvif::OnvifUser changed{user, "Administrator", newPassword};
    for (const onvif::OnvifUser& listed : users) {
        if (listed.name == user && !listed.level.empty()) {
            changed.level = listed.level;
        }
    }
    if (const OnvifResult result = m_client->SetUser(changed); !result.ok()) {
        return Result(result);
    }
    if (user == Credentials().user) {
        // The old password no longer logs in; the camera's clock is measured
        // again for the new client's digests.
        m_client = std::make_unique<onvif::OnvifDeviceClient>(Endpoint(newPassword));
        onvif::SystemDateAndTime ignored;
        m_client->GetSystemDateAndTime(ignored);
    }
    return {};
}

CameraResult OnvifCamera::GetSystemInfo(SystemInfoRecord& record)
{
    std::lock_guard lock(m_lock);
    onvif::DeviceInformation information;
    if (const OnvifResult result = m_client->GetDeviceInformation(information); !result.ok()) {
        return Result(result);
    }
    record = SystemInfoRecord{};
    CopyRecordField(record.model, information.model);
    CopyRecordField(record.hardware, information.hardwareId);
    CopyRecordField(record.version, information.firmwareVersion);
    return {};
}

CameraResult OnvifCamera::GetPorts(PortInfoRecord& record)
{
    std::lock_guard lock(m_lock);
    std::vector<onvif::NetworkProtocol> protocols;
    if (const OnvifResult result = m_client->GetNetworkProtocols(protocols); !result.ok()) {
        return Result(result);
    }
    record = PortInfoRecord{};
    ReadPorts(protocols, "HTTP", record.httpPort, record.httpPort2);
    ReadPorts(protocols, "RTSP", record.rtspPort, record.rtspPort2);
    return {};
}

CameraResult OnvifCamera::SetPorts(const PortInfoRecord& record)
{
    std::lock_guard lock(m_lock);
    std::vector<onvif::NetworkProtocol> protocols;
    if (const OnvifResult result = m_client->GetNetworkProtocols(protocols); !result.ok()) {
        return Result(result);
    }
    WritePorts(protocols, "HTTP", record.httpPort, record.httpPort2);
    WritePorts(protocols, "RTSP", record.rtspPort, record.rtspPort2);
    return Result(m_client->SetNetworkProtocols(protocols));
}

CameraResult OnvifCamera::UpdateFirmware(const std::string& path)
{
    std::lock_guard lock(m_lock);
    onvif::FirmwareUploadTicket ticket;
    const OnvifResult started = m_client->StartFirmwareUpgrade(ticket);
    if (started.status == OnvifStatus::Fault) {
        std::string message;
        return Result(m_client->UpgradeSystemFirmware(path, kFirmwareTimeout, message));
    }
    if (!started.ok()) {
        return Result(started);
    }
    if (ticket.uploadDelaySeconds > 0) {
        std::this_thread::sleep_for(std::chrono::seconds(std::min(ticket.uploadDelaySeconds, 60)));
    }
    return Result(m_client->UploadFirmware(ticket, path, kFirmwareTimeout, nullptr));
}

CameraResult OnvifCamera::GetSystemLogLines(std::vector<std::string>& lines)
{
    std::lock_guard lock(m_lock);
    std::string text;
    if (const OnvifResult result = m_client->GetSystemLog(text); !result.ok()) {
        return Result(result);
    }
    lines.clear();
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return {};
}

CameraResult OnvifCamera::Reboot()
{
    std::lock_guard lock(m_lock);
    return Result(m_client->SystemReboot());
}

CameraResult OnvifCamera::Restore()
{
    std::lock_guard lock(m_lock);
    return Result(m_client->SetSystemFactoryDefault(onvif::FactoryDefault::Soft));
}

std::wstring OnvifCamera::Note() const
{
    std::lock_guard lock(m_lock);
    return m_note;
}

void OnvifCamera::Abort()
{
    m_stop->store(true);
}

bool IsValidHostname(const std::string& text)
{
    if (text.empty() || text.size() > 253) {
        return false;
    }
    std::size_t labelStart = 0;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at == text.size() || text[at] == '.') {
            const std::size_t length = at - labelStart;
            if (length == 0 || length > 63 || text[labelStart] == '-' || text[at - 1] == '-') {
                return false;
            }
            labelStart = at + 1;
            continue;
        }
        const char c = text[at];
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        if (!allowed) {
            return false;
        }
    }
    return true;
}
