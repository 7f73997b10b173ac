#include "WsDiscovery.h"

#include "OnvifService.h"
#include "SoapMessage.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace camsim {
namespace {

constexpr std::size_t kMaxDatagram = 32 * 1024;
constexpr std::size_t kMaxPending = 65536;
constexpr const char* kDiscoveryNs = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr const char* kNetworkWsdlNs = "http://www.onvif.org/ver10/network/wsdl";
constexpr const char* kDeviceWsdlNs = "http://www.onvif.org/ver10/device/wsdl";
constexpr const char* kActionBase = "http://schemas.xmlsoap.org/ws/2005/04/discovery/";

std::string RandomMessageId()
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char text[64];
    const uint64_t a = random();
    const uint64_t b = random();
    std::snprintf(text, sizeof text, "urn:uuid:%08x-%04x-4%03x-8%03x-%012llx", static_cast<unsigned>(a >> 32),
                  static_cast<unsigned>(a >> 16) & 0xFFFF, static_cast<unsigned>(a) & 0xFFF,
                  static_cast<unsigned>(b >> 48) & 0xFFF, static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
    return text;
}

std::string Header(const std::string& action, const std::string& to, const std::string& relatesTo,
                   uint64_t messageNumber)
{
    std::string header = TextElement("wsa:MessageID", RandomMessageId());
    if (!relatesTo.empty()) {
        header += TextElement("wsa:RelatesTo", relatesTo);
    }
    return header + TextElement("wsa:To", to) + TextElement("wsa:Action", kActionBase + action) +
           "<wsdd:AppSequence InstanceId=\"1\" MessageNumber=\"" + std::to_string(messageNumber) + "\"/>";
}

std::string EndpointXml(const std::string& uuid)
{
    return Element("wsa:EndpointReference", TextElement("wsa:Address", uuid));
}

// EndpointReference, Types, Scopes, XAddrs and MetadataVersion of a camera.
std::string DescriptionXml(const SimCamera& camera, const std::string& uuid)
{
    std::string scopes;
    for (const std::string& scope : CameraScopes(camera)) {
        scopes += (scopes.empty() ? "" : " ") + scope;
    }
    return EndpointXml(uuid) + TextElement("wsdd:Types", "dn:NetworkVideoTransmitter tds:Device") +
           TextElement("wsdd:Scopes", scopes) +
           TextElement("wsdd:XAddrs",
                       "http://" + camera.ip + ":" + std::to_string(camera.port) + kDeviceServicePath) +
           TextElement("wsdd:MetadataVersion", "1");
}

// Whether every QName the Probe's Types lists is a type of ours.
bool TypesMatch(const pugi::xml_node& types)
{
    std::string_view list = types.child_value();
    while (!list.empty()) {
        const auto start = list.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos) {
            break;
        }
        list.remove_prefix(start);
        const auto end = list.find_first_of(" \t\r\n");
        const std::string_view qname = list.substr(0, end);
        list.remove_prefix(end == std::string_view::npos ? list.size() : end);
        const auto colon = qname.find(':');
        const std::string_view local = colon == std::string_view::npos ? qname : qname.substr(colon + 1);
        const std::string ns =
            ResolvePrefix(types, colon == std::string_view::npos ? std::string_view{} : qname.substr(0, colon));
        const bool transmitter = local == "NetworkVideoTransmitter" && (ns.empty() || ns == kNetworkWsdlNs);
        const bool device = local == "Device" && (ns.empty() || ns == kDeviceWsdlNs);
        if (!transmitter && !device) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<ProbeRequest> ParseProbe(std::string_view datagram)
{
    if (datagram.size() > kMaxDatagram) {
        return std::nullopt;
    }
    std::string why;
    const std::unique_ptr<SoapRequest> request = ParseSoapRequest(datagram, why);
    if (!request || request->actionName != "Probe" || request->actionNamespace != kDiscoveryNs) {
        return std::nullopt;
    }
    ProbeRequest probe;
    probe.messageId = request->messageId;
    const pugi::xml_node types = Child(request->action, "Types");
    const std::string scopes = ChildText(request->action, {"Scopes"});
    probe.matches = TypesMatch(types) && scopes.empty();
    if (probe.messageId.empty() || probe.messageId.size() > 256) {
        return std::nullopt;
    }
    return probe;
}

std::string BuildProbeMatches(const SimCamera& camera, const std::string& uuid, const std::string& relatesTo,
                              uint64_t messageNumber)
{
    return SoapEnvelope(
        Element("wsdd:ProbeMatches", Element("wsdd:ProbeMatch", DescriptionXml(camera, uuid))),
        Header("ProbeMatches", "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous", relatesTo,
               messageNumber));
}

std::string BuildHello(const SimCamera& camera, const std::string& uuid, uint64_t messageNumber)
{
    return SoapEnvelope(Element("wsdd:Hello", DescriptionXml(camera, uuid)),
                        Header("Hello", "urn:schemas-xmlsoap-org:ws:2005:04:discovery", {}, messageNumber));
}

std::string BuildBye(const std::string& uuid, uint64_t messageNumber)
{
    return SoapEnvelope(Element("wsdd:Bye", EndpointXml(uuid)),
                        Header("Bye", "urn:schemas-xmlsoap-org:ws:2005:04:discovery", {}, messageNumber));
}

WsDiscoveryResponder::WsDiscoveryResponder(CameraTable& cameras) : cameras_(cameras), random_(std::random_device{}())
{
}

WsDiscoveryResponder::~WsDiscoveryResponder()
{
    Stop();
}

bool WsDiscoveryResponder::Start(const std::string& interfaceName, std::string& error)
{
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0) {
        error = "no interface " + interfaceName;
        return false;
    }
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    const int off = 0;
    const int ttl = 1;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(kWsDiscoveryPort);
    ip_mreqn membership{};
    inet_pton(AF_INET, kWsDiscoveryGroup, &membership.imr_multiaddr);
    membership.imr_ifindex = static_cast<int>(index);
    ip_mreqn outgoing{};
    outgoing.imr_ifindex = static_cast<int>(index);
    if (socket_ < 0 || setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(socket_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 ||
        setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0 ||
        setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing) != 0 ||
        setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_LOOP, &off, sizeof off) != 0 ||
        setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0 || pipe2(wake_, O_CLOEXEC) != 0) {
        error = std::string("WS-Discovery socket: ") + std::strerror(errno);
        Stop();
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void WsDiscoveryResponder::Stop()
{
    stop_ = true;
    if (wake_[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const auto written = write(wake_[1], &byte, 1);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    for (int* fd : {&socket_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
}

void WsDiscoveryResponder::Run()
{
    std::vector<char> buffer(kMaxDatagram + 1);
    while (!stop_) {
        const auto now = std::chrono::steady_clock::now();
        SendDue(now);
        int timeoutMs = 1000;
        if (!pending_.empty()) {
            timeoutMs = static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(pending_.begin()->first - now).count());
        }
        pollfd fds[2] = {{socket_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, std::max(timeoutMs, 0)) <= 0 || (fds[0].revents & POLLIN) == 0) {
            continue;
        }
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length =
            recvfrom(socket_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length <= 0 || static_cast<std::size_t>(length) > kMaxDatagram) {
            ++counters_.ignored;
            continue;
        }
        Answer(std::string(buffer.data(), static_cast<std::size_t>(length)), from.sin_addr.s_addr, from.sin_port);
    }
}

void WsDiscoveryResponder::Answer(const std::string& datagram, uint32_t fromAddress, uint16_t fromPort)
{
    const std::optional<ProbeRequest> probe = ParseProbe(datagram);
    if (!probe) {
        ++counters_.ignored;
        return;
    }
    ++counters_.probes;
    if (!probe->matches) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    std::uniform_int_distribution<int> delayMs(0, static_cast<int>(kMaxProbeDelay.count()));
    for (const auto& camera : cameras_.Cameras()) {
        if (pending_.size() >= kMaxPending) {
            ++counters_.ignored;
            return;
        }
        std::lock_guard lock(camera->mutex);
        const SimCamera& sim = camera->sim;
        if (!sim.IsOnvif() || sim.silent || sim.Has(kFaultLostDiscovery)) {
            continue;
        }
        pending_.emplace(now + std::chrono::milliseconds(delayMs(random_)),
                         Pending{BuildProbeMatches(sim, camera->onvif.uuid, probe->messageId, ++messageNumber_),
                                 sim.ip, fromAddress, fromPort});
    }
}

void WsDiscoveryResponder::SendDue(std::chrono::steady_clock::time_point now)
{
    while (!pending_.empty() && pending_.begin()->first <= now) {
        const Pending& due = pending_.begin()->second;
        SendFrom(due.fromIp, due.toAddress, due.toPort, due.message);
        pending_.erase(pending_.begin());
    }
}

void WsDiscoveryResponder::SendFrom(const std::string& fromIp, uint32_t toAddress, uint16_t toPort,
                                    const std::string& message)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = toAddress;
    to.sin_port = toPort;
    iovec part{const_cast<char*>(message.data()), message.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr header{};
    header.msg_name = &to;
    header.msg_namelen = sizeof to;
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    cmsghdr* info = CMSG_FIRSTHDR(&header);
    info->cmsg_level = IPPROTO_IP;
    info->cmsg_type = IP_PKTINFO;
    info->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo source{};
    inet_pton(AF_INET, fromIp.c_str(), &source.ipi_spec_dst);
    std::memcpy(CMSG_DATA(info), &source, sizeof source);
    std::lock_guard lock(sendMutex_);
    if (socket_ >= 0 && sendmsg(socket_, &header, 0) == static_cast<ssize_t>(message.size())) {
        ++counters_.sent;
    } else {
        ++counters_.sendFailures;
    }
}

void WsDiscoveryResponder::Hello(const std::shared_ptr<LiveCamera>& camera)
{
    std::string message;
    std::string ip;
    {
        std::lock_guard lock(camera->mutex);
        if (!camera->sim.IsOnvif()) {
            return;
        }
        message = BuildHello(camera->sim, camera->onvif.uuid, ++messageNumber_);
        ip = camera->sim.ip;
    }
    in_addr group{};
    inet_pton(AF_INET, kWsDiscoveryGroup, &group);
    SendFrom(ip, group.s_addr, htons(kWsDiscoveryPort), message);
}

void WsDiscoveryResponder::Bye(const std::shared_ptr<LiveCamera>& camera)
{
    std::string message;
    std::string ip;
    {
        std::lock_guard lock(camera->mutex);
        if (!camera->sim.IsOnvif()) {
            return;
        }
        message = BuildBye(camera->onvif.uuid, ++messageNumber_);
        ip = camera->sim.ip;
    }
    in_addr group{};
    inet_pton(AF_INET, kWsDiscoveryGroup, &group);
    SendFrom(ip, group.s_addr, htons(kWsDiscoveryPort), message);
}

} // namespace camsim
