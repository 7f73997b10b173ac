#include "CliCommands.h"

#include "AddressRules.h"
#include "BatchEngine.h"
#include "CertificatePins.h"
#include "CliContext.h"
#include "CliSession.h"
#include "MacText.h"
#include "NetworkForm.h"
#include "RecordText.h"
#include "SetIpPlan.h"
#include "TimeZoneTable.h"
#include "Utf8Text.h"
#include "VtIpcSDK.h"

#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <thread>

namespace {
// Every change gets the discovery library's 15 s to be answered, and a
// little more for the sweeper to report it.
constexpr auto kModifyAnswerLimit = std::chrono::seconds(17);
// Changes go out one every 20 ms, as the window sends a batch.
constexpr auto kModifyPacing = std::chrono::milliseconds(20);

// Opens the capture devices and waits for the cameras' replies; choice is
// what --protocol picks from them.
bool DiscoverCameras(const CliCommandLine& line, CliSession& session, ProtocolChoice& choice, int& status)
{
    long wait = 0;
    std::string error;
    if (!DiscoveryWait(line, wait, error) || !ProtocolOption(line, choice, error)) {
        return FailInput(status, error);
    }
    if (!session.Open(line.Values("iface"), error)) {
        return FailInput(status, error);
    }
    session.Discover(std::chrono::milliseconds(wait));
    return true;
}

// A command that needs no login still reads the ONVIF cameras with one when
// the user gave it (an option or the environment); it never asks for one.
bool OptionalLogin(const CliCommandLine& line, CliSession& session, int& status)
{
    const char* environment = std::getenv("ZENDRIX_PASSWORD");
    if (!line.Has("password") && !line.Has("password-stdin") && !line.Has("password-fd") &&
        (environment == nullptr || *environment == '\0')) {
        return true;
    }
    LoginCredentials login;
    std::string error;
    if (!ResolveCredentials(line, login, error)) {
        return FailInput(status, error);
    }
    session.SetLogin(login);
    return true;
}

OutputTable CameraTable(const std::vector<ListedCamera>& cameras)
{
    OutputTable table;
    table.columns = {
        {"name", "Device Name"}, {"mac", "MAC"},         {"ip", "IP"},       {"port", "Port", true},
        {"netmask", "Netmask"},  {"gateway", "Gateway"}, {"model", "Model"}, {"started", "Run Up Time"},
        {"version", "Version"},  {"protocol", "Protocol"}};
    const std::time_t now = std::time(nullptr);
    for (const auto& [camera, protocol] : cameras) {
        table.rows.push_back({Utf8(NameText(camera)), FormatMac(camera.mac), Utf8(FieldText(camera.ip)),
                              std::to_string(camera.port), Utf8(FieldText(camera.netmask)),
                              Utf8(FieldText(camera.gateway)), Utf8(FieldText(camera.model)),
                              Utf8(RunUpTimeText(now, camera.upTime)), Utf8(FieldText(camera.version)),
                              ProtocolWord(protocol)});
    }
    return table;
}

// The plan rows of set-ip from its options: one camera, a CSV file, or
// sequential addresses over the chosen cameras.
bool PlanRows(const CliCommandLine& line, const std::vector<tagVtIpcInfo>& cameras,
              std::vector<SetIpRow>& rows, int& status)
{
    const int modes =
        (line.Has("csv") ? 1 : 0) + (line.Has("start-ip") ? 1 : 0) + (line.Has("new-ip") ? 1 : 0);
    if (modes != 1) {
        return FailInput(status,
                    "give exactly one of --new-ip (one camera), --csv FILE or --start-ip (sequential)");
    }
    std::vector<PlanProblem> problems;
    if (line.Has("csv")) {
        std::ifstream file(line.Value("csv"), std::ios::binary);
        if (!file) {
            return FailInput(status, "cannot read " + line.Value("csv"));
        }
        std::stringstream text;
        text << file.rdbuf();
        rows = ParseSetIpCsv(text.str(), problems);
        for (const PlanProblem& problem : problems) {
            std::cerr << "zendrix-cli: " << line.Value("csv") << " line " << problem.line << ": "
                      << problem.message << "\n";
        }
        if (!problems.empty()) {
            status = kExitBadInput;
            return false;
        }
        return true;
    }
    std::vector<tagVtIpcInfo> targets;
    std::string error;
    if (!SelectTargets(line, cameras, targets, error)) {
        return FailInput(status, error);
    }
    if (line.Has("new-ip") && targets.size() != 1) {
        return FailInput(status,
                    "--new-ip changes one camera; " + std::to_string(targets.size()) + " were chosen");
    }
    if (line.Has("start-ip") && !IsValidAddress(line.Value("start-ip"))) {
        return FailInput(status, "not a valid start address: " + line.Value("start-ip"));
    }
    const std::vector<std::string> addresses =
        line.Has("new-ip") ? std::vector<std::string>{line.Value("new-ip")}
                           : SequentialAddresses(line.Value("start-ip"), targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        SetIpRow row;
        row.mac = FormatMac(targets[i].mac);
        row.ip = addresses[i];
        row.netmask = line.Value("netmask");
        row.gateway = line.Value("gateway");
        row.dns = line.Value("dns");
        row.port = line.Value("port");
        row.name = line.Value("name");
        rows.push_back(row);
    }
    if (line.Has("name") && rows.size() > 1) {
        return FailInput(status, "--name goes with one camera only");
    }
    return true;
}
} // namespace

int RunDiscover(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    CliCommandLine line;
    OutputFormat format{};
    if (!ParseLine(line, arguments, Join({DiscoveryOptions(), CredentialOptions(), {{"format", true}}}), status) ||
        !ParseFormat(line, format, status)) {
        return status;
    }
    CliSession session(PrintPanelLine);
    ProtocolChoice choice{};
    if (!OptionalLogin(line, session, status) || !DiscoverCameras(line, session, choice, status)) {
        return status;
    }
    std::cout << RenderTable(CameraTable(session.Listed(choice)), format) << std::flush;
    return kExitSuccess;
}

int RunSetIp(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    CliCommandLine line;
    const auto specs = Join({DiscoveryOptions(),
                             TargetOptions(),
                             CredentialOptions(),
                             {{"csv", true},
                              {"new-ip", true},
                              {"start-ip", true},
                              {"netmask", true},
                              {"gateway", true},
                              {"dns", true},
                              {"port", true},
                              {"name", true},
                              {"dry-run", false},
                              {"format", true}}});
    OutputFormat format{};
    if (!ParseLine(line, arguments, specs, status) || !ParseFormat(line, format, status)) {
        return status;
    }
    LoginCredentials login;
    std::string error;
    if (!line.Has("dry-run") && !ResolveCredentials(line, login, error)) {
        FailInput(status, error);
        return status;
    }
    CliSession session(PrintPanelLine);
    if (!line.Has("dry-run")) {
        session.SetLogin(login);
    } else if (!OptionalLogin(line, session, status)) {
        return status;
    }
    ProtocolChoice choice{};
    if (!DiscoverCameras(line, session, choice, status)) {
        return status;
    }
    const std::vector<tagVtIpcInfo> cameras = session.Cameras(choice);
    std::vector<SetIpRow> rows;
    if (!PlanRows(line, cameras, rows, status)) {
        return status;
    }
    const std::vector<PlanProblem> problems = CheckSetIpPlan(rows, cameras);
    for (const PlanProblem& problem : problems) {
        std::cerr << "zendrix-cli: "
                  << (problem.line != 0 ? "line " + std::to_string(problem.line) + ": " : "")
                  << (problem.mac.empty() ? "" : problem.mac + ": ") << problem.message << "\n";
    }
    if (!problems.empty()) {
        std::cerr << "zendrix-cli: nothing was sent\n";
        return kExitBadInput;
    }
    std::map<std::string, tagVtIpcInfo> byMac;
    for (const tagVtIpcInfo& camera : cameras) {
        byMac[FormatMac(camera.mac)] = camera;
    }
    if (line.Has("dry-run")) {
        OutputTable plan;
        plan.columns = {{"mac", "MAC"},         {"old_ip", "Old IP"},   {"ip", "IP"},
                        {"netmask", "Netmask"}, {"gateway", "Gateway"}, {"dns", "DNS"},
                        {"port", "Port", true}, {"name", "Device Name"}};
        // The camera's present values beside, so a script can tell a row that changes nothing.
        const std::vector<OutputColumn> present = {{"old_netmask", "Old Netmask"}, {"old_gateway", "Old Gateway"},
                                                   {"old_dns", "Old DNS"},         {"old_port", "Old Port", true},
                                                   {"old_name", "Old Name"}};
        plan.columns.insert(plan.columns.end(), present.begin(), present.end());
        for (const SetIpRow& row : rows) {
            const tagVtIpcInfo& camera = byMac[row.mac];
            plan.rows.push_back({row.mac, camera.ip, row.ip, row.netmask, row.gateway, row.dns, row.port,
                                 row.name.empty() ? Utf8(NameText(camera)) : row.name, Utf8(FieldText(camera.netmask)),
                                 Utf8(FieldText(camera.gateway)), Utf8(FieldText(camera.dns)),
                                 std::to_string(camera.port), Utf8(NameText(camera))});
        }
        std::cout << RenderTable(plan, format) << std::flush;
        return kExitSuccess;
    }
    std::vector<std::string> macs;
    for (const SetIpRow& row : rows) {
        const tagVtIpcInfo& camera = byMac[row.mac];
        NetworkForm form;
        form.user = PlatformFromUtf8(login.user);
        form.password = PlatformFromUtf8(login.password);
        form.singleMode = !row.name.empty();
        form.name = PlatformFromUtf8(row.name);
        form.netmask = PlatformFromUtf8(row.netmask);
        form.gateway = PlatformFromUtf8(row.gateway);
        form.dns = PlatformFromUtf8(row.dns);
        form.port = PlatformFromUtf8(row.port);
        if (!session.Modify(BuildModifyRequest(camera, form, row.ip))) {
            std::cerr << "zendrix-cli: " << CameraLabel(camera) << ": the change could not be sent\n";
            status = kExitSomeFailed;
            continue;
        }
        macs.push_back(row.mac);
        std::this_thread::sleep_for(kModifyPacing);
    }
    const std::map<std::string, int> outcomes = session.WaitForOutcomes(macs, kModifyAnswerLimit);
    int changed = 0;
    for (const auto& [mac, outcome] : outcomes) {
        if (outcome == 0) {
            ++changed;
            continue;
        }
        status = kExitSomeFailed;
        std::cerr << "zendrix-cli: " << CameraLabel(byMac[mac]) << ": "
                  << (outcome < 0 ? "the camera refused the change" : "no answer after 15 s") << "\n";
    }
    std::cerr << "zendrix-cli: " << changed << " of " << rows.size() << " cameras changed\n";
    return status;
}

int RunInventory(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    CliCommandLine line;
    OutputFormat format{};
    if (!ParseLine(line, arguments, Join({DiscoveryOptions(), CredentialOptions(), {{"format", true}}}),
                   status) ||
        !ParseFormat(line, format, status, "csv")) {
        return status;
    }
    LoginCredentials login;
    std::string error;
    if (!ResolveCredentials(line, login, error)) {
        FailInput(status, error);
        return status;
    }
    CliSession session(PrintPanelLine);
    session.SetLogin(login);
    ProtocolChoice choice{};
    if (!DiscoverCameras(line, session, choice, status)) {
        return status;
    }
    const std::vector<ListedCamera> listed = session.Listed(choice);
    std::vector<tagVtIpcInfo> cameras;
    for (const ListedCamera& camera : listed) {
        cameras.push_back(camera.info);
    }
    std::vector<SystemDateRecord> dates(cameras.size());
    std::vector<char> readable(cameras.size(), 0);
    std::vector<char> answered(cameras.size(), 0);
    BatchEngine::Run(
        cameras,
        [&](const tagVtIpcInfo& camera, std::size_t index) {
            PanelLine failure;
            const std::shared_ptr<Camera> loggedIn = LoginCamera(camera, login, &failure);
            if (!loggedIn) {
                return std::vector<PanelLine>{failure};
            }
            answered[index] = 1;
            readable[index] = loggedIn->GetSystemDate(dates[index]).Done() ? 1 : 0;
            return CameraNoteLines(camera, *loggedIn);
        },
        [&](std::size_t index, std::vector<PanelLine> lines) {
            for (const PanelLine& told : lines) {
                std::cerr << "zendrix-cli: " << SafeText(Utf8(told.text)) << "\n";
            }
            if (!answered[index]) {
                status = kExitSomeFailed;
            }
        });
    OutputTable table = CameraTable(listed);
    table.columns.erase(table.columns.begin() + 7); // the start time is not a record of the site
    table.columns.push_back({"time_zone", "Time Zone"});
    table.columns.push_back({"time_zone_row", "Row", true});
    table.columns.push_back({"ntp", "NTP Server"});
    table.columns.push_back({"certificate", "Certificate SHA-256"});
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        std::vector<std::string>& row = table.rows[i];
        row.erase(row.begin() + 7);
        const char* zone = readable[i] ? TimeZoneCaption(dates[i].timeZone) : nullptr;
        row.push_back(zone != nullptr ? zone : "");
        row.push_back(readable[i] ? std::to_string(dates[i].timeZone) : "");
        row.push_back(
            readable[i] && dates[i].mode == 1
                ? std::string(dates[i].ntpServer, ::strnlen(dates[i].ntpServer, sizeof dates[i].ntpServer))
                : "");
        row.push_back(FingerprintText(PinnedCertificate(CertificatePinKey(cameras[i]))));
    }
    std::cout << RenderTable(table, format) << std::flush;
    return status;
}
