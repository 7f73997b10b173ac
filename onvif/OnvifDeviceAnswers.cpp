#include "OnvifDeviceAnswers.h"

#include <charconv>

namespace onvif {

namespace {

bool Text(pugi::xml_node node, std::string& out)
{
    return TextOf(node, kMaxFieldBytes, out);
}

// A present element must hold a valid value; an absent one leaves `out`.
bool Bool(pugi::xml_node node, bool& out)
{
    if (!node) {
        return true;
    }
    std::string text;
    if (!Text(node, text)) {
        return false;
    }
    if (text == "true" || text == "1") {
        out = true;
        return true;
    }
    if (text == "false" || text == "0") {
        out = false;
        return true;
    }
    return false;
}

bool Int(pugi::xml_node node, int& out, int low, int high)
{
    std::string text;
    if (!Text(node, text)) {
        return false;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

// Calls `read` on every child element named `localName`; false when one fails
// or when there are more than kMaxListItems.
template <typename Read>
bool EachChild(pugi::xml_node parent, std::string_view localName, Read read)
{
    std::size_t count = 0;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element || LocalName(child.name()) != localName) {
            continue;
        }
        if (++count > kMaxListItems || !read(child)) {
            return false;
        }
    }
    return true;
}

// tt:NetworkHost / tt:IPAddress: Type then IPv4Address, IPv6Address or DNSname.
bool Host(pugi::xml_node node, NetworkHost& out)
{
    for (const char* name : {"DNSname", "IPv4Address", "IPv6Address"}) {
        if (const pugi::xml_node value = Child(node, name)) {
            out.isName = std::string_view(name) == "DNSname";
            return Text(value, out.value) && !out.value.empty();
        }
    }
    return false;
}

} // namespace

bool IsResponse(pugi::xml_node body, std::string_view responseName)
{
    return body && LocalName(body.name()) == responseName;
}

int DurationSeconds(std::string_view duration)
{
    if (!duration.starts_with("P")) {
        return -1;
    }
    long total = 0;
    long number = -1;
    bool inTime = false;
    for (const char c : duration.substr(1)) {
        if (c >= '0' && c <= '9') {
            number = (number < 0 ? 0 : number) * 10 + (c - '0');
            if (number > 100000000) {
                return -1;
            }
            continue;
        }
        if (c == 'T' && number < 0) {
            inTime = true;
            continue;
        }
        if (number < 0) {
            return -1;
        }
        if (c == 'D' && !inTime) {
            total += number * 86400;
        } else if (c == 'H' && inTime) {
            total += number * 3600;
        } else if (c == 'M' && inTime) {
            total += number * 60;
        } else if (c == 'S' && inTime) {
            total += number;
        } else {
            return -1;
        }
        number = -1;
        if (total > 100000000) {
            return -1;
        }
    }
    return number < 0 ? static_cast<int>(total) : -1;
}

bool ReadSystemDateAndTime(pugi::xml_node body, SystemDateAndTime& out)
{
    const pugi::xml_node info = Child(body, "SystemDateAndTime");
    if (!IsResponse(body, "GetSystemDateAndTimeResponse") || !info) {
        return false;
    }
    std::string type;
    if (!Text(Child(info, "DateTimeType"), type) || !Bool(Child(info, "DaylightSavings"), out.daylightSavings) ||
        !Text(Path(info, {"TimeZone", "TZ"}), out.timeZone)) {
        return false;
    }
    out.ntp = type == "NTP";
    const pugi::xml_node utc = Child(info, "UTCDateTime");
    out.hasUtc = static_cast<bool>(utc);
    if (!utc) {
        return true;
    }
    UtcDateTime& t = out.utc;
    return Int(Path(utc, {"Date", "Year"}), t.year, 1970, 9999) && Int(Path(utc, {"Date", "Month"}), t.month, 1, 12) &&
           Int(Path(utc, {"Date", "Day"}), t.day, 1, 31) && Int(Path(utc, {"Time", "Hour"}), t.hour, 0, 23) &&
           Int(Path(utc, {"Time", "Minute"}), t.minute, 0, 59) && Int(Path(utc, {"Time", "Second"}), t.second, 0, 60);
}

bool ReadNtp(pugi::xml_node body, NtpSettings& out)
{
    const pugi::xml_node info = Child(body, "NTPInformation");
    if (!IsResponse(body, "GetNTPResponse") || !info || !Bool(Child(info, "FromDHCP"), out.fromDhcp)) {
        return false;
    }
    out.servers.clear();
    return EachChild(info, "NTPManual", [&](pugi::xml_node node) {
        NetworkHost host;
        out.servers.push_back(host);
        return Host(node, out.servers.back());
    });
}

bool ReadDeviceInformation(pugi::xml_node body, DeviceInformation& out)
{
    return IsResponse(body, "GetDeviceInformationResponse") && Text(Child(body, "Manufacturer"), out.manufacturer) &&
           Text(Child(body, "Model"), out.model) && Text(Child(body, "FirmwareVersion"), out.firmwareVersion) &&
           Text(Child(body, "SerialNumber"), out.serialNumber) && Text(Child(body, "HardwareId"), out.hardwareId);
}

bool ReadNetworkInterfaces(pugi::xml_node body, std::vector<NetworkInterface>& out)
{
    if (!IsResponse(body, "GetNetworkInterfacesResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "NetworkInterfaces", [&](pugi::xml_node node) {
        NetworkInterface& item = out.emplace_back();
        item.token = std::string(Attribute(node, "token").value()).substr(0, kMaxFieldBytes);
        const pugi::xml_node config = Path(node, {"IPv4", "Config"});
        if (!Bool(Child(node, "Enabled"), item.enabled) || !Text(Path(node, {"Info", "Name"}), item.name) ||
            !Text(Path(node, {"Info", "HwAddress"}), item.mac) ||
            !Bool(Path(node, {"IPv4", "Enabled"}), item.ipv4Enabled) || !Bool(Child(config, "DHCP"), item.dhcp)) {
            return false;
        }
        pugi::xml_node address = Child(config, "Manual");
        if (!address) {
            address = Child(config, "FromDHCP");
        }
        if (!address) {
            return true;
        }
        return Text(Child(address, "Address"), item.address) &&
               Int(Child(address, "PrefixLength"), item.prefixLength, 0, 32);
    });
}

bool ReadRebootNeeded(pugi::xml_node body, bool& rebootNeeded)
{
    rebootNeeded = false;
    return IsResponse(body, "SetNetworkInterfacesResponse") && Bool(Child(body, "RebootNeeded"), rebootNeeded);
}

bool ReadDefaultGateway(pugi::xml_node body, std::vector<std::string>& out)
{
    if (!IsResponse(body, "GetNetworkDefaultGatewayResponse")) {
        return false;
    }
    out.clear();
    return EachChild(Child(body, "NetworkGateway"), "IPv4Address",
                     [&](pugi::xml_node node) { return Text(node, out.emplace_back()); });
}

bool ReadDns(pugi::xml_node body, DnsSettings& out)
{
    const pugi::xml_node info = Child(body, "DNSInformation");
    if (!IsResponse(body, "GetDNSResponse") || !info || !Bool(Child(info, "FromDHCP"), out.fromDhcp)) {
        return false;
    }
    out.searchDomains.clear();
    out.servers.clear();
    return EachChild(info, "SearchDomain", [&](pugi::xml_node node) { return Text(node, out.searchDomains.emplace_back()); }) &&
           EachChild(info, "DNSManual", [&](pugi::xml_node node) { return Host(node, out.servers.emplace_back()); });
}

bool ReadHostname(pugi::xml_node body, HostnameSettings& out)
{
    const pugi::xml_node info = Child(body, "HostnameInformation");
    return IsResponse(body, "GetHostnameResponse") && info && Bool(Child(info, "FromDHCP"), out.fromDhcp) &&
           Text(Child(info, "Name"), out.name);
}

bool ReadNetworkProtocols(pugi::xml_node body, std::vector<NetworkProtocol>& out)
{
    if (!IsResponse(body, "GetNetworkProtocolsResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "NetworkProtocols", [&](pugi::xml_node node) {
        NetworkProtocol& item = out.emplace_back();
        return Text(Child(node, "Name"), item.name) && Bool(Child(node, "Enabled"), item.enabled) &&
               EachChild(node, "Port", [&](pugi::xml_node port) { return Int(port, item.ports.emplace_back(), 1, 65535); });
    });
}

bool ReadUsers(pugi::xml_node body, std::vector<OnvifUser>& out)
{
    if (!IsResponse(body, "GetUsersResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "User", [&](pugi::xml_node node) {
        OnvifUser& user = out.emplace_back();
        return Text(Child(node, "Username"), user.name) && Text(Child(node, "UserLevel"), user.level);
    });
}

bool ReadFirmwareUploadTicket(pugi::xml_node body, FirmwareUploadTicket& out)
{
    std::string delay;
    std::string downTime;
    if (!IsResponse(body, "StartFirmwareUpgradeResponse") || !Text(Child(body, "UploadUri"), out.uploadUri) ||
        out.uploadUri.empty() || !Text(Child(body, "UploadDelay"), delay) ||
        !Text(Child(body, "ExpectedDownTime"), downTime)) {
        return false;
    }
    out.uploadDelaySeconds = delay.empty() ? 0 : DurationSeconds(delay);
    out.expectedDownTimeSeconds = downTime.empty() ? 0 : DurationSeconds(downTime);
    return out.uploadDelaySeconds >= 0 && out.expectedDownTimeSeconds >= 0;
}

bool ReadSystemLog(pugi::xml_node body, std::string& out)
{
    return IsResponse(body, "GetSystemLogResponse") && TextOf(Path(body, {"SystemLog", "String"}), kMaxSystemLogBytes, out);
}

bool ReadServices(pugi::xml_node body, std::vector<OnvifService>& out)
{
    if (!IsResponse(body, "GetServicesResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "Service", [&](pugi::xml_node node) {
        OnvifService& service = out.emplace_back();
        const pugi::xml_node version = Child(node, "Version");
        return Text(Child(node, "Namespace"), service.namespaceUri) && Text(Child(node, "XAddr"), service.address) &&
               (!version || (Int(Child(version, "Major"), service.major, 0, 1000) &&
                             Int(Child(version, "Minor"), service.minor, 0, 10000)));
    });
}

bool ReadCapabilities(pugi::xml_node body, DeviceCapabilities& out)
{
    const pugi::xml_node capabilities = Child(body, "Capabilities");
    if (!IsResponse(body, "GetCapabilitiesResponse") || !capabilities) {
        return false;
    }
    const pugi::xml_node system = Path(capabilities, {"Device", "System"});
    return Text(Path(capabilities, {"Device", "XAddr"}), out.deviceAddress) &&
           Text(Path(capabilities, {"Media", "XAddr"}), out.mediaAddress) &&
           Text(Path(capabilities, {"Imaging", "XAddr"}), out.imagingAddress) &&
           Text(Path(capabilities, {"Events", "XAddr"}), out.eventsAddress) &&
           Bool(Child(system, "FirmwareUpgrade"), out.firmwareUpgrade) &&
           Bool(Child(system, "SystemLogging"), out.systemLogging);
}

bool ReadScopes(pugi::xml_node body, std::vector<std::string>& out)
{
    if (!IsResponse(body, "GetScopesResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "Scopes", [&](pugi::xml_node node) { return Text(Child(node, "ScopeItem"), out.emplace_back()); });
}

} // namespace onvif
