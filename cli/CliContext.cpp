#include "CliContext.h"

#include "DeviceRules.h"
#include "SetIpPlan.h"
#include "Utf8Text.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <termios.h>
#include <unistd.h>

std::vector<CliOptionSpec> DiscoveryOptions()
{
    return {{"iface", true}, {"wait", true}};
}

std::vector<CliOptionSpec> TargetOptions()
{
    return {{"mac", true}, {"ip", true}, {"model", true}, {"targets", true}, {"all", false}};
}

std::vector<CliOptionSpec> CredentialOptions()
{
    return {{"user", true}, {"password", true}};
}

std::vector<CliOptionSpec> Join(std::vector<std::vector<CliOptionSpec>> groups)
{
    std::vector<CliOptionSpec> all;
    for (auto& group : groups) {
        all.insert(all.end(), group.begin(), group.end());
    }
    return all;
}

bool DiscoveryWait(const CliCommandLine& line, long& milliseconds, std::string& error)
{
    const std::string text = line.Value("wait", "3");
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(seconds >= 0.5 && seconds <= 600)) {
        error = "--wait takes seconds from 0.5 to 600, not " + text;
        return false;
    }
    milliseconds = static_cast<long>(seconds * 1000);
    return true;
}

namespace {
std::string ReadHidden(const std::string& prompt)
{
    std::cerr << prompt << std::flush;
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string text;
    std::getline(std::cin, text);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << "\n";
    }
    return text;
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}
} // namespace

bool ResolveCredentials(const CliCommandLine& line, LoginCredentials& login, std::string& error)
{
    login.user = line.Value("user", Environment("ZENDRIX_USER"));
    if (login.user.empty()) {
        login.user = "admin";
    }
    login.password = line.Value("password", Environment("ZENDRIX_PASSWORD"));
    if (login.password.empty()) {
        if (isatty(STDIN_FILENO) == 0) {
            error = "no password: give --password, set ZENDRIX_PASSWORD, or run on a terminal to be asked";
            return false;
        }
        login.password = ReadHidden("Password for " + login.user + ": ");
    }
    if (login.password.empty()) {
        error = "the password is empty";
        return false;
    }
    if (login.user.size() > 31 || login.password.size() > 15) {
        error = "the user name may have 31 bytes and the password 15";
        return false;
    }
    return true;
}

bool SelectTargets(const CliCommandLine& line, const std::vector<tagVtIpcInfo>& cameras,
                   std::vector<tagVtIpcInfo>& targets, std::string& error)
{
    std::vector<std::string> macs;
    std::vector<std::string> ips = line.Values("ip");
    for (const std::string& mac : line.Values("mac")) {
        const std::string normal = NormaliseMac(mac);
        if (normal.empty()) {
            error = "not a hardware address: " + mac;
            return false;
        }
        macs.push_back(normal);
    }
    if (line.Has("targets")) {
        std::ifstream file(line.Value("targets"));
        if (!file) {
            error = "cannot read " + line.Value("targets");
            return false;
        }
        std::string text;
        int number = 0;
        while (std::getline(file, text)) {
            ++number;
            const std::string first = text.substr(0, text.find(','));
            const std::string field = first.substr(0, first.find_last_not_of(" \t\r") + 1);
            if (field.empty() || field[0] == '#' || (number == 1 && (field == "mac" || field == "ip"))) {
                continue;
            }
            if (const std::string normal = NormaliseMac(field); !normal.empty()) {
                macs.push_back(normal);
            } else if (IsValidAddress(field)) {
                ips.push_back(field);
            } else {
                error = line.Value("targets") + " line " + std::to_string(number) +
                        ": neither a MAC nor an IP: " + field;
                return false;
            }
        }
    }
    const std::vector<std::string> models = line.Values("model");
    const bool all = line.Has("all");
    if (!all && macs.empty() && ips.empty() && models.empty()) {
        error = "name the cameras: --mac, --ip, --model, --targets FILE or --all";
        return false;
    }
    std::set<std::string> unmatched(macs.begin(), macs.end());
    unmatched.insert(ips.begin(), ips.end());
    unmatched.insert(models.begin(), models.end());
    targets.clear();
    for (const tagVtIpcInfo& camera : cameras) {
        const std::string mac = FormatMac(camera.mac);
        const bool byMac = std::find(macs.begin(), macs.end(), mac) != macs.end();
        const bool byIp = std::find(ips.begin(), ips.end(), camera.ip) != ips.end();
        const bool byModel = std::find(models.begin(), models.end(), camera.model) != models.end();
        if (byMac) {
            unmatched.erase(mac);
        }
        if (byIp) {
            unmatched.erase(camera.ip);
        }
        if (byModel) {
            unmatched.erase(camera.model);
        }
        if (all || byMac || byIp || byModel) {
            targets.push_back(camera);
        }
    }
    if (!unmatched.empty()) {
        error = "no camera found for:";
        for (const std::string& name : unmatched) {
            error += " " + name;
        }
        return false;
    }
    if (targets.empty()) {
        error = "no camera was found";
        return false;
    }
    return true;
}

bool Confirm(const std::string& question)
{
    if (isatty(STDIN_FILENO) == 0) {
        return false;
    }
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

std::string CameraLabel(const tagVtIpcInfo& camera)
{
    return FormatMac(camera.mac) + " " + camera.ip;
}

std::string Utf8(const std::wstring& text)
{
    return PlatformToUtf8(text);
}
