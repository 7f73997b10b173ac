#include "TargetRules.h"

#include "MacText.h"
#include "RecordText.h"

#include <algorithm>
#include <cctype>
#include <strings.h>
#include <unordered_map>

namespace {
std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
} // namespace

bool SharesAddress(const std::vector<std::string>& ips, std::size_t row)
{
    if (row >= ips.size()) {
        return false;
    }
    for (std::size_t other = 0; other < ips.size(); ++other) {
        if (other != row && ::strcasecmp(ips[other].c_str(), ips[row].c_str()) == 0) {
            return true;
        }
    }
    return false;
}

std::optional<std::size_t> FirstTickedConflict(const std::vector<std::string>& ips,
                                               const std::vector<bool>& ticked)
{
    // Counted once, so that ticking every row of a long list stays quick.
    std::unordered_map<std::string, int> uses;
    for (const std::string& ip : ips) {
        ++uses[Lower(ip)];
    }
    for (std::size_t row = 0; row < ips.size() && row < ticked.size(); ++row) {
        if (ticked[row] && uses[Lower(ips[row])] > 1) {
            return row;
        }
    }
    return std::nullopt;
}

std::vector<std::wstring> IdentityMatchFields(const tagVtIpcInfo& info, std::time_t)
{
    return {NameText(info),
            FieldText(FormatMac(info.mac).c_str()),
            FieldText(FormatMac(info.mac, false).c_str()),
            FieldText(info.ip),
            FieldText(info.netmask),
            FieldText(info.gateway),
            FieldText(info.model),
            FieldText(info.version)};
}
