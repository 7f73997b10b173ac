#pragma once
#include "CliCommandLine.h"
#include "CliContext.h"
#include "CliSetWrite.h"
#include "CliSettings.h"

#include <map>
#include <string>
#include <vector>

// The plan of "set SECTION --dry-run": per camera, the current and the new
// value of every field the set changes. It is made from the same writes the
// real run sends, so configuration tools can rely on it to write only what
// differs.

struct PlanChange
{
    std::string field;
    std::string current; // empty for a write-only field
    std::string desired;
};

// --dry-run and --format, which "set" and "upgrade" take for their plans.
std::vector<CliOptionSpec> PlanOptions();

// One camera's values keyed as "get" prints them, with the device name and,
// for the network section, the provider's entry of the list ("provider_entry").
std::map<std::string, std::string> CurrentValues(SettingsSection section, const SectionValues& values,
                                                 const tagVtIpcInfo& camera);

// The fields the write changes on the camera, in the order of "get"'s
// columns: every value that reads differently afterwards (the running date
// and time aside), the device name, then the fields "get" never shows (a
// password, a clock set now), which are always written.
std::vector<PlanChange> PlanChanges(SettingsSection section, const tagVtIpcInfo& camera,
                                    const SectionValues& current, const CameraWrite& write);

// Reads the section from every target in parallel; read[i] is 1 where
// values[i] holds the camera's answer. Failures are named on stderr.
void ReadTargetSections(const CliTargets& prepared, SettingsSection section, std::vector<SectionValues>& values,
                        std::vector<char>& read);

// Prints the plan (JSON: one object per camera with "current" and "changes",
// or "readable": false; table and CSV: one row per change).
void PrintSetPlan(SettingsSection section, OutputFormat format, const std::vector<tagVtIpcInfo>& targets,
                  const std::vector<SectionValues>& values, const std::vector<char>& read,
                  const std::vector<CameraWrite>& writes);
