#include "CliCommands.h"

#include "CapabilityClass.h"
#include "CliContext.h"
#include "LogOperations.h"
#include "LogRules.h"
#include "Utf8Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {
// The one camera a log command works on.
bool OneCamera(const CliCommandLine& line, CliTargets& prepared, int& status)
{
    if (!PrepareTargets(line, prepared, status)) {
        return false;
    }
    if (prepared.targets.size() != 1) {
        return FailInput(status, "choose one camera (--mac or --ip); " + std::to_string(prepared.targets.size()) +
                                     " were chosen");
    }
    return true;
}

// A fetched file is reported by its path on stdout; a failure by the
// camera and the page's message, on stdout and stderr.
int Report(const tagVtIpcInfo& camera, const LogOutcome& outcome, bool fetched)
{
    if (fetched) {
        std::cout << SafeText(outcome.path) << "\n";
        return kExitSuccess;
    }
    const std::wstring text = CameraLinePrefix(camera) + PlatformFromUtf8(KeyText(outcome.messageKey));
    PrintPanelLine(text, true);
    std::cerr << "zendrix-cli: " << SafeText(Utf8(text)) << "\n";
    return kExitSomeFailed;
}

bool ParseLogTime(const std::string& text, LogDateTime& when)
{
    const std::size_t blank = text.find(' ');
    LogDateTime t;
    if (blank == std::string::npos || !ParseCalendarTime(text.substr(0, blank), text.substr(blank + 1), t)) {
        return false;
    }
    when = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    return true;
}

// The page's filter from the options; false with a message on bad input.
bool BuildFilter(const CliCommandLine& line, tagLogFilter& filter, int& page, int& status)
{
    std::string error;
    int mainType = 0;
    int subType = kAllSubTypes;
    if ((line.Has("main-type") && !ParseNumber(line, "main-type", 0, kMainTypeCount - 1, mainType, error)) ||
        (line.Has("page") && !ParseNumber(line, "page", 1, 1 << 30, page, error))) {
        return FailInput(status, error);
    }
    if (line.Has("sub-type")) {
        const std::vector<int> codes = SubTypeCodes(mainType);
        if (!ParseNumber(line, "sub-type", 0, 1 << 30, subType, error) ||
            std::find(codes.begin(), codes.end(), subType) == codes.end()) {
            std::string list;
            for (const int code : codes) {
                list += " " + std::to_string(code) + " (" + Utf8(TypeText(code)) + ")";
            }
            return FailInput(status, "--sub-type of main type " + std::to_string(mainType) + " takes one of" + list);
        }
    }
    LogDateTime from{1970, 1, 1, 0, 0, 0};
    LogDateTime to{2037, 12, 31, 23, 59, 59};
    if ((line.Has("from") && !ParseLogTime(line.Value("from"), from)) ||
        (line.Has("to") && !ParseLogTime(line.Value("to"), to))) {
        return FailInput(status, "--from and --to take \"YYYY-MM-DD hh:mm:ss\"");
    }
    if (!IsValidTimeRange(from, to)) {
        return FailInput(status, KeyText(900115) + " (--from must lie before --to)");
    }
    filter = {};
    // Without a filter option the whole log is shown, as before the page's Query.
    if (line.Has("main-type") || line.Has("sub-type") || line.Has("from") || line.Has("to")) {
        filter.mainType = mainType;
        filter.subType = subType;
        filter.startTime = LocalSeconds(from);
        filter.endTime = LocalSeconds(to);
    }
    return true;
}

std::string RecordText(const char* field, std::size_t size)
{
    return SafeText(std::string(field, strnlen(field, size)));
}

int FetchFile(const std::vector<std::string>& arguments, CameraFileKind kind)
{
    int status = kExitSuccess;
    CliCommandLine line;
    std::vector<CliOptionSpec> extra;
    if (kind == CameraFileKind::Custom) {
        extra = {{"remote", true}, {"kind", true}};
    }
    if (!ParseLine(line, arguments, Join({DiscoveryOptions(), TargetOptions(), CredentialOptions(), extra}), status)) {
        return status;
    }
    CameraFileRequest request;
    request.kind = kind;
    if (kind == CameraFileKind::Custom) {
        const std::string type = line.Value("kind", "other");
        request.remoteName = line.Value("remote");
        if (request.remoteName.empty() || request.remoteName.size() > kMaxFileNameBytes) {
            FailInput(status, "--remote NAME is required (at most 255 bytes)");
            return status;
        }
        if (type != "sd" && type != "other") {
            FailInput(status, "--kind takes sd or other");
            return status;
        }
        request.customKind = type == "sd" ? 0 : 1;
    }
    CliTargets prepared;
    if (!OneCamera(line, prepared, status)) {
        return status;
    }
    const tagVtIpcInfo& camera = prepared.targets.front();
    const LogOutcome outcome = FetchCameraFile(nullptr, camera, prepared.login, request, std::time(nullptr));
    return Report(camera, outcome, outcome.question && !outcome.path.empty());
}
} // namespace

int RunLog(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    CliCommandLine line;
    OutputFormat format{};
    tagLogFilter filter{};
    int page = 1;
    if (!ParseLine(line, arguments,
                   Join({DiscoveryOptions(),
                         TargetOptions(),
                         CredentialOptions(),
                         {{"main-type", true}, {"sub-type", true}, {"from", true}, {"to", true}, {"page", true},
                          {"format", true}}}),
                   status) ||
        !ParseFormat(line, format, status) || !BuildFilter(line, filter, page, status)) {
        return status;
    }
    CliTargets prepared;
    if (!OneCamera(line, prepared, status)) {
        return status;
    }
    const tagVtIpcInfo& camera = prepared.targets.front();
    if (!IsAModel(camera.model)) {
        FailInput(status, CameraLabel(camera) + ": " + KeyText(87003));
        return status;
    }
    const LogOutcome outcome = RefreshCameraLog(nullptr, camera, prepared.login);
    if (!outcome.showCache) {
        return Report(camera, outcome, false);
    }
    const LogPage shown = QueryLogPage(outcome.path, filter, page);
    if (shown.totalPages > 0 && !IsPageInRange(page, shown.totalPages)) {
        FailInput(status, "--page " + std::to_string(page) + ": the log has " + std::to_string(shown.totalPages) +
                              " pages");
        return status;
    }
    OutputTable table;
    table.columns = {{"number", "No.", true},   {"time", "Time"},   {"main_type", "Main Type"},
                     {"sub_type", "Sub Type"}, {"param", "Param"}, {"user", "User"},
                     {"ip", "IP"},             {"detail", "Detail"}};
    for (std::size_t k = 0; k < shown.rows.size(); ++k) {
        const tagLogRow& row = shown.rows[k];
        table.rows.push_back({std::to_string(RowNumber(shown.currentPage, static_cast<int>(k), kLogPageRows)),
                              FormatLogTime(row.time), SafeText(Utf8(TypeText(row.mainType))),
                              SafeText(Utf8(TypeText(row.subType))), SafeText(Utf8(TypeText(row.subParam))),
                              RecordText(row.user, sizeof row.user), RecordText(row.ip, sizeof row.ip),
                              RecordText(row.detail, sizeof row.detail)});
    }
    std::cout << RenderTable(table, format) << std::flush;
    std::cerr << "zendrix-cli: page " << shown.currentPage << "/" << shown.totalPages << "\n";
    return kExitSuccess;
}

int RunExportConfig(const std::vector<std::string>& arguments)
{
    return FetchFile(arguments, CameraFileKind::Config);
}

int RunCustomDownload(const std::vector<std::string>& arguments)
{
    return FetchFile(arguments, CameraFileKind::Custom);
}
