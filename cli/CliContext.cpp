#include "CliContext.h"

#include "AddressRules.h"
#include "CliPassword.h"
#include "CliSession.h"
#include "LangKeys.h"
#include "LangTable.h"
#include "MacText.h"
#include "PanelLineText.h"
#include "SetIpPlan.h"
#include "SystemParams.h"
#include "TargetRules.h"
#include "Utf8Text.h"

#include <algorithm>
#include <ctime>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <termios.h>
#include <thread>
#include <unistd.h>

std::vector<CliOptionSpec> DiscoveryOptions()
{
    return {{"iface", true}, {"wait", true}, {"protocol", true}};
}

std::vector<CliOptionSpec> TargetOptions()
{
    return {{"mac", true}, {"ip", true}, {"model", true}, {"targets", true}, {"all", false}};
}

std::vector<CliOptionSpec> CredentialOptions()
{
    return {{"user", true}, {"password", true}, {"password-stdin", false}, {"password-fd", true}};
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

bool ProtocolOption(const CliCommandLine& line, ProtocolChoice& choice, std::string& error)
{
    const std::string word = line.Value("protocol", "all");
    if (!ParseProtocolChoice(word, choice)) {
        error = "--protocol takes family, onvif or all, not " + word;
        return false;
    }
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
    if (!ReadPasswordOption(line, login.password, error)) {
        return false;
    }
    if (login.password.empty()) {
        login.password = Environment("ZENDRIX_PASSWORD");
    }
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

bool FailInput(int& status, const std::string& message)
{
    std::cerr << "zendrix-cli: " << message << "\n";
    status = kExitBadInput;
    return false;
}

void PrintPanelLine(const std::wstring& text, bool stamped)
{
    std::cout << SafeText(Utf8(FormatPanelLine(text, stamped, std::time(nullptr)))) << "\n" << std::flush;
}

std::string KeyText(unsigned key)
{
    const wchar_t* english = LangDefaultText(key);
    return Utf8(LangText(key, english != nullptr ? english : L""));
}

bool ParseLine(CliCommandLine& line, const std::vector<std::string>& arguments,
               const std::vector<CliOptionSpec>& specs, int& status)
{
    std::string error;
    if (!line.Parse(arguments, specs, false, error)) {
        return FailInput(status, error);
    }
    return true;
}

bool ParseFormat(const CliCommandLine& line, OutputFormat& format, int& status, const char* fallback)
{
    if (!ParseOutputFormat(line.Value("format", fallback), format)) {
        return FailInput(status, "--format takes table, csv or json");
    }
    return true;
}

bool ParseNumber(const CliCommandLine& line, const std::string& option, int low, int high, int& value,
                 std::string& error)
{
    const std::string text = line.Value(option);
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || *end != '\0' || errno != 0 || number < low || number > high) {
        error = "--" + option + " takes a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not " + text;
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

bool ParseSwitch(const CliCommandLine& line, const std::string& option, bool& value, std::string& error)
{
    const std::string text = line.Value(option);
    if (text == "on" || text == "1" || text == "yes") {
        value = true;
    } else if (text == "off" || text == "0" || text == "no") {
        value = false;
    } else {
        error = "--" + option + " takes on or off, not " + text;
        return false;
    }
    return true;
}

bool PrepareTargets(const CliCommandLine& line, CliTargets& prepared, int& status,
                    std::unique_ptr<CliSession>* keepSession)
{
    std::string error;
    long wait = 0;
    ProtocolChoice choice{};
    if (!DiscoveryWait(line, wait, error) || !ProtocolOption(line, choice, error) ||
        !ResolveCredentials(line, prepared.login, error)) {
        return FailInput(status, error);
    }
    auto opened = std::make_unique<CliSession>(PrintPanelLine);
    CliSession& session = *opened;
    session.SetLogin(prepared.login);
    if (!session.Open(line.Values("iface"), error)) {
        return FailInput(status, error);
    }
    session.Discover(std::chrono::milliseconds(wait));
    const std::vector<tagVtIpcInfo> cameras = session.Cameras(choice);
    if (!SelectTargets(line, cameras, prepared.targets, error)) {
        return FailInput(status, error);
    }
    const std::vector<ListedCamera> listed = session.Listed(choice);
    for (const tagVtIpcInfo& target : prepared.targets) {
        const auto same = std::find_if(listed.begin(), listed.end(), [&](const ListedCamera& camera) {
            return std::memcmp(camera.info.mac, target.mac, sizeof target.mac) == 0;
        });
        prepared.protocols.push_back(same != listed.end() ? same->protocol : ProtocolMark{});
    }
    // Two cameras answering at one address cannot be told apart by a login.
    std::vector<std::string> ips;
    for (const tagVtIpcInfo& camera : cameras) {
        ips.push_back(camera.ip);
    }
    for (std::size_t row = 0; row < cameras.size(); ++row) {
        const bool chosen = std::any_of(prepared.targets.begin(), prepared.targets.end(), [&](const tagVtIpcInfo& t) {
            return std::memcmp(t.mac, cameras[row].mac, sizeof t.mac) == 0;
        });
        if (chosen && SharesAddress(ips, row)) {
            return FailInput(status, CameraLabel(cameras[row]) + ": " + KeyText(90012));
        }
    }
    if (keepSession != nullptr) {
        *keepSession = std::move(opened);
    }
    return true;
}

int RunBatch(const std::vector<tagVtIpcInfo>& targets, const BatchEngine::Operation& operation,
             const std::vector<unsigned>& successKeys, int maxParallel)
{
    int status = kExitSuccess;
    BatchEngine::Run(
        targets, operation,
        [&](std::size_t index, std::vector<PanelLine> lines) {
            for (const PanelLine& line : lines) {
                PrintPanelLine(line.text, line.stamped);
                const bool success = std::any_of(successKeys.begin(), successKeys.end(), [&](unsigned key) {
                    return line.text == CameraLine(targets[index], key).text;
                });
                if (!success) {
                    std::cerr << "zendrix-cli: " << SafeText(Utf8(line.text)) << "\n";
                    status = kExitSomeFailed;
                }
            }
        },
        maxParallel);
    return status;
}

std::shared_ptr<RebootQueue> PrintingRebootQueue(std::shared_ptr<std::atomic<bool>> failed)
{
    return std::make_shared<RebootQueue>(RebootQueue::Reboot{}, RebootQueue::OpenWeb{},
                                         [failed = std::move(failed)](const PanelLine& line, bool rebooted) {
                                             PrintPanelLine(line.text, line.stamped);
                                             if (!rebooted) {
                                                 std::cerr << "zendrix-cli: " << SafeText(Utf8(line.text)) << "\n";
                                                 *failed = true;
                                             }
                                         });
}

void WaitForReboots(const RebootQueue& queue)
{
    while (queue.Pending() > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

bool ParseCalendarTime(const std::string& date, const std::string& time, LogDateTime& when)
{
    LogDateTime t;
    char tail = 0;
    if (std::sscanf(date.c_str(), "%4d-%2d-%2d%c", &t.year, &t.month, &t.day, &tail) != 3 ||
        std::sscanf(time.c_str(), "%2d:%2d:%2d%c", &t.hour, &t.minute, &t.second, &tail) != 3) {
        return false;
    }
    if (t.year > 2037 || !IsRealDateTime({t.year, t.month, t.day, t.hour, t.minute, t.second})) {
        return false;
    }
    when = t;
    return true;
}
