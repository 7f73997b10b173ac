#include "NetworkParams.h"

#include "MacText.h"
#include "TextCodec.h"
#include "TextTrim.h"

#include <algorithm>
#include <array>
#include <boost/regex.hpp>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
// Entries 0-3 are public dynamic-DNS services; entry 4 is the partner service
// the cameras' firmware carries.
constexpr std::array<const char*, kProviderEntryCount> kEntries = {
    "dyndns.org", "freedns.afraid.org", "www.no-ip.com", "www.zoneedit.com", "www.veltrocam.test"};
constexpr const char* kPartnerShort = "veltrocam";
constexpr const char* kPartnerDomain = "veltrocam.test";
constexpr const char* kWww = "www.";

std::string WithoutWww(const std::string& text)
{
    return text.rfind(kWww, 0) == 0 ? text.substr(std::strlen(kWww)) : text;
}

bool Contains(const std::string& known, const std::string& part)
{
    return known.find(part) != std::string::npos;
}

bool OlderFirmware(const FirmwareVersion& v)
{
    return v.a != 0 && (v.b < 4 || (v.b == 4 && v.d < 83));
}

void CopyRecordField(const std::string& text, char* field, std::size_t size)
{
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

bool PortValue(const std::wstring& text, int& value)
{
    if (text.size() > 5) {
        return false;
    }
    value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + (c - L'0');
    }
    return value >= 1 && value <= 65535;
}

std::string TextOf(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}
} // namespace

std::string ProviderEntryText(int entry)
{
    return entry >= 0 && entry < kProviderEntryCount ? kEntries[static_cast<std::size_t>(entry)] : "";
}

std::string PartnerShortName()
{
    return kPartnerShort;
}

std::string PartnerDomain()
{
    return kPartnerDomain;
}

FirmwareVersion ParseFirmwareVersion(const std::string& text)
{
    FirmwareVersion v;
    std::sscanf(text.c_str(), "%d.%d.%d.%d", &v.a, &v.b, &v.c, &v.d);
    return v;
}

bool OffersPartnerEntry(const std::string& macText, const std::string& version)
{
    const bool partnerHardware = macText.size() >= 8 && macText.compare(0, 7, "00:30:4") == 0 &&
                                 (macText[7] == 'F' || macText[7] == 'f');
    const FirmwareVersion v = ParseFirmwareVersion(version);
    return partnerHardware && (v.a == 0 || v.b > 4 || (v.b == 4 && v.d >= 73));
}

int ProviderEntryFor(const std::string& providerText, bool partnerListed)
{
    // An empty text "occurs" in every name; a camera without a provider shows
    // the first entry, not whichever name is tested first.
    if (providerText.empty()) {
        return 0;
    }
    for (int entry : {1, 2, 3}) {
        if (Contains(kEntries[static_cast<std::size_t>(entry)], providerText)) {
            return entry;
        }
    }
    if (Contains(kEntries[kPartnerEntry], providerText) || Contains(kPartnerShort, providerText)) {
        return partnerListed ? kPartnerEntry : 0;
    }
    return 0;
}

std::string ProviderTextToSend(int entry, const std::string& version)
{
    const std::string shown = ProviderEntryText(entry);
    if (!OlderFirmware(ParseFirmwareVersion(version))) {
        return shown;
    }
    if (entry == 2 || entry == 3) {
        return WithoutWww(shown);
    }
    return entry == kPartnerEntry ? std::string(kPartnerShort) : shown;
}

std::string EasyDdnsHostName(const std::string& macText)
{
    static const boost::regex mac("[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}");
    if (!boost::regex_match(macText, mac)) {
        return {};
    }
    const std::string name = std::string("pl") + macText[9] + macText[10] + macText[12] + macText[13] +
                             macText[15] + macText[16] + "." + kPartnerDomain;
    return name.substr(0, 127);
}

bool IsValidDdnsHostName(const std::string& host)
{
    static const boost::regex pattern(R"((([^-][a-z0-9A-Z\-_]+\.)*)([^-][a-z0-9A-Z\-_]+)((\.[a-zA-Z]{2,4}){1,2}))");
    return boost::regex_match(host, pattern);
}

std::string NarrowField(const std::wstring& text, std::size_t fieldBytes)
{
    std::vector<char> buffer(fieldBytes + 1, '\0');
    CTextCodec::ToNarrowAsTyped(kCodePageAnsi, text.c_str(), buffer.data(), static_cast<int>(fieldBytes));
    return buffer.data();
}

NetworkProblem BuildNetworkBlock(const NetworkParamsForm& form, NetworkBlock& block)
{
    int http = 0;
    int rtsp = 0;
    const std::wstring httpText = Trimmed(form.http);
    if (httpText.empty()) {
        return {90016, NetworkField::None};
    }
    if (!PortValue(httpText, http)) {
        return {90009, NetworkField::Http};
    }
    const std::wstring rtspText = Trimmed(form.rtsp);
    if (rtspText.empty()) {
        return {90017, NetworkField::None};
    }
    if (!PortValue(rtspText, rtsp)) {
        return {90009, NetworkField::Rtsp};
    }
    if (rtsp == http) {
        return {90020, NetworkField::None};
    }
    NetworkBlock built;
    built.ports = {http, http, rtsp, rtsp, 0};
    DdnsRecord& d = built.ddns;
    d.enabled = form.ddnsEnabled ? 1 : 0;
    if (form.providerEntry == kPartnerEntry) {
        d.easyEnabled = d.enabled;
        d.easyChosen = form.easyChosen ? 1 : 0;
    }
    CopyRecordField(ProviderTextToSend(form.providerEntry, form.version).substr(0, 63), d.provider,
              sizeof d.provider);
    if (form.ddnsEnabled) {
        const std::wstring user = Trimmed(form.user);
        const std::wstring password = Trimmed(form.password);
        const std::wstring host = Trimmed(form.host);
        const std::wstring hash = Trimmed(form.hash);
        if (user.empty()) {
            return {90021, NetworkField::None};
        }
        if (password.empty()) {
            return {90022, NetworkField::None};
        }
        if (host.empty()) {
            return {90023, NetworkField::Host};
        }
        const std::string narrowHost = NarrowField(host, 256);
        if (!IsValidDdnsHostName(narrowHost)) {
            return {90035, NetworkField::Host};
        }
        if (form.providerEntry == kFreeDnsEntry && hash.empty()) {
            return {90024, NetworkField::None};
        }
        CopyRecordField(NarrowField(user, sizeof d.user), d.user, sizeof d.user);
        CopyRecordField(NarrowField(password, sizeof d.password), d.password, sizeof d.password);
        CopyRecordField(NarrowField(host, sizeof d.host), d.host, sizeof d.host);
        CopyRecordField(NarrowField(hash, sizeof d.hash), d.hash, sizeof d.hash);
    }
    block = built;
    return {};
}

BatchEngine::Operation NetworkApplyOperation(LoginCredentials login, NetworkBlock block)
{
    return [login = std::move(login), block](const tagVtIpcInfo& camera, std::size_t) {
        std::vector<PanelLine> lines;
        PanelLine failure;
        const std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure, {80025, 81020});
        if (!loggedIn) {
            lines.push_back(failure);
            return lines;
        }
        DdnsRecord ddns = block.ddns;
        if (ddns.enabled != 0 && ddns.easyChosen != 0) {
            // The easy-DDNS name is the camera's own: the camera's address as
            // it writes it, else as discovery reported it.
            DdnsRecord current{};
            std::string name;
            if (loggedIn->GetDdns(current).Done()) {
                name = EasyDdnsHostName(TextOf(current.mac, sizeof current.mac));
            }
            if (name.empty()) {
                name = EasyDdnsHostName(FormatMac(camera.mac));
            }
            CopyRecordField(name, ddns.host, sizeof ddns.host);
        }
        lines.push_back(CameraLine(camera, loggedIn->SetDdns(ddns).Done() ? 81023 : 81024));
        lines.push_back(CameraLine(camera, loggedIn->SetPorts(block.ports).Done() ? 81021 : 81022));
        return lines;
    };
}

NetworkReading ReadNetworkSettings(Camera& camera, const std::atomic<bool>& stop)
{
    NetworkReading reading;
    PortInfoRecord ports{};
    if (!stop && camera.GetPorts(ports).Done()) {
        reading.ports = ports;
    }
    DdnsRecord ddns{};
    if (stop || !camera.GetDdns(ddns).Done()) {
        return reading;
    }
    reading.ddns = ddns;
    SystemInfoRecord info{};
    if (!stop && camera.GetSystemInfo(info).Done()) {
        reading.version = std::string(info.version, strnlen(info.version, sizeof info.version));
    }
    return reading;
}
