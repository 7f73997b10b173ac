// The device service's system side: time, NTP, information, users, reboot,
// factory default, firmware, log, services, capabilities and scopes.
#include "OnvifService.h"
#include "WsSecurity.h"

#include <arpa/inet.h>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <random>

namespace camsim {
namespace {

std::string DateTimeXml(int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    return Element("tt:Time", TextElement("tt:Hour", std::to_string(parts.tm_hour)) +
                                  TextElement("tt:Minute", std::to_string(parts.tm_min)) +
                                  TextElement("tt:Second", std::to_string(parts.tm_sec))) +
           Element("tt:Date", TextElement("tt:Year", std::to_string(parts.tm_year + 1900)) +
                                  TextElement("tt:Month", std::to_string(parts.tm_mon + 1)) +
                                  TextElement("tt:Day", std::to_string(parts.tm_mday)));
}

// tt:DateTime (Time and Date, each of numbers) -> seconds since 1970 UTC.
std::optional<int64_t> ReadDateTime(const pugi::xml_node& node)
{
    std::string text;
    const auto number = [&](std::string_view part, std::string_view field) {
        return ChildText(node, {part, field});
    };
    const std::string year = number("Date", "Year");
    if (year.empty()) {
        return std::nullopt;
    }
    const auto two = [](const std::string& value) { return value.size() == 1 ? "0" + value : value; };
    text = year + "-" + two(number("Date", "Month")) + "-" + two(number("Date", "Day")) + "T" +
           two(number("Time", "Hour")) + ":" + two(number("Time", "Minute")) + ":" + two(number("Time", "Second")) +
           "Z";
    return ParseUtc(text);
}

std::string NetworkHostXml(const std::string& address)
{
    in_addr parsed{};
    return inet_pton(AF_INET, address.c_str(), &parsed) == 1 ? TextElement("tt:Type", "IPv4") + TextElement("tt:IPv4Address", address)
                : TextElement("tt:Type", "DNS") + TextElement("tt:DNSname", address);
}

OnvifAnswer DateAndTime(const OnvifState& state, int64_t now)
{
    const int64_t utc = state.CameraTime(now);
    const int64_t local = utc - PosixTzOffset(state.timeZone).value_or(0);
    return Respond("GetSystemDateAndTime",
                   Element("tds:SystemDateAndTime",
                           TextElement("tt:DateTimeType", state.ntpTime ? "NTP" : "Manual") +
                               TextElement("tt:DaylightSavings", state.daylightSavings ? "true" : "false") +
                               Element("tt:TimeZone", TextElement("tt:TZ", state.timeZone)) +
                               Element("tt:UTCDateTime", DateTimeXml(utc)) +
                               Element("tt:LocalDateTime", DateTimeXml(local))));
}

OnvifAnswer SetDateAndTime(OnvifState& state, const SoapRequest& request, int64_t now)
{
    const std::string type = ChildText(request.action, {"DateTimeType"});
    if (type != "Manual" && type != "NTP") {
        return InvalidArgument("ter:InvalidDateTime", "DateTimeType must be Manual or NTP");
    }
    const pugi::xml_node zone = Child(request.action, "TimeZone");
    const std::string tz = ChildText(zone, {"TZ"});
    if (zone && !PosixTzOffset(tz)) {
        return InvalidArgument("ter:InvalidTimeZone", "the time zone is no POSIX TZ string");
    }
    std::optional<int64_t> utc;
    if (type == "Manual") {
        utc = ReadDateTime(Child(request.action, "UTCDateTime"));
        if (!utc) {
            return InvalidArgument("ter:InvalidDateTime", "a manual time needs a valid UTCDateTime");
        }
    }
    state.ntpTime = type == "NTP";
    state.daylightSavings = ChildText(request.action, {"DaylightSavings"}) == "true";
    if (zone) {
        state.timeZone = tz;
    }
    if (utc) {
        state.clockOffsetSec = *utc - now;
    }
    state.Log(state.CameraTime(now), "time set: " + type + ", zone " + state.timeZone);
    return Respond("SetSystemDateAndTime", "");
}

OnvifAnswer Ntp(const OnvifState& state)
{
    std::string manual;
    for (const std::string& server : state.ntpServers) {
        manual += Element("tt:NTPManual", NetworkHostXml(server));
    }
    return Respond("GetNTP", Element("tds:NTPInformation",
                                     TextElement("tt:FromDHCP", state.ntpFromDhcp ? "true" : "false") + manual));
}

OnvifAnswer SetNtp(OnvifState& state, const SoapRequest& request, int64_t now)
{
    std::vector<std::string> servers;
    for (pugi::xml_node entry = request.action.first_child(); entry; entry = entry.next_sibling()) {
        if (LocalName(entry) != "NTPManual") {
            continue;
        }
        std::string server = ChildText(entry, {"IPv4Address"});
        if (server.empty()) {
            server = ChildText(entry, {"DNSname"});
        }
        if (server.empty() || server.size() > 255 || servers.size() >= 4) {
            return InvalidArgument("ter:InvalidIPv4Address", "each NTP server needs an IPv4 address or a name");
        }
        servers.push_back(server);
    }
    state.ntpFromDhcp = ChildText(request.action, {"FromDHCP"}) == "true";
    state.ntpServers = servers;
    std::string list;
    for (const std::string& server : servers) {
        list += " " + server;
    }
    state.Log(state.CameraTime(now), "NTP servers set:" + list);
    return Respond("SetNTP", "");
}

OnvifAnswer DeviceInformation(const SimCamera& sim)
{
    std::string serial;
    for (const unsigned char byte : sim.mac) {
        serial += "0123456789ABCDEF"[byte >> 4];
        serial += "0123456789ABCDEF"[byte & 15];
    }
    return Respond("GetDeviceInformation",
                   TextElement("tds:Manufacturer", sim.maker) + TextElement("tds:Model", sim.model) +
                       TextElement("tds:FirmwareVersion", sim.version) + TextElement("tds:SerialNumber", serial) +
                       TextElement("tds:HardwareId", sim.hardware));
}

OnvifAnswer Users(const OnvifState& state)
{
    std::string users;
    for (const OnvifUser& user : state.users) {
        users += Element("tds:User", TextElement("tt:Username", user.name) + TextElement("tt:UserLevel", user.level));
    }
    return Respond("GetUsers", users);
}

OnvifAnswer SetUsers(LiveCamera& camera, const SoapRequest& request, int64_t now)
{
    OnvifState& state = camera.onvif;
    std::vector<OnvifUser> users = state.users;
    for (pugi::xml_node entry = Child(request.action, "User"); entry; entry = entry.next_sibling()) {
        if (LocalName(entry) != "User") {
            continue;
        }
        const std::string name = ChildText(entry, {"Username"});
        const std::string password = ChildText(entry, {"Password"});
        OnvifUser* user = nullptr;
        for (OnvifUser& candidate : users) {
            if (candidate.name == name) {
                user = &candidate;
            }
        }
        if (user == nullptr) {
            return InvalidArgument("ter:UsernameMissing", "no such user");
        }
        if (password.empty() || password.size() > 64) {
            return InvalidArgument("ter:PasswordTooLong", "the password must have 1 to 64 characters");
        }
        if (!camera.sim.Has(kFaultKeepPassword)) {
            user->password = password;
        }
        const std::string level = ChildText(entry, {"UserLevel"});
        if (!level.empty()) {
            user->level = level;
        }
    }
    state.users = users;
    for (const OnvifUser& user : users) {
        if (user.name == camera.sim.user) {
            camera.sim.password = user.password;
        }
    }
    state.Log(state.CameraTime(now), "users changed");
    OnvifAnswer answer = Respond("SetUser", "");
    answer.after = OnvifAfter::Restream; // the streams take the new password
    return answer;
}

std::string RandomToken()
{
    std::random_device device;
    return std::to_string(device()) + std::to_string(device());
}

OnvifAnswer Capabilities(const OnvifRequestContext& context)
{
    const std::string device =
        TextElement("tt:XAddr", context.serviceRoot + kDeviceServicePath) +
        Element("tt:Network", TextElement("tt:IPFilter", "false") + TextElement("tt:ZeroConfiguration", "false") +
                                  TextElement("tt:IPVersion6", "false") + TextElement("tt:DynDNS", "false")) +
        Element("tt:System",
                TextElement("tt:DiscoveryResolve", "false") + TextElement("tt:DiscoveryBye", "true") +
                    TextElement("tt:RemoteDiscovery", "false") + TextElement("tt:SystemBackup", "false") +
                    TextElement("tt:SystemLogging", "true") + TextElement("tt:FirmwareUpgrade", "true") +
                    Element("tt:SupportedVersions", TextElement("tt:Major", "2") + TextElement("tt:Minor", "60"))) +
        Element("tt:Security", TextElement("tt:TLS1.1", "false") + TextElement("tt:TLS1.2", "false") +
                                   TextElement("tt:OnboardKeyGeneration", "false") +
                                   TextElement("tt:AccessPolicyConfig", "false") +
                                   TextElement("tt:X.509Token", "false") + TextElement("tt:SAMLToken", "false") +
                                   TextElement("tt:KerberosToken", "false") + TextElement("tt:RELToken", "false"));
    const std::string media =
        TextElement("tt:XAddr", context.serviceRoot + kMediaServicePath) +
        Element("tt:StreamingCapabilities", TextElement("tt:RTPMulticast", "false") +
                                                TextElement("tt:RTP_TCP", "true") +
                                                TextElement("tt:RTP_RTSP_TCP", "true"));
    const std::string imaging = TextElement("tt:XAddr", context.serviceRoot + kImagingServicePath);
    return Respond("GetCapabilities", Element("tds:Capabilities", Element("tt:Device", device) +
                                                                      Element("tt:Imaging", imaging) +
                                                                      Element("tt:Media", media)));
}

OnvifAnswer Services(const OnvifRequestContext& context, bool media2)
{
    const auto service = [&](const char* ns, const char* path) {
        return Element("tds:Service", TextElement("tds:Namespace", ns) +
                                          TextElement("tds:XAddr", context.serviceRoot + path) +
                                          Element("tds:Version", TextElement("tt:Major", "2") +
                                                                     TextElement("tt:Minor", "60")));
    };
    return Respond("GetServices",
                   service("http://www.onvif.org/ver10/device/wsdl", kDeviceServicePath) +
                       service("http://www.onvif.org/ver10/media/wsdl", kMediaServicePath) +
                       (media2 ? service("http://www.onvif.org/ver20/media/wsdl", kMedia2ServicePath) : std::string()) +
                       service("http://www.onvif.org/ver20/imaging/wsdl", kImagingServicePath));
}

OnvifAnswer Scopes(const SimCamera& sim)
{
    std::string scopes;
    for (const std::string& scope : CameraScopes(sim)) {
        scopes += Element("tds:Scopes", TextElement("tt:ScopeDef", "Fixed") + TextElement("tt:ScopeItem", scope));
    }
    return Respond("GetScopes", scopes);
}

OnvifAnswer SystemLog(const OnvifState& state)
{
    std::string lines;
    for (const std::string& line : state.systemLog) {
        lines += line + "\n";
    }
    return Respond("GetSystemLog", Element("tds:SystemLog", TextElement("tt:String", lines)));
}

OnvifAnswer FactoryDefault(LiveCamera& camera, int64_t now)
{
    OnvifState fresh = InitialOnvifState(camera.sim);
    fresh.clockOffsetSec = camera.onvif.clockOffsetSec;
    fresh.systemLog = camera.onvif.systemLog;
    camera.onvif = std::move(fresh);
    camera.onvif.Log(camera.onvif.CameraTime(now), "factory default");
    OnvifAnswer answer = Respond("SetSystemFactoryDefault", "");
    answer.after = OnvifAfter::Reboot;
    return answer;
}

OnvifAnswer UpgradeInline(LiveCamera& camera, const SoapRequest& request, int64_t now)
{
    const std::optional<std::string> image = Base64Decode(ChildText(request.action, {"Firmware"}));
    const std::optional<std::string> version = image ? OnvifImageVersion(*image, camera.sim.model) : std::nullopt;
    if (!version) {
        return InvalidArgument("ter:InvalidFirmware", "the image does not fit this camera");
    }
    camera.onvif.Log(camera.onvif.CameraTime(now), "firmware upgrade to " + *version);
    OnvifAnswer answer = Respond("UpgradeSystemFirmware", TextElement("tds:Message", "Upgrading"));
    answer.after = OnvifAfter::Flash;
    answer.flashVersion = version;
    return answer;
}

} // namespace

std::vector<std::string> CameraScopes(const SimCamera& camera)
{
    const auto encode = [](const std::string& text) {
        std::string encoded;
        for (const char c : text) {
            if (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' || c == '.') {
                encoded += c;
            } else {
                char escaped[4];
                std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
                encoded += escaped;
            }
        }
        return encoded;
    };
    return {"onvif://www.onvif.org/type/video_encoder", "onvif://www.onvif.org/Profile/Streaming",
            "onvif://www.onvif.org/name/" + encode(camera.name.empty() ? camera.model : camera.name),
            "onvif://www.onvif.org/hardware/" + encode(camera.model),
            "onvif://www.onvif.org/location/site"};
}

std::optional<std::string> OnvifImageVersion(std::string_view image, const std::string& model)
{
    const std::string head = "ONVIF-IMAGE " + model + " ";
    const auto end = image.find('\n');
    if (image.substr(0, head.size()) != head || end == std::string_view::npos || end <= head.size() ||
        end - head.size() > 32) {
        return std::nullopt;
    }
    const std::string version(image.substr(head.size(), end - head.size()));
    for (const char c : version) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0 && c != '.') {
            return std::nullopt;
        }
    }
    return version;
}

std::optional<OnvifAnswer> AnswerSystemRequest(LiveCamera& camera, const SoapRequest& request,
                                               const OnvifRequestContext& context)
{
    const std::string& action = request.actionName;
    OnvifState& state = camera.onvif;
    if (action == "GetSystemDateAndTime") {
        return DateAndTime(state, context.now);
    }
    if (action == "SetSystemDateAndTime") {
        return SetDateAndTime(state, request, context.now);
    }
    if (action == "GetNTP") {
        return Ntp(state);
    }
    if (action == "SetNTP") {
        return SetNtp(state, request, context.now);
    }
    if (action == "GetDeviceInformation") {
        return DeviceInformation(camera.sim);
    }
    if (action == "GetUsers") {
        return Users(state);
    }
    if (action == "SetUser") {
        return SetUsers(camera, request, context.now);
    }
    if (action == "SystemReboot") {
        state.Log(state.CameraTime(context.now), "reboot");
        OnvifAnswer answer = Respond(action, TextElement("tds:Message", "Rebooting in " +
                                                                          std::to_string(camera.sim.rebootMs / 1000) +
                                                                          " seconds"));
        answer.after = OnvifAfter::Reboot;
        return answer;
    }
    if (action == "SetSystemFactoryDefault") {
        return FactoryDefault(camera, context.now);
    }
    if (action == "StartFirmwareUpgrade") {
        state.uploadToken = RandomToken();
        const int downSec = (camera.sim.flashMs + camera.sim.rebootMs) / 1000 + 1;
        return Respond(action, TextElement("tds:UploadUri", context.serviceRoot + kFirmwareUploadPath +
                                                                state.uploadToken) +
                                   TextElement("tds:UploadDelay", "PT0S") +
                                   TextElement("tds:ExpectedDownTime", "PT" + std::to_string(downSec) + "S"));
    }
    if (action == "UpgradeSystemFirmware") {
        return UpgradeInline(camera, request, context.now);
    }
    if (action == "GetSystemLog") {
        return SystemLog(state);
    }
    if (action == "GetServices") {
        return Services(context, camera.sim.media2);
    }
    if (action == "GetCapabilities") {
        return Capabilities(context);
    }
    if (action == "GetScopes") {
        return Scopes(camera.sim);
    }
    if (action == "GetWsdlUrl") {
        return Respond(action, TextElement("tds:WsdlUrl", "http://www.onvif.org/ver10/device/wsdl/devicemgmt.wsdl"));
    }
    return std::nullopt;
}

} // namespace camsim
