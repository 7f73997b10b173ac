#include "OnvifDeviceWork.h"

#include "RecordText.h"

#include <arpa/inet.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>
#include <sstream>

namespace {
using onvif::OnvifResult;

std::string NetmaskFromPrefix(int prefix)
{
    const std::uint32_t mask = prefix <= 0 ? 0 : 0xFFFFFFFFu << (32 - std::min(prefix, 32));
    in_addr address{};
    address.s_addr = htonl(mask);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

// The prefix of a contiguous dotted netmask; -1 for anything else.
int PrefixFromNetmask(const char* netmask)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, netmask, &parsed) != 1) {
        return -1;
    }
    const std::uint32_t mask = ntohl(parsed.s_addr);
    const int prefix = std::popcount(mask);
    return NetmaskFromPrefix(prefix) == netmask ? prefix : -1;
}

bool SameField(const char* left, const char* right, std::size_t size)
{
    return strncmp(left, right, size) == 0;
}

template <std::size_t N>
bool FieldChanged(const char (&before)[N], const char (&request)[N])
{
    return !SameField(before, request, N);
}

OnvifResult Failed(onvif::OnvifStatus status, const std::string& reason)
{
    OnvifResult result;
    result.status = status;
    result.reason = reason;
    return result;
}

// The first enabled interface, else the first one; null when none.
const onvif::NetworkInterface* MainInterface(const std::vector<onvif::NetworkInterface>& interfaces)
{
    const auto enabled = std::find_if(interfaces.begin(), interfaces.end(),
                                      [](const onvif::NetworkInterface& item) { return item.enabled; });
    if (enabled != interfaces.end()) {
        return &*enabled;
    }
    return interfaces.empty() ? nullptr : &interfaces.front();
}

int HttpPort(const std::vector<onvif::NetworkProtocol>& protocols)
{
    for (const onvif::NetworkProtocol& protocol : protocols) {
        if (protocol.name == "HTTP" && protocol.enabled && !protocol.ports.empty()) {
            return protocol.ports.front();
        }
    }
    return 0;
}
} // namespace

std::string DeviceServiceAddress(const std::string& xaddrs)
{
    std::istringstream words(xaddrs);
    std::string address;
    while (words >> address) {
        if (address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0) {
            return address;
        }
    }
    return {};
}

bool ServiceHostAndPort(const std::string& xaddrs, std::string& host, int& port)
{
    const std::string first = xaddrs.substr(0, xaddrs.find(' '));
    const std::size_t scheme = first.find("://");
    if (scheme == std::string::npos) {
        return false;
    }
    const std::size_t hostStart = scheme + 3;
    const std::size_t hostEnd = first.find_first_of(":/", hostStart);
    const std::string name = first.substr(hostStart, hostEnd - hostStart);
    in_addr parsed{};
    if (inet_pton(AF_INET, name.c_str(), &parsed) != 1) {
        return false;
    }
    int found = first.compare(0, scheme, "https") == 0 ? 443 : 80;
    if (hostEnd != std::string::npos && first[hostEnd] == ':') {
        const std::size_t digitsEnd = first.find_first_not_of("0123456789", hostEnd + 1);
        const std::string digits = first.substr(hostEnd + 1, digitsEnd - hostEnd - 1);
        if (digits.empty() || digits.size() > 5 || std::stoi(digits) < 1 || std::stoi(digits) > 65535) {
            return false;
        }
        found = std::stoi(digits);
    }
    host = name;
    port = found;
    return true;
}

bool ParseOnvifMac(const std::string& text, unsigned char mac[8])
{
    if (text.size() != 17) {
        return false;
    }
    unsigned char parsed[8] = {};
    for (int i = 0; i < 6; ++i) {
        const char high = text[i * 3];
        const char low = text[i * 3 + 1];
        if (!std::isxdigit(static_cast<unsigned char>(high)) || !std::isxdigit(static_cast<unsigned char>(low)) ||
            (i < 5 && text[i * 3 + 2] != ':' && text[i * 3 + 2] != '-')) {
            return false;
        }
        parsed[i] = static_cast<unsigned char>(std::stoi(text.substr(i * 3, 2), nullptr, 16));
    }
    std::memcpy(mac, parsed, sizeof parsed);
    return true;
}

OnvifResult ReadOnvifDetails(onvif::OnvifDeviceClient& client, const std::string& scopeName, int servicePort,
                             OnvifDetails& details)
{
    onvif::DeviceInformation information;
    OnvifResult result = client.Login(information);
    if (!result.ok()) {
        return result;
    }
    std::vector<onvif::NetworkInterface> interfaces;
    if (result = client.GetNetworkInterfaces(interfaces); !result.ok()) {
        return result;
    }
    const onvif::NetworkInterface* main = MainInterface(interfaces);
    tagVtIpcInfo& info = details.info;
    if (main == nullptr || !ParseOnvifMac(main->mac, info.mac)) {
        return Failed(onvif::OnvifStatus::BadAnswer, "the camera tells no hardware address");
    }
    CopyRecordField(info.ip, main->address);
    CopyRecordField(info.netmask, NetmaskFromPrefix(main->prefixLength));
    // The rest is shown when the camera tells it; a camera that refuses one
    // of these reads is still listed with what it told.
    std::vector<std::string> gateways;
    if (client.GetNetworkDefaultGateway(gateways).ok() && !gateways.empty()) {
        CopyRecordField(info.gateway, gateways.front());
    }
    onvif::DnsSettings dns;
    if (client.GetDns(dns).ok() && !dns.servers.empty()) {
        CopyRecordField(info.dns, dns.servers.front().value);
    }
    onvif::HostnameSettings hostname;
    const bool named = client.GetHostname(hostname).ok() && !hostname.name.empty();
    CopyRecordField(info.devName, named ? hostname.name : scopeName);
    std::vector<onvif::NetworkProtocol> protocols;
    const int httpPort = client.GetNetworkProtocols(protocols).ok() ? HttpPort(protocols) : 0;
    info.port = httpPort != 0 ? httpPort : servicePort;
    CopyRecordField(info.model, information.model);
    CopyRecordField(info.version, information.firmwareVersion);
    info.upTime = -1;
    details.maker = information.manufacturer;
    return result;
}

OnvifResult ApplyOnvifIdentity(onvif::OnvifDeviceClient& client, const tagVtIpcInfo& before,
                               const tagVtIpcInfo& request)
{
    std::vector<onvif::NetworkInterface> interfaces;
    OnvifResult result = client.GetNetworkInterfaces(interfaces);
    if (!result.ok()) {
        return result;
    }
    const onvif::NetworkInterface* main = MainInterface(interfaces);
    unsigned char mac[8] = {};
    if (main == nullptr || !ParseOnvifMac(main->mac, mac) || std::memcmp(mac, request.mac, 6) != 0) {
        return Failed(onvif::OnvifStatus::BadAnswer, "another camera answers at this address");
    }
    const int prefix = PrefixFromNetmask(request.netmask);
    if (prefix < 1 || prefix > 30) {
        return Failed(onvif::OnvifStatus::BadAnswer, "the netmask is no prefix of 1 to 30 bits");
    }
    const bool moves = FieldChanged(before.ip, request.ip) || FieldChanged(before.netmask, request.netmask);
    if (moves && before.port != request.port) {
        return Failed(onvif::OnvifStatus::BadAnswer, "change the address and the port one at a time");
    }
    if (FieldChanged(before.devName, request.devName)) {
        if (result = client.SetHostname(request.devName); !result.ok()) {
            return result;
        }
    }
    if (FieldChanged(before.dns, request.dns)) {
        onvif::DnsSettings dns;
        if (request.dns[0] != '\0') {
            dns.servers.push_back({false, request.dns});
        }
        if (result = client.SetDns(dns); !result.ok()) {
            return result;
        }
    }
    if (FieldChanged(before.gateway, request.gateway)) {
        std::vector<std::string> gateways;
        if (request.gateway[0] != '\0') {
            gateways.emplace_back(request.gateway);
        }
        if (result = client.SetNetworkDefaultGateway(gateways); !result.ok()) {
            return result;
        }
    }
    // The address and the port go last, and not both at once: once either
    // has moved, the camera answers elsewhere.
    if (moves) {
        bool rebootNeeded = false;
        if (result = client.SetNetworkInterfaces({main->token, false, request.ip, prefix}, rebootNeeded);
            !result.ok()) {
            return result;
        }
        if (rebootNeeded) {
            result = client.SystemReboot();
        }
    }
    if (before.port != request.port) {
        std::vector<onvif::NetworkProtocol> protocols;
        if (result = client.GetNetworkProtocols(protocols); !result.ok()) {
            return result;
        }
        for (onvif::NetworkProtocol& protocol : protocols) {
            if (protocol.name == "HTTP") {
                protocol.ports = {request.port};
            }
        }
        if (result = client.SetNetworkProtocols(protocols); !result.ok()) {
            return result;
        }
    }
    return result;
}
