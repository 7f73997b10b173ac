#pragma once
#include "CliCommandLine.h"
#include "CliContext.h"
#include "CliSettings.h"

#include <map>
#include <string>
#include <vector>

// The plan of "set SECTION --dry-run": per camera, the current and the desired
// value of every field the set would change. Configuration tools compare with
// it to write only what differs.

// How a desired value is compared with what the camera reports.
enum class PlanCompare
{
    Exact,     // the same text
    Number,    // the same whole number
    Caption,   // the same caption, ignoring case and dots ("h264" is "H.264")
    WriteOnly, // the camera never reports it (a password, a clock set now): always written
};

// One value a set option asks for, in the form and under the key "get" prints.
struct DesiredValue
{
    std::string field;
    std::string value;
    PlanCompare compare = PlanCompare::Exact;
};

struct PlanChange
{
    std::string field;
    std::string current; // empty for a write-only field
    std::string desired;
};

// --dry-run and --format, which "set" and "upgrade" take for their plans.
std::vector<CliOptionSpec> PlanOptions();

// The desired values of the set options given on the line; false with a
// message for a value that cannot be read. Secrets are given as "(secret)".
bool DesiredValues(SettingsSection section, const CliCommandLine& line, std::vector<DesiredValue>& desired,
                   std::string& error);

// The fields whose current value (keyed as "get" prints them) differs from the
// desired one, in the order the desired values were given.
std::vector<PlanChange> PlanChanges(const std::map<std::string, std::string>& current,
                                    const std::vector<DesiredValue>& desired);

// One camera's values keyed as "get" prints them, with the device name and,
// for the network section, the provider's entry of the list ("provider_entry").
std::map<std::string, std::string> CurrentValues(SettingsSection section, const SectionValues& values,
                                                 const tagVtIpcInfo& camera);

// A row 0-116 or a caption of the time-zone list as its row; -1 for neither.
int TimeZoneRow(const std::string& text);

// Reads the section from every target in parallel; read[i] is 1 where
// values[i] holds the camera's answer. Failures are named on stderr.
void ReadTargetSections(const CliTargets& prepared, SettingsSection section, std::vector<SectionValues>& values,
                        std::vector<char>& read);

// "set SECTION --dry-run": discovers, reads every target and prints the plan
// (JSON: one object per camera with "current" and "changes"; table and CSV:
// one row per change). Sends nothing. 0, or 1 when a camera could not be read.
int RunSetPlan(SettingsSection section, const CliCommandLine& line);
