#include "ModelCountRule.h"

#include <algorithm>

std::vector<std::pair<std::string, int>> CountByModel(const std::vector<std::string>& models)
{
    constexpr std::size_t kMaxModels = 48;
    std::vector<std::pair<std::string, int>> counts;
    for (const std::string& model : models) {
        auto it =
            std::find_if(counts.begin(), counts.end(), [&model](const auto& c) { return c.first == model; });
        if (it != counts.end()) {
            ++it->second;
        } else if (counts.size() < kMaxModels) {
            counts.emplace_back(model, 1);
        }
    }
    return counts;
}
