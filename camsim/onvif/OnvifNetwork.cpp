// The device service's network side: the interface's address, the gateway,
// DNS, hostname and protocols. A new address or HTTP port moves the camera
// as a family camera moves on a change of identity.
#include "InterfaceAddresses.h"
#include "OnvifService.h"

#include <arpa/inet.h>
#include <cctype>
#include <cstdlib>

namespace camsim {
namespace {

constexpr const char* kInterfaceToken = "eth0";

bool IsIpv4(const std::string& text)
{
    in_addr parsed{};
    return inet_pton(AF_INET, text.c_str(), &parsed) == 1;
}

std::string NetmaskFromPrefix(int prefix)
{
    const uint32_t mask = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    in_addr address{};
    address.s_addr = htonl(mask);
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

// Every IPv4Address child of node; false when one is no IPv4 address.
bool ReadAddresses(const pugi::xml_node& node, std::vector<std::string>& addresses)
{
    for (pugi::xml_node entry = node.first_child(); entry; entry = entry.next_sibling()) {
        if (LocalName(entry) == "IPv4Address") {
            const std::string address = entry.child_value();
            if (!IsIpv4(address) || addresses.size() >= 4) {
                return false;
            }
            addresses.push_back(address);
        }
    }
    return true;
}

OnvifAnswer Interfaces(const LiveCamera& camera)
{
    const std::string manual =
        Element("tt:Manual", TextElement("tt:Address", camera.sim.ip) +
                                 TextElement("tt:PrefixLength", std::to_string(PrefixFromNetmask(camera.sim.netmask))));
    return Respond(
        "GetNetworkInterfaces",
        "<tds:NetworkInterfaces token=\"" + std::string(kInterfaceToken) + "\">" + TextElement("tt:Enabled", "true") +
            Element("tt:Info", TextElement("tt:Name", kInterfaceToken) + TextElement("tt:HwAddress", camera.MacText()) +
                                   TextElement("tt:MTU", "1500")) +
            Element("tt:IPv4", TextElement("tt:Enabled", "true") +
                                   Element("tt:Config", manual + TextElement("tt:DHCP", "false"))) +
            "</tds:NetworkInterfaces>");
}

OnvifAnswer SetInterfaces(LiveCamera& camera, const SoapRequest& request, int64_t now)
{
    if (ChildText(request.action, {"InterfaceToken"}) != kInterfaceToken) {
        return InvalidArgument("ter:InvalidNetworkInterface", "no such network interface");
    }
    const pugi::xml_node ipv4 = Child(Child(request.action, "NetworkInterface"), "IPv4");
    if (ChildText(ipv4, {"DHCP"}) == "true") {
        return InvalidArgument("ter:InvalidArgVal", "this camera takes a manual address only");
    }
    const std::string address = ChildText(ipv4, {"Manual", "Address"});
    const std::string prefixText = ChildText(ipv4, {"Manual", "PrefixLength"});
    char* end = nullptr;
    const long prefix = std::strtol(prefixText.c_str(), &end, 10);
    if (!IsIpv4(address) || prefixText.empty() || *end != '\0' || prefix < 1 || prefix > 30) {
        return InvalidArgument("ter:InvalidIPv4Address", "a manual IPv4 address and a prefix of 1 to 30 are needed");
    }
    OnvifState& state = camera.onvif;
    state.Log(state.CameraTime(now), "address set: " + address + "/" + std::to_string(prefix));
    const bool rebootNeeded = camera.sim.rebootNeeded;
    OnvifAnswer answer =
        Respond("SetNetworkInterfaces", TextElement("tds:RebootNeeded", rebootNeeded ? "true" : "false"));
    if (rebootNeeded) {
        state.pendingAddress = OnvifAddress{address, static_cast<int>(prefix)};
    } else {
        camera.sim.ip = address;
        camera.sim.netmask = NetmaskFromPrefix(static_cast<int>(prefix));
        answer.after = OnvifAfter::Readdress;
    }
    return answer;
}

OnvifAnswer SetGateway(LiveCamera& camera, const SoapRequest& request, int64_t now)
{
    std::vector<std::string> gateways;
    if (!ReadAddresses(request.action, gateways)) {
        return InvalidArgument("ter:InvalidGatewayAddress", "the gateway is no IPv4 address");
    }
    camera.sim.gateway = gateways.empty() ? std::string() : gateways.front();
    camera.onvif.Log(camera.onvif.CameraTime(now), "gateway set: " + camera.sim.gateway);
    return Respond("SetNetworkDefaultGateway", "");
}

OnvifAnswer Dns(const LiveCamera& camera)
{
    std::string manual;
    for (const std::string& server : camera.onvif.dnsServers) {
        manual += Element("tt:DNSManual", TextElement("tt:Type", "IPv4") + TextElement("tt:IPv4Address", server));
    }
    return Respond("GetDNS", Element("tds:DNSInformation",
                                     TextElement("tt:FromDHCP", camera.onvif.dnsFromDhcp ? "true" : "false") +
                                         manual));
}

OnvifAnswer SetDns(LiveCamera& camera, const SoapRequest& request, int64_t now)
{
    std::vector<std::string> servers;
    for (pugi::xml_node entry = request.action.first_child(); entry; entry = entry.next_sibling()) {
        if (LocalName(entry) == "DNSManual" && !ReadAddresses(entry, servers)) {
            return InvalidArgument("ter:InvalidIPv4Address", "a DNS server is no IPv4 address");
        }
    }
    camera.onvif.dnsFromDhcp = ChildText(request.action, {"FromDHCP"}) == "true";
    camera.onvif.dnsServers = servers;
    camera.sim.dns = servers.empty() ? std::string() : servers.front();
    camera.onvif.Log(camera.onvif.CameraTime(now), "DNS set: " + camera.sim.dns);
    return Respond("SetDNS", "");
}

bool IsHostname(const std::string& name)
{
    if (name.empty() || name.size() > 63 || name.front() == '-' || name.back() == '-') {
        return false;
    }
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

OnvifAnswer Protocols(const LiveCamera& camera)
{
    const auto protocol = [](const char* name, bool enabled, int port) {
        return Element("tds:NetworkProtocols", TextElement("tt:Name", name) +
                                                   TextElement("tt:Enabled", enabled ? "true" : "false") +
                                                   TextElement("tt:Port", std::to_string(port)));
    };
    const bool https = camera.sim.https;
    return Respond("GetNetworkProtocols", protocol("HTTP", !https, https ? 80 : camera.sim.port) +
                                              protocol("HTTPS", https, https ? camera.sim.port : 443) +
                                              protocol("RTSP", camera.onvif.rtspEnabled, camera.onvif.rtspPort));
}

OnvifAnswer SetProtocols(LiveCamera& camera, const SoapRequest& request, int64_t now)
{
    int httpPort = camera.sim.port;
    int rtspPort = camera.onvif.rtspPort;
    bool rtspEnabled = camera.onvif.rtspEnabled;
    for (pugi::xml_node entry = request.action.first_child(); entry; entry = entry.next_sibling()) {
        if (LocalName(entry) != "NetworkProtocols") {
            continue;
        }
        const std::string name = ChildText(entry, {"Name"});
        const bool enabled = ChildText(entry, {"Enabled"}) != "false";
        const std::string portText = ChildText(entry, {"Port"});
        char* end = nullptr;
        const long port = std::strtol(portText.c_str(), &end, 10);
        if (portText.empty() || *end != '\0' || port < 1 || port > 65535) {
            return InvalidArgument("ter:InvalidArgVal", "each protocol needs a port of 1 to 65535");
        }
        const std::string service = camera.sim.https ? "HTTPS" : "HTTP";
        const std::string other = camera.sim.https ? "HTTP" : "HTTPS";
        if (name == service) {
            if (!enabled) {
                return InvalidArgument("ter:InvalidArgVal", service + " carries this service and stays on");
            }
            httpPort = static_cast<int>(port);
        } else if (name == "RTSP") {
            rtspPort = static_cast<int>(port);
            rtspEnabled = enabled;
        } else if (name != other || enabled) {
            return InvalidArgument("ter:ServiceNotSupported", "the camera has no " + name);
        }
    }
    if (httpPort == rtspPort && rtspEnabled) {
        return InvalidArgument("ter:PortAlreadyInUse", "HTTP and RTSP need different ports");
    }
    camera.onvif.rtspPort = rtspPort;
    camera.onvif.rtspEnabled = rtspEnabled;
    camera.onvif.Log(camera.onvif.CameraTime(now),
                     "ports set: HTTP " + std::to_string(httpPort) + ", RTSP " + std::to_string(rtspPort));
    OnvifAnswer answer = Respond("SetNetworkProtocols", "");
    answer.after = OnvifAfter::Restream;
    if (httpPort != camera.sim.port) {
        camera.sim.port = httpPort;
        camera.settings.ports.httpPort = httpPort;
        answer.after = OnvifAfter::Readdress; // which serves the streams anew too
    }
    return answer;
}

} // namespace

bool TakePendingAddress(LiveCamera& camera)
{
    if (!camera.onvif.pendingAddress) {
        return false;
    }
    camera.sim.ip = camera.onvif.pendingAddress->ip;
    camera.sim.netmask = NetmaskFromPrefix(camera.onvif.pendingAddress->prefix);
    camera.onvif.pendingAddress.reset();
    return true;
}

std::optional<OnvifAnswer> AnswerNetworkRequest(LiveCamera& camera, const SoapRequest& request,
                                                const OnvifRequestContext& context)
{
    const std::string& action = request.actionName;
    if (action == "GetNetworkInterfaces") {
        return Interfaces(camera);
    }
    if (action == "SetNetworkInterfaces") {
        return SetInterfaces(camera, request, context.now);
    }
    if (action == "GetNetworkDefaultGateway") {
        return Respond(action, Element("tds:NetworkGateway", camera.sim.gateway.empty()
                                                                 ? std::string()
                                                                 : TextElement("tt:IPv4Address", camera.sim.gateway)));
    }
    if (action == "SetNetworkDefaultGateway") {
        return SetGateway(camera, request, context.now);
    }
    if (action == "GetDNS") {
        return Dns(camera);
    }
    if (action == "SetDNS") {
        return SetDns(camera, request, context.now);
    }
    if (action == "GetHostname") {
        return Respond(action, Element("tds:HostnameInformation",
                                       TextElement("tt:FromDHCP", "false") +
                                           TextElement("tt:Name", camera.onvif.hostname)));
    }
    if (action == "SetHostname") {
        const std::string name = ChildText(request.action, {"Name"});
        if (!IsHostname(name)) {
            return InvalidArgument("ter:InvalidHostname", "the hostname has letters, digits, dots and dashes only");
        }
        camera.onvif.hostname = name;
        camera.onvif.Log(camera.onvif.CameraTime(context.now), "hostname set: " + name);
        return Respond(action, "");
    }
    if (action == "GetNetworkProtocols") {
        return Protocols(camera);
    }
    if (action == "SetNetworkProtocols") {
        return SetProtocols(camera, request, context.now);
    }
    return std::nullopt;
}

} // namespace camsim
