#include "CliUpgradePlan.h"

#include "CliContext.h"
#include "CliOutput.h"
#include "MacText.h"
#include "NetworkParams.h"
#include "UpgradeRules.h"

#include <algorithm>
#include <iostream>
#include <tuple>

std::string ImageVersion(std::string_view fileName)
{
    constexpr std::string_view mark = "VTFImage_";
    const std::size_t at = fileName.find(mark);
    // The platform and sensor characters, then "_" and the version.
    const std::size_t start = at + mark.size() + 3;
    if (at == std::string_view::npos || start > fileName.size() || fileName[start - 1] != '_') {
        return {};
    }
    const std::string_view rest = fileName.substr(start);
    std::string version(rest.substr(0, std::min(rest.find_first_not_of("0123456789."), rest.size())));
    version.erase(version.find_last_not_of('.') + 1);
    return version;
}

bool VersionBelow(const std::string& installed, const std::string& offered)
{
    const FirmwareVersion a = ParseFirmwareVersion(installed);
    const FirmwareVersion b = ParseFirmwareVersion(offered);
    return std::tie(a.a, a.b, a.c, a.d) < std::tie(b.a, b.b, b.c, b.d);
}

bool PlanUpgrade(const CliCommandLine& line, std::vector<tagVtIpcInfo>& targets, int& status)
{
    const bool onlyOlder = line.Has("only-older");
    const std::string offered = ImageVersion(ImageFileName(line.Value("image")));
    if (onlyOlder && offered.empty()) {
        return FailInput(status, "--only-older needs a firmware image whose name carries its version "
                                 "(...VTFImage_PS_31.4.0.90...)");
    }
    OutputFormat format{};
    if (!ParseFormat(line, format, status)) {
        return false;
    }
    if (line.Has("format") && !line.Has("dry-run")) {
        return FailInput(status, "--format goes with --dry-run");
    }
    std::vector<tagVtIpcInfo> chosen;
    OutputTable plan;
    plan.columns = {{"mac", "MAC"},         {"ip", "IP"},           {"model", "Model"},
                    {"version", "Version"}, {"image_version", "Image Version"}, {"action", "Action"}};
    for (const tagVtIpcInfo& camera : targets) {
        const bool older = !onlyOlder || VersionBelow(camera.version, offered);
        if (older) {
            chosen.push_back(camera);
        }
        plan.rows.push_back({FormatMac(camera.mac), camera.ip, camera.model, camera.version, offered,
                             older ? "upgrade" : "current"});
    }
    if (line.Has("dry-run")) {
        std::cout << RenderTable(plan, format) << std::flush;
        status = kExitSuccess;
        return false;
    }
    if (chosen.empty()) {
        std::cerr << "zendrix-cli: every chosen camera has version " << offered << " or newer; nothing was sent\n";
        status = kExitSuccess;
        return false;
    }
    targets = std::move(chosen);
    return true;
}
