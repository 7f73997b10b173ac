#include "CliPlan.h"

#include "BatchEngine.h"
#include "CameraAccess.h"
#include "MacText.h"
#include "NetworkParams.h"
#include "PreviewRules.h"
#include "RecordText.h"
#include "TimeZoneTable.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>

namespace {
// How an option's text becomes the value "get" would print.
enum class Reading
{
    Text,
    Switch,
    Number,
    TimeZone,
    Frequency,
    Secret,
    Clock,
};

struct OptionRule
{
    const char* option;
    const char* field;
    Reading reading;
    PlanCompare compare;
};

const std::vector<OptionRule>& Rules(SettingsSection section)
{
    using R = Reading;
    using C = PlanCompare;
    static const std::vector<OptionRule> system = {
        {"time-zone", "time_zone_row", R::TimeZone, C::Number},
        {"daylight", "daylight", R::Switch, C::Exact},
        {"ntp", "clock", R::Clock, C::Exact},
        {"ntp", "ntp", R::Text, C::Exact},
        {"computer-time", "date_time", R::Clock, C::WriteOnly},
        {"date", "date_time", R::Text, C::WriteOnly},
        {"name", "name", R::Text, C::Exact},
        {"new-password", "password", R::Secret, C::WriteOnly}};
    static const std::vector<OptionRule> network = {
        {"http-port", "http_port", R::Number, C::Number},
        {"rtsp-port", "rtsp_port", R::Number, C::Number},
        {"ddns", "ddns", R::Switch, C::Exact},
        {"provider", "provider_entry", R::Number, C::Number},
        {"easy-ddns", "easy_ddns", R::Switch, C::Exact},
        {"ddns-user", "ddns_user", R::Text, C::Exact},
        {"ddns-host", "ddns_host", R::Text, C::Exact},
        {"ddns-password", "ddns_password", R::Secret, C::WriteOnly},
        {"ddns-hash", "ddns_hash", R::Secret, C::WriteOnly}};
    static const std::vector<OptionRule> video = {
        {"codec", "codec", R::Text, C::Caption},
        {"size", "size", R::Text, C::Exact},
        {"rate", "rate", R::Number, C::Number},
        {"bitrate", "bitrate", R::Number, C::Number},
        {"rate-control", "rate_control", R::Text, C::Exact},
        {"iframe", "iframe", R::Number, C::Number},
        {"secondary", "secondary", R::Switch, C::Exact},
        {"secondary-codec", "secondary_codec", R::Text, C::Caption},
        {"secondary-size", "secondary_size", R::Text, C::Exact},
        {"secondary-rate", "secondary_rate", R::Number, C::Number},
        {"secondary-bitrate", "secondary_bitrate", R::Number, C::Number},
        {"secondary-rate-control", "secondary_rate_control", R::Text, C::Exact},
        {"secondary-iframe", "secondary_iframe", R::Number, C::Number}};
    static const std::vector<OptionRule> osd = {
        {"title", "title", R::Text, C::Exact},
        {"show-title", "show_title", R::Switch, C::Exact},
        {"show-time", "show_time", R::Switch, C::Exact},
        {"title-position", "title_position", R::Number, C::Number},
        {"date-position", "date_position", R::Number, C::Number},
        {"date-format", "date_format", R::Number, C::Number}};
    static const std::vector<OptionRule> imaging = {
        {"brightness", "brightness", R::Number, C::Number},
        {"contrast", "contrast", R::Number, C::Number},
        {"saturation", "saturation", R::Number, C::Number},
        {"sharpness", "sharpness", R::Number, C::Number},
        {"noise-reduction", "noise_reduction", R::Number, C::Number},
        {"exposure-level", "exposure_level", R::Number, C::Number},
        {"max-exposure", "max_exposure", R::Number, C::Number},
        {"ir-cut", "ir_cut", R::Number, C::Number},
        {"frequency", "frequency", R::Frequency, C::Number},
        {"outdoor", "outdoor", R::Number, C::Number},
        {"local-display", "local_display", R::Number, C::Number}};
    switch (section) {
    case SettingsSection::System:
        return system;
    case SettingsSection::Network:
        return network;
    case SettingsSection::Video:
        return video;
    case SettingsSection::Osd:
        return osd;
    case SettingsSection::Imaging:
        return imaging;
    }
    return system;
}

bool WholeNumber(const std::string& text, long& number)
{
    char* end = nullptr;
    errno = 0;
    number = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end != text.c_str() && *end == '\0' && errno == 0;
}

std::string CaptionKey(const std::string& text)
{
    std::string key;
    for (const char c : text) {
        if (c != '.') {
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return key;
}

bool Same(const std::string& current, const DesiredValue& desired)
{
    long a = 0;
    long b = 0;
    switch (desired.compare) {
    case PlanCompare::Exact:
        return current == desired.value;
    case PlanCompare::Number:
        return WholeNumber(current, a) && WholeNumber(desired.value, b) && a == b;
    case PlanCompare::Caption:
        return CaptionKey(current) == CaptionKey(desired.value);
    case PlanCompare::WriteOnly:
        return false;
    }
    return false;
}
} // namespace

std::vector<CliOptionSpec> PlanOptions()
{
    return {{"dry-run", false}, {"format", true}};
}

int TimeZoneRow(const std::string& text)
{
    for (int row = 0; row < static_cast<int>(kTimeZoneCount); ++row) {
        if (text == TimeZoneCaption(row) || text == std::to_string(row)) {
            return row;
        }
    }
    return -1;
}

bool DesiredValues(SettingsSection section, const CliCommandLine& line, std::vector<DesiredValue>& desired,
                   std::string& error)
{
    desired.clear();
    for (const OptionRule& rule : Rules(section)) {
        if (!line.Has(rule.option)) {
            continue;
        }
        const std::string text = line.Value(rule.option);
        DesiredValue value{rule.field, text, rule.compare};
        long number = 0;
        bool on = false;
        switch (rule.reading) {
        case Reading::Text:
            break;
        case Reading::Switch:
            if (!ParseSwitch(line, rule.option, on, error)) {
                return false;
            }
            value.value = on ? "on" : "off";
            break;
        case Reading::Number:
            if (!WholeNumber(text, number)) {
                error = std::string("--") + rule.option + " takes a whole number, not " + text;
                return false;
            }
            value.value = std::to_string(number);
            break;
        case Reading::TimeZone:
            if (TimeZoneRow(text) < 0) {
                error = "--time-zone takes a row 0-116 or a caption of the time-zone list, not " + text;
                return false;
            }
            value.value = std::to_string(TimeZoneRow(text));
            break;
        case Reading::Frequency:
            if (!WholeNumber(text, number) || (number != 50 && number != 60)) {
                error = "--frequency takes 50 or 60, not " + text;
                return false;
            }
            value.value = std::to_string(FrequencyEntry(static_cast<int32_t>(number)));
            break;
        case Reading::Secret:
            value.value = "(secret)";
            break;
        case Reading::Clock:
            value.value = line.Has("ntp") ? "ntp" : "computer time";
            break;
        }
        if (std::string(rule.option) == "date") {
            value.value = text + " " + line.Value("time");
        }
        desired.push_back(value);
    }
    return true;
}

std::vector<PlanChange> PlanChanges(const std::map<std::string, std::string>& current,
                                    const std::vector<DesiredValue>& desired)
{
    std::vector<PlanChange> changes;
    for (const DesiredValue& value : desired) {
        const auto found = current.find(value.field);
        const std::string now =
            found != current.end() && value.compare != PlanCompare::WriteOnly ? found->second : std::string();
        if (found == current.end() || !Same(found->second, value)) {
            changes.push_back({value.field, now, value.value});
        }
    }
    return changes;
}

std::map<std::string, std::string> CurrentValues(SettingsSection section, const SectionValues& values,
                                                 const tagVtIpcInfo& camera)
{
    std::map<std::string, std::string> current;
    const std::vector<OutputColumn> columns = SectionColumns(section);
    const std::vector<std::string> cells =
        SectionCells(section, values, FieldString(camera.model, sizeof camera.model));
    for (std::size_t i = 0; i < columns.size() && i < cells.size(); ++i) {
        current[columns[i].key] = SafeText(cells[i]);
    }
    current["name"] = SafeText(Utf8(NameText(camera)));
    if (section == SettingsSection::Network) {
        const bool partner = OffersPartnerEntry(FieldString(values.ddns.mac, sizeof values.ddns.mac),
                                                FieldString(values.info.version, sizeof values.info.version));
        current["provider_entry"] =
            std::to_string(ProviderEntryFor(FieldString(values.ddns.provider, sizeof values.ddns.provider), partner));
    }
    return current;
}

void ReadTargetSections(const CliTargets& prepared, SettingsSection section, std::vector<SectionValues>& values,
                        std::vector<char>& read)
{
    const std::vector<tagVtIpcInfo>& targets = prepared.targets;
    values.assign(targets.size(), SectionValues{});
    read.assign(targets.size(), 0);
    BatchEngine::Run(
        targets,
        [&](const tagVtIpcInfo& camera, std::size_t index) {
            PanelLine failure;
            const int handle = LoginCamera(camera, prepared.login, &failure);
            if (handle < 0) {
                return std::vector<PanelLine>{failure};
            }
            read[index] = ReadSection(handle, section, values[index]) ? 1 : 0;
            return std::vector<PanelLine>{};
        },
        [&](std::size_t index, std::vector<PanelLine> lines) {
            for (const PanelLine& failure : lines) {
                std::cerr << "zendrix-cli: " << SafeText(Utf8(failure.text)) << "\n";
            }
            if (lines.empty() && read[index] == 0) {
                std::cerr << "zendrix-cli: " << CameraLabel(targets[index]) << ": the settings could not be read\n";
            }
        });
}

int RunSetPlan(SettingsSection section, const CliCommandLine& line)
{
    int status = kExitSuccess;
    OutputFormat format{};
    std::vector<DesiredValue> desired;
    std::string error;
    if (!ParseFormat(line, format, status)) {
        return status;
    }
    if (!DesiredValues(section, line, desired, error)) {
        FailInput(status, error);
        return status;
    }
    CliTargets prepared;
    if (!PrepareTargets(line, prepared, status)) {
        return status;
    }
    std::vector<SectionValues> values;
    std::vector<char> read;
    ReadTargetSections(prepared, section, values, read);
    nlohmann::ordered_json plan = nlohmann::ordered_json::array();
    OutputTable table;
    table.columns = {{"mac", "MAC"}, {"ip", "IP"}, {"field", "Field"}, {"current", "Current"}, {"desired", "Desired"}};
    for (std::size_t i = 0; i < prepared.targets.size(); ++i) {
        const tagVtIpcInfo& camera = prepared.targets[i];
        nlohmann::ordered_json entry = {{"mac", FormatMac(camera.mac)},
                                        {"ip", SafeText(camera.ip)},
                                        {"model", SafeText(FieldString(camera.model, sizeof camera.model))},
                                        {"readable", read[i] != 0}};
        if (read[i] == 0) {
            status = kExitSomeFailed;
            plan.push_back(std::move(entry));
            continue;
        }
        const std::map<std::string, std::string> current = CurrentValues(section, values[i], camera);
        entry["current"] = current;
        entry["changes"] = nlohmann::ordered_json::array();
        for (const PlanChange& change : PlanChanges(current, desired)) {
            entry["changes"].push_back(
                {{"field", change.field}, {"current", change.current}, {"desired", SafeText(change.desired)}});
            table.rows.push_back({FormatMac(camera.mac), camera.ip, change.field, change.current, change.desired});
        }
        plan.push_back(std::move(entry));
    }
    if (format == OutputFormat::Json) {
        std::cout << plan.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n" << std::flush;
    } else {
        std::cout << RenderTable(table, format) << std::flush;
    }
    return status;
}
