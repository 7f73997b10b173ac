#include "DemoSite.h"

#include <arpa/inet.h>
#include <fstream>
#include <nlohmann/json.hpp>

namespace {
std::string IpPlus(const std::string& base, unsigned offset)
{
    in_addr address{};
    inet_pton(AF_INET, base.c_str(), &address);
    address.s_addr = htonl(ntohl(address.s_addr) + offset);
    char text[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}
} // namespace

Site ReadSite(const std::string& configPath)
{
    Site site;
    std::ifstream in(ZX_DEMO_SITE);
    nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
    if (json.is_discarded() || !json.contains("site") || !json.contains("cameras")) {
        site.error = std::string("cannot read the site file ") + ZX_DEMO_SITE;
        return site;
    }
    const nlohmann::json& head = json["site"];
    site.user = head["user"].get<std::string>();
    site.password = head["password"].get<std::string>();
    const int count = head["count"].get<int>();
    const std::string base = head["baseIp"].get<std::string>();
    site.cameras.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        site.cameras[static_cast<std::size_t>(i)] = {IpPlus(base, static_cast<unsigned>(i)), "VT-C6121",
                                                     site.password, "31.4.0.83"};
    }
    std::vector<std::size_t> onvif;
    for (nlohmann::json& entry : json["cameras"]) {
        if (entry.value("protocol", "family") == "onvif") {
            onvif.push_back(entry["index"].get<std::size_t>());
        }
        SiteCamera& camera = site.cameras.at(entry["index"].get<std::size_t>());
        camera.ip = entry.value("ip", camera.ip);
        camera.model = entry.value("model", camera.model);
        camera.password = entry.value("password", camera.password);
        camera.version = entry.value("version", camera.version);
        entry.erase("rebootEverySec");
    }
    for (auto index = onvif.rbegin(); index != onvif.rend(); ++index) {
        site.onvifIps.push_back(site.cameras[*index].ip);
        site.cameras.erase(site.cameras.begin() + static_cast<std::ptrdiff_t>(*index));
    }
    std::ofstream(configPath) << json.dump();
    site.simArgs = {"--count",    std::to_string(count),
                    "--base-ip",  base,
                    "--user",     site.user,
                    "--password", site.password,
                    "--seed",     std::to_string(head["seed"].get<int>()),
                    "--config",   configPath,
                    "--reboot-ms", "800",
                    "--flash-ms", "300"};
    return site;
}
