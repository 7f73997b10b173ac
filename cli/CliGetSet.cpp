#include "CliCommands.h"

#include "CapabilityClass.h"
#include "CliContext.h"
#include "CliPlan.h"
#include "CliSetWrite.h"
#include "CliSettings.h"
#include "ImagingApply.h"
#include "MacText.h"
#include "NetworkParams.h"
#include "RebootQueue.h"
#include "RecordText.h"
#include "SystemParams.h"
#include "TimeZoneTable.h"
#include "Utf8Text.h"
#include "VideoParams.h"

#include <algorithm>
#include <atomic>
#include <ctime>
#include <iostream>
#include <memory>

namespace {
std::vector<CliOptionSpec> SetOptions(SettingsSection section)
{
    switch (section) {
    case SettingsSection::System:
        return {{"time-zone", true}, {"daylight", true}, {"ntp", true},  {"computer-time", false},
                {"date", true},      {"time", true},     {"name", true}, {"new-password", true}};
    case SettingsSection::Network:
        return {{"http-port", true},  {"rtsp-port", true},     {"ddns", true},
                {"provider", true},   {"easy-ddns", true},     {"ddns-user", true},
                {"ddns-password", true}, {"ddns-host", true},  {"ddns-hash", true}};
    case SettingsSection::Video:
        return {{"codec", true},
                {"size", true},
                {"rate", true},
                {"bitrate", true},
                {"rate-control", true},
                {"iframe", true},
                {"secondary", true},
                {"secondary-codec", true},
                {"secondary-size", true},
                {"secondary-rate", true},
                {"secondary-bitrate", true},
                {"secondary-rate-control", true},
                {"secondary-iframe", true}};
    case SettingsSection::Osd:
        return {{"title", true},         {"show-title", true},    {"show-time", true},
                {"title-position", true}, {"date-position", true}, {"date-format", true}};
    case SettingsSection::Imaging:
        return {{"brightness", true},     {"contrast", true},     {"saturation", true},
                {"sharpness", true},      {"noise-reduction", true}, {"exposure-level", true},
                {"max-exposure", true},   {"ir-cut", true},       {"frequency", true},
                {"outdoor", true},        {"local-display", true}};
    }
    return {};
}

bool TakeSection(std::vector<std::string>& arguments, SettingsSection& section, int& status)
{
    if (arguments.empty() || !ParseSettingsSection(arguments.front(), section)) {
        return FailInput(status, "name the settings: system, network, video, osd or imaging");
    }
    arguments.erase(arguments.begin());
    return true;
}

// The target whose choices bound the batch, as the page picks it from its
// ticked rows.
std::size_t ReferenceIndex(const std::vector<tagVtIpcInfo>& targets)
{
    std::vector<std::string> models;
    for (const tagVtIpcInfo& camera : targets) {
        models.push_back(ModelOf(camera));
    }
    return ReferenceCamera(models).value_or(0);
}

// One operation a camera: operations[index] for the camera at index.
BatchEngine::Operation EachItsOwn(std::vector<BatchEngine::Operation> operations)
{
    return [operations = std::move(operations)](const tagVtIpcInfo& camera, std::size_t index) {
        return operations.at(index)(camera, index);
    };
}

// The texts of the calls of a section that went well.
std::vector<unsigned> SetSuccessKeys(SettingsSection section)
{
    switch (section) {
    case SettingsSection::System:
        return {81001, 81003, 81005};
    case SettingsSection::Network:
        return {81021, 81023};
    case SettingsSection::Video:
        return {81041, 81043};
    case SettingsSection::Osd:
        return {81046};
    case SettingsSection::Imaging:
        return {86002};
    }
    return {};
}

DateTimeValue LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}
} // namespace

int RunGet(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    std::vector<std::string> rest = arguments;
    SettingsSection section{};
    CliCommandLine line;
    OutputFormat format{};
    if (!TakeSection(rest, section, status) ||
        !ParseLine(line, rest, Join({DiscoveryOptions(), TargetOptions(), CredentialOptions(), {{"format", true}}}),
                   status) ||
        !ParseFormat(line, format, status)) {
        return status;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status)) {
        return status;
    }
    const std::vector<tagVtIpcInfo>& targets = prepared.targets;
    std::vector<SectionValues> values;
    std::vector<char> read;
    ReadTargetSections(prepared, section, values, read);
    OutputTable table;
    table.columns = {{"mac", "MAC"}, {"ip", "IP"}};
    for (const OutputColumn& column : SectionColumns(section)) {
        table.columns.push_back(column);
    }
    table.columns.push_back({"protocol", "Protocol"});
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (read[i] == 0) {
            status = kExitSomeFailed;
            continue;
        }
        std::vector<std::string> row = {FormatMac(targets[i].mac), targets[i].ip};
        for (const std::string& cell : SectionCells(section, values[i], ModelOf(targets[i]))) {
            row.push_back(SafeText(cell));
        }
        row.push_back(ProtocolWord(prepared.protocols.at(i)));
        table.rows.push_back(std::move(row));
    }
    std::cout << RenderTable(table, format) << std::flush;
    return status;
}

int RunSet(const std::vector<std::string>& arguments)
{
    int status = kExitSuccess;
    std::vector<std::string> rest = arguments;
    SettingsSection section{};
    CliCommandLine line;
    if (!TakeSection(rest, section, status) ||
        !ParseLine(line, rest,
                   Join({DiscoveryOptions(), TargetOptions(), CredentialOptions(), SetOptions(section), PlanOptions()}),
                   status)) {
        return status;
    }
    const std::vector<CliOptionSpec> settings = SetOptions(section);
    if (std::none_of(settings.begin(), settings.end(), [&](const CliOptionSpec& s) { return line.Has(s.name); })) {
        FailInput(status, "nothing to set: give at least one value (zendrix-cli set --help)");
        return status;
    }
    const bool dryRun = line.Has("dry-run");
    OutputFormat format{};
    if (!dryRun && line.Has("format")) {
        FailInput(status, "--format goes with --dry-run");
        return status;
    }
    if (dryRun && !ParseFormat(line, format, status)) {
        return status;
    }
    std::string error;
    if (!CheckSetOptions(section, line, error)) {
        FailInput(status, error);
        return status;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status)) {
        return status;
    }
    const std::vector<tagVtIpcInfo>& targets = prepared.targets;
    if (section == SettingsSection::System && line.Has("name") && targets.size() != 1) {
        FailInput(status, "--name goes with one camera only; " + std::to_string(targets.size()) + " were chosen");
        return status;
    }
    // Every camera is read first, and every write is made and checked from
    // its own values before anything is sent.
    std::vector<SectionValues> values;
    std::vector<char> read;
    ReadTargetSections(prepared, section, values, read);
    SetContext context;
    context.login = prepared.login;
    std::vector<tagVtIpcInfo> family;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (read[i] != 0 && values[i].family) {
            family.push_back(targets[i]);
        }
    }
    context.referenceModel = family.empty() ? std::string() : ModelOf(family.at(ReferenceIndex(family)));
    context.now = LocalNow();
    auto rebootFailed = std::make_shared<std::atomic<bool>>(false);
    if (section == SettingsSection::System && !dryRun) {
        context.reboots = PrintingRebootQueue(rebootFailed);
    }
    std::vector<CameraWrite> writes(targets.size());
    std::vector<tagVtIpcInfo> readable;
    std::vector<BatchEngine::Operation> operations;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (read[i] == 0) {
            status = kExitSomeFailed;
            continue;
        }
        if (!BuildCameraWrite(section, line, context, targets[i], values[i], writes[i], error)) {
            FailInput(status, CameraLabel(targets[i]) + ": " + error);
            return status;
        }
        readable.push_back(targets[i]);
        operations.push_back(writes[i].operation);
    }
    if (dryRun) {
        PrintSetPlan(section, format, targets, values, read, writes);
        return status;
    }
    const int written = RunBatch(readable, EachItsOwn(std::move(operations)), SetSuccessKeys(section));
    if (context.reboots) {
        // A camera whose password changed restarts once every line is out.
        WaitForReboots(*context.reboots);
    }
    return std::max({status, written, *rebootFailed ? kExitSomeFailed : kExitSuccess});
}
