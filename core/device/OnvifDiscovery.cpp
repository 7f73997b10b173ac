#include "OnvifDiscovery.h"

#include "CameraAccess.h"
#include "CertificatePins.h"
#include "OnvifDeviceWork.h"
#include "OperationLog.h"
#include "TemporaryAddress.h"
#include "Utf8Text.h"
#include "WsDiscoverySocket.h"

#include <arpa/inet.h>

#include <bit>
#include <cstring>

namespace {
// The subnet a camera's address is guessed in before a login tells its netmask.
constexpr int kGuessedPrefix = 24;
constexpr auto kConnectTimeout = std::chrono::milliseconds(2000);
constexpr auto kCallTimeout = std::chrono::milliseconds(8000);

std::string JoinWords(const std::vector<std::string>& words)
{
    std::string joined;
    for (const std::string& word : words) {
        joined += (joined.empty() ? "" : " ") + word;
    }
    return joined;
}

int PrefixOf(const char* netmask)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, netmask, &parsed) != 1) {
        return kGuessedPrefix;
    }
    const int prefix = std::popcount(parsed.s_addr);
    return prefix >= 1 && prefix <= 30 ? prefix : kGuessedPrefix;
}

bool Unanswered(onvif::OnvifStatus status)
{
    return status == onvif::OnvifStatus::Unreachable || status == onvif::OnvifStatus::Stopped;
}
} // namespace

OnvifDiscovery::OnvifDiscovery() = default;

OnvifDiscovery::~OnvifDiscovery()
{
    Close();
}

void OnvifDiscovery::SetOutcome(TivoxCallback callback, void* user)
{
    m_outcome = callback;
    m_outcomeUser = user;
}

void OnvifDiscovery::SetLogin(const std::string& user, const std::string& password)
{
    std::lock_guard scope(m_lock);
    if (m_login.user != user || m_login.password != password) {
        m_login = {user, password};
        m_known.clear();
    }
}

OnvifDiscovery::Login OnvifDiscovery::CurrentLogin() const
{
    std::lock_guard scope(m_lock);
    return m_login;
}

bool OnvifDiscovery::Open(const std::string& interfaceName, std::string& error)
{
    if (m_table == nullptr) {
        error = "no device table";
        return false;
    }
    if (!m_pool) {
        m_pool = std::make_unique<OnvifWorkerPool>(kWorkers, kQueuedReads);
    }
    auto socket = std::make_unique<onvif::WsDiscoverySocket>(
        interfaceName, [this, interfaceName](const onvif::DiscoveryMessage& message, const std::string&) {
            OnMessage(interfaceName, message);
        });
    if (!socket->Start(error)) {
        return false;
    }
    socket->SendProbe();
    m_sockets.push_back(std::move(socket));
    m_names.push_back(interfaceName);
    return true;
}

void OnvifDiscovery::Probe()
{
    for (const auto& socket : m_sockets) {
        socket->SendProbe();
    }
}

void OnvifDiscovery::OnMessage(const std::string& interfaceName, const onvif::DiscoveryMessage& message)
{
    for (const onvif::DiscoveredEndpoint& endpoint : message.endpoints) {
        if (message.kind == onvif::DiscoveryKind::Bye) {
            m_table->OnOnvifBye(endpoint.address);
            Forget(endpoint.address);
            continue;
        }
        if ((message.kind != onvif::DiscoveryKind::ProbeMatches && message.kind != onvif::DiscoveryKind::Hello) ||
            !onvif::IsVideoTransmitter(endpoint)) {
            continue;
        }
        const std::string xaddrs = JoinWords(endpoint.xaddrs);
        m_table->OnOnvifSighting({endpoint.address, xaddrs, endpoint.name, endpoint.hardware});
        if (!NeedsRead(endpoint.address, xaddrs, interfaceName)) {
            continue;
        }
        const bool queued = m_pool->SubmitRead(
            [this, address = endpoint.address, xaddrs, name = endpoint.name, interfaceName](
                const std::atomic<bool>& stop) { ReadDetails(address, xaddrs, name, interfaceName, stop); });
        if (!queued) {
            // A later sighting tries again.
            Forget(endpoint.address);
        }
    }
}

bool OnvifDiscovery::NeedsRead(const std::string& endpoint, const std::string& xaddrs,
                               const std::string& interfaceName)
{
    std::lock_guard scope(m_lock);
    const auto found = m_known.find(endpoint);
    if (found != m_known.end() && found->second.xaddrs == xaddrs) {
        return false;
    }
    // Made-up announcements must not grow this without bound; forgetting
    // them all costs the real cameras one more read each.
    if (found == m_known.end() && m_known.size() >= kDeviceTableLimit) {
        m_known.clear();
    }
    m_known[endpoint] = {xaddrs, interfaceName};
    return true;
}

void OnvifDiscovery::Forget(const std::string& endpoint)
{
    std::lock_guard scope(m_lock);
    m_known.erase(endpoint);
}

void OnvifDiscovery::ReadDetails(const std::string& endpoint, const std::string& xaddrs,
                                 const std::string& scopeName, const std::string& interfaceName,
                                 const std::atomic<bool>& stop)
{
    const std::string service = DeviceServiceAddress(xaddrs);
    std::string host;
    int port = 0;
    if (service.empty() || !ServiceHostAndPort(service, host, port)) {
        return;
    }
    const std::shared_ptr<TemporaryAddress> reached = Reach(interfaceName, host, kGuessedPrefix);
    const Login login = CurrentLogin();
    const bool https = service.starts_with("https://");
    const std::string key = https ? PinKeyAt(host) : std::string();
    const std::string pinned = https ? PinnedCertificate(key) : std::string();
    onvif::OnvifDeviceClient client(
        {service, login.user, login.password, false, pinned, kConnectTimeout, kCallTimeout, &stop});
    OnvifDetails details;
    details.endpoint = endpoint;
    const onvif::OnvifResult result = ReadOnvifDetails(client, scopeName, port, details);
    tagVtIpcInfo camera{};
    std::strncpy(camera.ip, host.c_str(), sizeof camera.ip - 1);
    if (result.ok()) {
        if (!https || KeepCertificate(host, details.info, pinned, client.CertificateSha256())) {
            m_table->OnOnvifDetails(details);
        }
        return;
    }
    TraceA(1, "ONVIF %s: %s %s", service.c_str(), onvif::OnvifStatusText(result.status), result.reason.c_str());
    if (Unanswered(result.status)) {
        Forget(endpoint);
    } else if (result.status == onvif::OnvifStatus::CertificateChanged) {
        // Told once, as a refused login is. Listed by the MAC its pin is
        // kept under, with nothing the stranger told, so that the pages
        // meet the same pin and can ask about accepting the new one.
        RefuseCertificate(camera, key, pinned, client.CertificateSha256());
        if (ParseOnvifMac(key, details.info.mac)) {
            std::strncpy(details.info.ip, host.c_str(), sizeof details.info.ip - 1);
            std::strncpy(details.info.devName, scopeName.c_str(), sizeof details.info.devName - 1);
            details.info.port = port;
            details.info.upTime = -1;
            m_table->OnOnvifDetails(details);
        }
    } else if (result.status == onvif::OnvifStatus::Refused) {
        // Told once: the camera is read again only when it moves or the login changes.
        m_table->AddPanelLine(CameraLine(camera, LoginFailureKeys{}.refused));
    }
}

std::string OnvifDiscovery::PinKeyAt(const std::string& host) const
{
    std::lock_guard scope(m_lock);
    const auto found = m_pinKeys.find(host);
    return found != m_pinKeys.end() ? found->second : host;
}

bool OnvifDiscovery::KeepCertificate(const std::string& host, const tagVtIpcInfo& camera, const std::string& pinned,
                                     const std::string& seen)
{
    const std::string key = CertificatePinKey(camera);
    {
        std::lock_guard scope(m_lock);
        if (m_pinKeys.size() >= kDeviceTableLimit) {
            m_pinKeys.clear();
        }
        m_pinKeys[host] = key;
    }
    const std::string macPinned = pinned.empty() ? PinnedCertificate(key) : pinned;
    if (macPinned.empty() && !seen.empty()) {
        PinCertificate(key, seen);
    } else if (macPinned != seen) {
        RefuseCertificate(camera, key, macPinned, seen);
        return false;
    }
    return true;
}

void OnvifDiscovery::RefuseCertificate(const tagVtIpcInfo& camera, const std::string& key, const std::string& pinned,
                                       const std::string& seen)
{
    NoteRefusedCertificate(key, seen);
    m_table->AddPanelLine({CameraLinePrefix(camera) + CertificateChangedNote(key, pinned, seen), true});
}

bool OnvifDiscovery::Modify(const tagVtIpcInfo& request)
{
    if (m_table == nullptr || !m_pool) {
        return false;
    }
    const DeviceRef entry = m_table->Find(request.mac);
    tagVtIpcInfo before{};
    OnvifIdentity identity;
    if (!entry || entry->protocol != CameraProtocol::Onvif || !m_table->Snapshot(*entry, before) ||
        !m_table->OnvifSnapshot(*entry, identity)) {
        return false;
    }
    std::string interfaceName = m_names.empty() ? std::string() : m_names.front();
    {
        std::lock_guard scope(m_lock);
        const auto found = m_known.find(identity.endpoint);
        if (found != m_known.end()) {
            interfaceName = found->second.interfaceName;
        }
    }
    m_pool->SubmitChange([this, before, xaddrs = identity.xaddrs, request, interfaceName](
                             const std::atomic<bool>& stop) { ApplyChange(before, xaddrs, request, interfaceName, stop); });
    return true;
}

void OnvifDiscovery::ApplyChange(const tagVtIpcInfo& before, const std::string& xaddrs, tagVtIpcInfo request,
                                 const std::string& interfaceName, const std::atomic<bool>& stop)
{
    Login login = CurrentLogin();
    if (request.user[0] != '\0') {
        login = {std::string(request.user, strnlen(request.user, sizeof request.user)),
                 std::string(request.password, strnlen(request.password, sizeof request.password))};
    }
    std::memset(request.user, 0, sizeof request.user);
    std::memset(request.password, 0, sizeof request.password);
    const std::string service = DeviceServiceAddress(xaddrs);
    std::string host;
    int port = 0;
    onvif::OnvifResult result;
    if (service.empty() || !ServiceHostAndPort(service, host, port)) {
        result.status = onvif::OnvifStatus::Unreachable;
    } else {
        const std::shared_ptr<TemporaryAddress> reached = Reach(interfaceName, host, PrefixOf(before.netmask));
        const bool https = service.starts_with("https://");
        const std::string key = CertificatePinKey(before);
        const std::string pinned = https ? PinnedCertificate(key) : std::string();
        onvif::OnvifDeviceClient client(
            {service, login.user, login.password, false, pinned, kConnectTimeout, kCallTimeout, &stop});
        result = ApplyOnvifIdentity(client, before, request);
        const std::string& seen = client.CertificateSha256();
        if (result.status == onvif::OnvifStatus::CertificateChanged) {
            RefuseCertificate(before, key, pinned, seen);
        } else if (result.ok() && pinned.empty() && !seen.empty()) {
            PinCertificate(key, seen);
        }
    }
    if (!result.ok()) {
        TraceA(1, "ONVIF change %s: %s %s", service.c_str(), onvif::OnvifStatusText(result.status),
               result.reason.c_str());
        if (result.status == onvif::OnvifStatus::Refused) {
            m_table->AddPanelLine(CameraLine(before, LoginFailureKeys{}.refused));
        } else if (!result.reason.empty() && !Unanswered(result.status) &&
                   result.status != onvif::OnvifStatus::CertificateChanged) {
            m_table->AddPanelLine({CameraLinePrefix(before) + PlatformFromUtf8(result.reason), true});
        }
    }
    tagMsgInfo outcome{};
    outcome.info = request;
    outcome.result = result.ok() ? 0 : Unanswered(result.status) ? 1 : -1;
    if (m_outcome != nullptr) {
        m_outcome(static_cast<int>(CaptureCode::ModifyOutcome), &outcome, m_outcomeUser);
    }
}

std::shared_ptr<TemporaryAddress> OnvifDiscovery::Reach(const std::string& interfaceName, const std::string& host,
                                                        int prefix)
{
    in_addr parsed{};
    if (interfaceName.empty() || inet_pton(AF_INET, host.c_str(), &parsed) != 1) {
        return nullptr;
    }
    const std::uint32_t network = ntohl(parsed.s_addr) & (0xFFFFFFFFu << (32 - prefix));
    const std::string key = interfaceName + "/" + std::to_string(network) + "/" + std::to_string(prefix);
    std::lock_guard scope(m_reachLock);
    if (std::shared_ptr<TemporaryAddress> held = m_reached[key].lock()) {
        return held;
    }
    std::erase_if(m_reached, [](const auto& item) { return item.second.expired(); });
    std::string error;
    std::shared_ptr<TemporaryAddress> acquired = TemporaryAddress::Acquire(interfaceName, host, prefix, error);
    if (!acquired) {
        // Mostly: the interface is in that subnet already and needs none.
        TraceA(2, "No temporary address for %s/%d: %s", host.c_str(), prefix, error.c_str());
        return nullptr;
    }
    m_reached[key] = acquired;
    return acquired;
}

bool OnvifDiscovery::WaitIdle(std::chrono::milliseconds limit)
{
    return !m_pool || m_pool->WaitIdle(limit);
}

void OnvifDiscovery::Close()
{
    for (const auto& socket : m_sockets) {
        socket->Stop();
    }
    m_sockets.clear();
    m_names.clear();
    m_pool.reset();
}

std::uint64_t OnvifDiscovery::Dropped() const
{
    std::uint64_t dropped = m_pool ? m_pool->TurnedAway() : 0;
    for (const auto& socket : m_sockets) {
        dropped += socket->Dropped();
    }
    return dropped;
}
