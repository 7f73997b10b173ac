#include "OnvifDeviceAnswers.h"

namespace onvif {

namespace {

// tt:NetworkHost / tt:IPAddress: Type then IPv4Address, IPv6Address or DNSname.
bool Host(pugi::xml_node node, NetworkHost& out)
{
    for (const char* name : {"DNSname", "IPv4Address", "IPv6Address"}) {
        if (const pugi::xml_node value = Child(node, name)) {
            out.isName = std::string_view(name) == "DNSname";
            return FieldText(value, out.value) && !out.value.empty();
        }
    }
    return false;
}

} // namespace

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
    if (!FieldText(Child(info, "DateTimeType"), type) ||
        !FieldBool(Child(info, "DaylightSavings"), out.daylightSavings) ||
        !FieldText(Path(info, {"TimeZone", "TZ"}), out.timeZone)) {
        return false;
    }
    out.ntp = type == "NTP";
    const pugi::xml_node utc = Child(info, "UTCDateTime");
    out.hasUtc = static_cast<bool>(utc);
    if (!utc) {
        return true;
    }
    UtcDateTime& t = out.utc;
    return FieldInt(Path(utc, {"Date", "Year"}), t.year, 1970, 9999) &&
           FieldInt(Path(utc, {"Date", "Month"}), t.month, 1, 12) &&
           FieldInt(Path(utc, {"Date", "Day"}), t.day, 1, 31) &&
           FieldInt(Path(utc, {"Time", "Hour"}), t.hour, 0, 23) &&
           FieldInt(Path(utc, {"Time", "Minute"}), t.minute, 0, 59) &&
           FieldInt(Path(utc, {"Time", "Second"}), t.second, 0, 60);
}

bool ReadNtp(pugi::xml_node body, NtpSettings& out)
{
    const pugi::xml_node info = Child(body, "NTPInformation");
    if (!IsResponse(body, "GetNTPResponse") || !info || !FieldBool(Child(info, "FromDHCP"), out.fromDhcp)) {
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
    return IsResponse(body, "GetDeviceInformationResponse") &&
           FieldText(Child(body, "Manufacturer"), out.manufacturer) &&
           FieldText(Child(body, "Model"), out.model) &&
           FieldText(Child(body, "FirmwareVersion"), out.firmwareVersion) &&
           FieldText(Child(body, "SerialNumber"), out.serialNumber) &&
           FieldText(Child(body, "HardwareId"), out.hardwareId);
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
        if (!FieldBool(Child(node, "Enabled"), item.enabled) ||
            !FieldText(Path(node, {"Info", "Name"}), item.name) ||
            !FieldText(Path(node, {"Info", "HwAddress"}), item.mac) ||
            !FieldBool(Path(node, {"IPv4", "Enabled"}), item.ipv4Enabled) ||
            !FieldBool(Child(config, "DHCP"), item.dhcp)) {
            return false;
        }
        pugi::xml_node address = Child(config, "Manual");
        if (!address) {
            address = Child(config, "FromDHCP");
        }
        if (!address) {
            return true;
        }
        return FieldText(Child(address, "Address"), item.address) &&
               FieldInt(Child(address, "PrefixLength"), item.prefixLength, 0, 32);
    });
}

bool ReadRebootNeeded(pugi::xml_node body, bool& rebootNeeded)
{
    rebootNeeded = false;
    return IsResponse(body, "SetNetworkInterfacesResponse") &&
           FieldBool(Child(body, "RebootNeeded"), rebootNeeded);
}

bool ReadDefaultGateway(pugi::xml_node body, std::vector<std::string>& out)
{
    if (!IsResponse(body, "GetNetworkDefaultGatewayResponse")) {
        return false;
    }
    out.clear();
    return EachChild(Child(body, "NetworkGateway"), "IPv4Address",
                     [&](pugi::xml_node node) { return FieldText(node, out.emplace_back()); });
}

bool ReadDns(pugi::xml_node body, DnsSettings& out)
{
    const pugi::xml_node info = Child(body, "DNSInformation");
    if (!IsResponse(body, "GetDNSResponse") || !info || !FieldBool(Child(info, "FromDHCP"), out.fromDhcp)) {
        return false;
    }
    out.searchDomains.clear();
    out.servers.clear();
    return EachChild(
               info, "SearchDomain",
               [&](pugi::xml_node node) { return FieldText(node, out.searchDomains.emplace_back()); }) &&
           EachChild(info, "DNSManual",
                     [&](pugi::xml_node node) { return Host(node, out.servers.emplace_back()); });
}

bool ReadHostname(pugi::xml_node body, HostnameSettings& out)
{
    const pugi::xml_node info = Child(body, "HostnameInformation");
    return IsResponse(body, "GetHostnameResponse") && info &&
           FieldBool(Child(info, "FromDHCP"), out.fromDhcp) && FieldText(Child(info, "Name"), out.name);
}

bool ReadNetworkProtocols(pugi::xml_node body, std::vector<NetworkProtocol>& out)
{
    if (!IsResponse(body, "GetNetworkProtocolsResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "NetworkProtocols", [&](pugi::xml_node node) {
        NetworkProtocol& item = out.emplace_back();
        return FieldText(Child(node, "Name"), item.name) && FieldBool(Child(node, "Enabled"), item.enabled) &&
               EachChild(node, "Port", [&](pugi::xml_node port) {
                   return FieldInt(port, item.ports.emplace_back(), 1, 65535);
               });
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
        return FieldText(Child(node, "Username"), user.name) &&
               FieldText(Child(node, "UserLevel"), user.level);
    });
}

bool ReadFirmwareUploadTicket(pugi::xml_node body, FirmwareUploadTicket& out)
{
    std::string delay;
    std::string downTime;
    if (!IsResponse(body, "StartFirmwareUpgradeResponse") ||
        !FieldText(Child(body, "UploadUri"), out.uploadUri) || out.uploadUri.empty() ||
        !FieldText(Child(body, "UploadDelay"), delay) ||
        !FieldText(Child(body, "ExpectedDownTime"), downTime)) {
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
        return FieldText(Child(node, "Namespace"), service.namespaceUri) &&
               FieldText(Child(node, "XAddr"), service.address) &&
               (!version || (FieldInt(Child(version, "Major"), service.major, 0, 1000) &&
                             FieldInt(Child(version, "Minor"), service.minor, 0, 10000)));
    });
}

bool ReadCapabilities(pugi::xml_node body, DeviceCapabilities& out)
{
    const pugi::xml_node capabilities = Child(body, "Capabilities");
    if (!IsResponse(body, "GetCapabilitiesResponse") || !capabilities) {
        return false;
    }
    const pugi::xml_node system = Path(capabilities, {"Device", "System"});
    return FieldText(Path(capabilities, {"Device", "XAddr"}), out.deviceAddress) &&
           FieldText(Path(capabilities, {"Media", "XAddr"}), out.mediaAddress) &&
           FieldText(Path(capabilities, {"Imaging", "XAddr"}), out.imagingAddress) &&
           FieldText(Path(capabilities, {"Events", "XAddr"}), out.eventsAddress) &&
           FieldBool(Child(system, "FirmwareUpgrade"), out.firmwareUpgrade) &&
           FieldBool(Child(system, "SystemLogging"), out.systemLogging);
}

bool ReadScopes(pugi::xml_node body, std::vector<std::string>& out)
{
    if (!IsResponse(body, "GetScopesResponse")) {
        return false;
    }
    out.clear();
    return EachChild(body, "Scopes", [&](pugi::xml_node node) {
        return FieldText(Child(node, "ScopeItem"), out.emplace_back());
    });
}

} // namespace onvif
