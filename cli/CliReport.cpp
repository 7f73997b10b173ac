#include "CliCommands.h"

#include "CliContext.h"
#include "CliSession.h"
#include "ReportHtml.h"
#include "SiteReport.h"

#include <ctime>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {
// The folder the report goes to must be there and writable before any
// camera is asked; the file itself appears only when it is whole.
bool CheckReportPath(const std::string& path, std::string& error)
{
    if (path.empty()) {
        error = "--html FILE: name the file the report is written to";
        return false;
    }
    std::error_code failed;
    if (std::filesystem::is_directory(path, failed)) {
        error = "--html " + path + ": is a folder";
        return false;
    }
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    if (!std::filesystem::is_directory(folder, failed) || ::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = "--html " + path + ": the folder " + folder + " cannot be written";
        return false;
    }
    return true;
}
} // namespace

int RunReport(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    CliCommandLine line;
    if (!ParseLine(line, arguments, Join({DiscoveryOptions(), TargetOptions(), CredentialOptions(), {{"html", true}}}),
                   status)) {
        return status;
    }
    const std::string path = line.Value("html");
    std::string error;
    if (!CheckReportPath(path, error)) {
        FailInput(status, error);
        return status;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status)) {
        return status;
    }
    std::vector<ReportCamera> cameras;
    for (std::size_t i = 0; i < prepared.targets.size(); ++i) {
        cameras.push_back({prepared.targets[i], prepared.protocols[i]});
    }
    SiteReport report;
    const std::vector<CameraCard> cards =
        report.Gather(cameras, prepared.login,
                      [](std::size_t done, std::size_t total, const std::vector<PanelLine>& lines) {
                          for (const PanelLine& told : lines) {
                              std::cerr << "zendrix-cli: " << SafeText(Utf8(told.text)) << "\n";
                          }
                          std::cerr << "zendrix-cli: report: " << done << " of " << total << " cameras read\n";
                      });
    for (const CameraCard& card : cards) {
        if (!card.reason.empty()) {
            status = kExitSomeFailed;
        }
    }
    if (!WriteReportFile(path, ReportHtml(cards, ReportDate(std::time(nullptr))))) {
        std::cerr << "zendrix-cli: the report could not be written to " << path << "\n";
        return kExitSomeFailed;
    }
    std::cerr << "zendrix-cli: report of " << cards.size() << " cameras written to " << path << "\n";
    return status;
}
