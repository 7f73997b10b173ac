#pragma once
#include "CliCommandLine.h"
#include "Tivox.h"

#include <string>
#include <string_view>
#include <vector>

// Which cameras an upgrade would reach: with --only-older only those whose
// firmware is below the version the image's name carries; with --dry-run the
// plan is printed and nothing is sent.

// The version in a firmware image's name after "VTFImage_PS_" ("31.4.0.90" of
// "VT_VTFImage_55_31.4.0.90.bin"); empty when the name carries none.
std::string ImageVersion(std::string_view fileName);

// True when the dotted version installed is below offered, part by part.
bool VersionBelow(const std::string& installed, const std::string& offered);

// Applies --only-older to targets and prints the plan for --dry-run. True when
// the upgrade goes on with the targets left; false when it ends here with
// status set: 0 after a plan or when every camera already has the version,
// 2 for an image whose name carries no version.
bool PlanUpgrade(const CliCommandLine& line, std::vector<tagVtIpcInfo>& targets, int& status);
