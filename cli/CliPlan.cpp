#include "CliPlan.h"

#include "BatchEngine.h"
#include "CameraAccess.h"
#include "MacText.h"
#include "NetworkParams.h"
#include "PreviewRules.h"
#include "RecordText.h"

#include <iostream>
#include <nlohmann/json.hpp>

std::vector<CliOptionSpec> PlanOptions()
{
    return {{"dry-run", false}, {"format", true}};
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
            const std::shared_ptr<Camera> loggedIn = LoginCamera(camera, prepared.login, &failure);
            if (!loggedIn) {
                return std::vector<PanelLine>{failure};
            }
            read[index] = ReadSection(*loggedIn, section, values[index]) ? 1 : 0;
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

std::vector<PlanChange> PlanChanges(SettingsSection section, const tagVtIpcInfo& camera,
                                    const SectionValues& current, const CameraWrite& write)
{
    std::vector<PlanChange> changes;
    const std::map<std::string, std::string> before = CurrentValues(section, current, camera);
    const std::map<std::string, std::string> after = CurrentValues(section, write.after, camera);
    std::vector<std::string> keys;
    for (const OutputColumn& column : SectionColumns(section)) {
        if (column.key != "date" && column.key != "time") {
            keys.push_back(column.key);
        }
    }
    if (section == SettingsSection::Network) {
        keys.push_back("provider_entry");
    }
    for (const std::string& key : keys) {
        if (before.at(key) != after.at(key)) {
            changes.push_back({key, before.at(key), after.at(key)});
        }
    }
    if (!write.newName.empty()) {
        changes.push_back({"name", before.at("name"), SafeText(write.newName)});
    }
    for (const WriteOnlyField& hidden : write.hidden) {
        changes.push_back({hidden.field, "", hidden.desired});
    }
    return changes;
}

void PrintSetPlan(SettingsSection section, OutputFormat format, const std::vector<tagVtIpcInfo>& targets,
                  const std::vector<SectionValues>& values, const std::vector<char>& read,
                  const std::vector<CameraWrite>& writes)
{
    nlohmann::ordered_json plan = nlohmann::ordered_json::array();
    OutputTable table;
    table.columns = {{"mac", "MAC"}, {"ip", "IP"}, {"field", "Field"}, {"current", "Current"}, {"desired", "Desired"}};
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const tagVtIpcInfo& camera = targets[i];
        nlohmann::ordered_json entry = {{"mac", FormatMac(camera.mac)},
                                        {"ip", SafeText(camera.ip)},
                                        {"model", SafeText(FieldString(camera.model, sizeof camera.model))},
                                        {"readable", read[i] != 0}};
        if (read[i] != 0) {
            entry["current"] = CurrentValues(section, values[i], camera);
            entry["changes"] = nlohmann::ordered_json::array();
            for (const PlanChange& change : PlanChanges(section, camera, values[i], writes[i])) {
                entry["changes"].push_back(
                    {{"field", change.field}, {"current", change.current}, {"desired", change.desired}});
                table.rows.push_back({FormatMac(camera.mac), camera.ip, change.field, change.current, change.desired});
            }
        }
        plan.push_back(std::move(entry));
    }
    if (format == OutputFormat::Json) {
        std::cout << plan.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n" << std::flush;
    } else {
        std::cout << RenderTable(table, format) << std::flush;
    }
}
