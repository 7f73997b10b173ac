#pragma once
#include "ZxExport.h"

#include <string>
#include <utility>
#include <vector>

// Rows counted per model in order of first appearance; at most 48 models,
// rows of any later model are not counted.
ZX_EXPORT std::vector<std::pair<std::string, int>> CountByModel(const std::vector<std::string>& models);
