#include "SimConfig.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

namespace camsim {
namespace {

constexpr int kMaxCameras = 1 << 20;

const char* kUsage =
    "usage: vtcamsim --interface IF [--count N] [--base-ip A.B.C.D] [--model M] [--version V]\n"
    "                [--user U] [--password P] [--config FILE.json]\n"
    "                [--fault lost-modify|refuse-modify|lost-discovery|slow-http|unreachable|broken-http|\n"
    "                         broken-download|keep-password|odd-imaging]...\n"
    "                [--seed S] [--reboot-ms MS] [--slow-ms MS] [--flash-ms MS] [--http-workers N]\n"
    "                [--link-mbps N] [--reboot-every-s S] [--churn SECONDS-BETWEEN-EVENTS]\n";

bool ParseNumber(const std::string& text, long long low, long long high, long long& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

std::string IpPlus(uint32_t base, uint32_t offset)
{
    in_addr address{};
    address.s_addr = htonl(base + offset);
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &address, text, sizeof(text));
    return text;
}

// "rtspPort", "imagingRange": [min, max].
bool ApplyMediaKeys(const nlohmann::json& entry, SimCamera& camera, std::string& error)
{
    if (entry.contains("rtspPort")) {
        if (!entry["rtspPort"].is_number_unsigned() || entry["rtspPort"].get<unsigned long>() < 1 ||
            entry["rtspPort"].get<unsigned long>() > 65535) {
            error = "\"rtspPort\" must be 1 to 65535";
            return false;
        }
        camera.rtspPort = entry["rtspPort"].get<int>();
    }
    if (entry.contains("imagingRange")) {
        const nlohmann::json& range = entry["imagingRange"];
        if (!range.is_array() || range.size() != 2 || !range[0].is_number_integer() || !range[1].is_number_integer() ||
            range[0].get<long long>() >= range[1].get<long long>() || std::llabs(range[0].get<long long>()) > 100000 ||
            std::llabs(range[1].get<long long>()) > 100000) {
            error = "\"imagingRange\" must be [min, max] with whole numbers min < max within 100000";
            return false;
        }
        camera.imagingMin = range[0].get<int>();
        camera.imagingMax = range[1].get<int>();
    }
    return true;
}

// "protocol", "onvifAuth", "clockOffsetSec", "rebootNeeded", "acceptReusedNonce", "https", "media2", "h265",
// and the media keys.
bool ApplyOnvifKeys(const nlohmann::json& entry, SimCamera& camera, std::string& error)
{
    if (entry.contains("protocol")) {
        const std::string protocol = entry["protocol"].is_string() ? entry["protocol"].get<std::string>() : "";
        if (protocol != "onvif" && protocol != "family") {
            error = "\"protocol\" must be \"family\" or \"onvif\"";
            return false;
        }
        camera.protocol = protocol == "onvif" ? CameraProtocol::Onvif : CameraProtocol::Family;
    }
    if (entry.contains("onvifAuth")) {
        const std::string auth = entry["onvifAuth"].is_string() ? entry["onvifAuth"].get<std::string>() : "";
        if (auth != "digest" && auth != "http-digest") {
            error = "\"onvifAuth\" must be \"digest\" or \"http-digest\"";
            return false;
        }
        camera.onvifAuth = auth == "digest" ? OnvifAuth::WsDigest : OnvifAuth::HttpDigest;
    }
    if (entry.contains("clockOffsetSec")) {
        if (!entry["clockOffsetSec"].is_number_integer() ||
            std::llabs(entry["clockOffsetSec"].get<long long>()) > 10LL * 365 * 86400) {
            error = "\"clockOffsetSec\" must be a whole number of seconds within ten years";
            return false;
        }
        camera.clockOffsetSec = entry["clockOffsetSec"].get<long long>();
    }
    for (auto [key, field] : {std::pair{"rebootNeeded", &camera.rebootNeeded},
                              {"acceptReusedNonce", &camera.acceptReusedNonce},
                              {"https", &camera.https},
                              {"media2", &camera.media2},
                              {"h265", &camera.h265}}) {
        if (entry.contains(key)) {
            if (!entry[key].is_boolean()) {
                error = std::string("\"") + key + "\" must be true or false";
                return false;
            }
            *field = entry[key].get<bool>();
        }
    }
    if (!ApplyMediaKeys(entry, camera, error)) {
        return false;
    }
    if (camera.IsOnvif() && camera.maker.empty()) {
        error = "an ONVIF camera needs a \"maker\"";
        return false;
    }
    return true;
}

} // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& message)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            message = kUsage;
            return false;
        }
        if (i + 1 >= args.size()) {
            message = "vtcamsim: " + option + " needs a value (or is unknown)\n" + kUsage;
            return false;
        }
        const std::string& value = args[++i];
        long long number = 0;
        if (option == "--interface") {
            options.interfaceName = value;
        } else if (option == "--count") {
            if (!ParseNumber(value, 1, kMaxCameras, number)) {
                message = "vtcamsim: --count must be 1 to " + std::to_string(kMaxCameras) + "\n";
                return false;
            }
            options.count = static_cast<int>(number);
        } else if (option == "--base-ip") {
            in_addr address{};
            if (inet_pton(AF_INET, value.c_str(), &address) != 1) {
                message = "vtcamsim: --base-ip is not an IPv4 address: " + value + "\n";
                return false;
            }
            options.baseIp = value;
        } else if (option == "--model") {
            options.model = value;
        } else if (option == "--version") {
            options.version = value;
        } else if (option == "--user") {
            options.user = value;
        } else if (option == "--password") {
            options.password = value;
        } else if (option == "--config") {
            options.configFile = value;
        } else if (option == "--fault") {
            const unsigned fault = FaultFromName(value);
            if (fault == kFaultNone) {
                message = "vtcamsim: unknown fault '" + value + "'\n" + kUsage;
                return false;
            }
            options.faults |= fault;
        } else if (option == "--reboot-ms" || option == "--slow-ms" || option == "--flash-ms") {
            if (!ParseNumber(value, 0, 600000, number)) {
                message = "vtcamsim: " + option + " must be 0 to 600000\n";
                return false;
            }
            int& field = option == "--reboot-ms" ? options.rebootMs
                         : option == "--slow-ms" ? options.slowMs
                                                 : options.flashMs;
            field = static_cast<int>(number);
        } else if (option == "--http-workers") {
            if (!ParseNumber(value, 1, 256, number)) {
                message = "vtcamsim: --http-workers must be 1 to 256\n";
                return false;
            }
            options.httpWorkers = static_cast<int>(number);
        } else if (option == "--link-mbps") {
            if (!ParseNumber(value, 0, 100000, number)) {
                message = "vtcamsim: --link-mbps must be 0 to 100000\n";
                return false;
            }
            options.linkMbps = static_cast<int>(number);
        } else if (option == "--reboot-every-s") {
            if (!ParseNumber(value, 0, 86400, number)) {
                message = "vtcamsim: --reboot-every-s must be 0 to 86400\n";
                return false;
            }
            options.rebootEverySec = static_cast<int>(number);
        } else if (option == "--churn") {
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(seconds >= 0.001 && seconds <= 3600)) {
                message = "vtcamsim: --churn must be 0.001 to 3600 seconds\n";
                return false;
            }
            options.churnMs = static_cast<int>(seconds * 1000);
        } else if (option == "--seed") {
            if (!ParseNumber(value, 0, UINT32_MAX, number)) {
                message = "vtcamsim: --seed must be a number\n";
                return false;
            }
            options.seed = static_cast<uint32_t>(number);
        } else {
            message = "vtcamsim: unknown option " + option + "\n" + kUsage;
            return false;
        }
    }
    if (options.interfaceName.empty()) {
        message = "vtcamsim: --interface is required\n" + std::string(kUsage);
        return false;
    }
    return true;
}

bool BuildCameras(const SimOptions& options, std::vector<SimCamera>& cameras, std::string& error)
{
    in_addr base{};
    if (inet_pton(AF_INET, options.baseIp.c_str(), &base) != 1) {
        error = "bad base address " + options.baseIp;
        return false;
    }
    const uint32_t first = ntohl(base.s_addr);
    if (uint64_t{first} + static_cast<uint64_t>(options.count) > UINT32_MAX) {
        error = "too many cameras for base address " + options.baseIp;
        return false;
    }
    std::mt19937 random(options.seed);
    const auto tag = static_cast<unsigned char>(random());
    const auto now = std::chrono::steady_clock::now();
    cameras.clear();
    cameras.reserve(static_cast<std::size_t>(options.count));
    for (int i = 0; i < options.count; ++i) {
        SimCamera camera;
        const auto index = static_cast<uint32_t>(i + 1);
        camera.mac = {0x02,
                      0x5a,
                      tag,
                      static_cast<unsigned char>(index >> 16),
                      static_cast<unsigned char>(index >> 8),
                      static_cast<unsigned char>(index)};
        camera.ip = IpPlus(first, static_cast<uint32_t>(i));
        camera.gateway = IpPlus(first & 0xFFFF0000u, 1);
        camera.dns = camera.gateway;
        camera.model = options.model;
        camera.version = options.version;
        camera.name = "Camera " + std::to_string(i + 1);
        camera.user = options.user;
        camera.password = options.password;
        camera.upSince = now - std::chrono::seconds(random() % 864000);
        camera.faults = options.faults;
        camera.rebootMs = options.rebootMs;
        camera.slowMs = options.slowMs;
        camera.flashMs = options.flashMs;
        camera.linkMbps = options.linkMbps;
        camera.rebootEverySec = options.rebootEverySec;
        cameras.push_back(std::move(camera));
    }
    if (options.configFile.empty()) {
        return true;
    }
    std::ifstream in(options.configFile);
    if (!in) {
        error = "cannot read " + options.configFile;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    return ApplyConfigText(text.str(), cameras, error);
}

bool ApplyConfigText(const std::string& json, std::vector<SimCamera>& cameras, std::string& error)
{
    const nlohmann::json config = nlohmann::json::parse(json, nullptr, false);
    if (config.is_discarded() || !config.is_object() || !config.contains("cameras") ||
        !config["cameras"].is_array()) {
        error = "the configuration must be an object with a \"cameras\" array";
        return false;
    }
    for (const nlohmann::json& entry : config["cameras"]) {
        if (!entry.is_object() || !entry.contains("index") || !entry["index"].is_number_unsigned() ||
            entry["index"].get<std::size_t>() >= cameras.size()) {
            error = "every camera entry needs an \"index\" below the camera count";
            return false;
        }
        SimCamera& camera = cameras[entry["index"].get<std::size_t>()];
        for (auto [key, field] : {std::pair{"ip", &camera.ip},
                                  {"netmask", &camera.netmask},
                                  {"gateway", &camera.gateway},
                                  {"dns", &camera.dns},
                                  {"model", &camera.model},
                                  {"version", &camera.version},
                                  {"name", &camera.name},
                                  {"user", &camera.user},
                                  {"password", &camera.password},
                                  {"hardware", &camera.hardware},
                                  {"maker", &camera.maker}}) {
            if (entry.contains(key)) {
                if (!entry[key].is_string()) {
                    error = std::string("\"") + key + "\" must be a string";
                    return false;
                }
                *field = entry[key].get<std::string>();
            }
        }
        if (entry.contains("mac") &&
            (!entry["mac"].is_string() || !ParseMac(entry["mac"].get<std::string>(), camera.mac))) {
            error = "\"mac\" must look like 02:5a:00:00:00:01";
            return false;
        }
        if (entry.contains("port")) {
            if (!entry["port"].is_number_integer()) {
                error = "\"port\" must be a number";
                return false;
            }
            camera.port = entry["port"].get<int>();
        }
        for (auto [key, field] : {std::pair{"rebootMs", &camera.rebootMs},
                                  {"slowMs", &camera.slowMs},
                                  {"flashMs", &camera.flashMs}}) {
            if (entry.contains(key)) {
                if (!entry[key].is_number_unsigned() || entry[key].get<unsigned long>() > 600000) {
                    error = std::string("\"") + key + "\" must be 0 to 600000 milliseconds";
                    return false;
                }
                *field = entry[key].get<int>();
            }
        }
        if (entry.contains("rebootEverySec")) {
            if (!entry["rebootEverySec"].is_number_unsigned() ||
                entry["rebootEverySec"].get<unsigned long>() > 86400) {
                error = "\"rebootEverySec\" must be 0 to 86400 seconds";
                return false;
            }
            camera.rebootEverySec = entry["rebootEverySec"].get<int>();
        }
        if (!ApplyOnvifKeys(entry, camera, error)) {
            return false;
        }
        if (entry.contains("uptime")) {
            if (!entry["uptime"].is_number_unsigned()) {
                error = "\"uptime\" must be a number of seconds";
                return false;
            }
            camera.upSince =
                std::chrono::steady_clock::now() - std::chrono::seconds(entry["uptime"].get<long>());
        }
        if (entry.contains("faults")) {
            if (!entry["faults"].is_array()) {
                error = "\"faults\" must be a list of fault names";
                return false;
            }
            camera.faults = kFaultNone;
            for (const nlohmann::json& name : entry["faults"]) {
                const unsigned fault = name.is_string() ? FaultFromName(name.get<std::string>()) : kFaultNone;
                if (fault == kFaultNone) {
                    error = "unknown fault in \"faults\"";
                    return false;
                }
                camera.faults |= fault;
            }
        }
    }
    return true;
}

} // namespace camsim
