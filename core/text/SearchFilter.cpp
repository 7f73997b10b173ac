#include "SearchFilter.h"

#include "MacText.h"
#include "RecordText.h"
#include "TextTrim.h"

#include <algorithm>
#include <cwctype>

std::wstring NormaliseFilter(const std::wstring& text)
{
    std::wstring out = Trimmed(text);
    std::transform(out.begin(), out.end(), out.begin(), [](wchar_t c) { return std::towlower(c); });
    return out;
}

bool MatchesFilter(const std::vector<std::wstring>& fields, const std::wstring& filter)
{
    if (filter.empty()) {
        return true;
    }
    return std::any_of(fields.begin(), fields.end(), [&filter](const std::wstring& field) {
        return NormaliseFilter(field).find(filter) != std::wstring::npos;
    });
}

std::vector<std::wstring> NetworkMatchFields(const tagVtIpcInfo& info, std::time_t now)
{
    const std::string mac = FormatMac(info.mac);
    const std::string bare = FormatMac(info.mac, false);
    return {NameText(info),
            std::wstring(mac.begin(), mac.end()),
            std::wstring(bare.begin(), bare.end()),
            FieldText(info.ip),
            std::to_wstring(info.port),
            FieldText(info.netmask),
            FieldText(info.gateway),
            FieldText(info.model),
            RunUpTimeText(now, info.upTime),
            FieldText(info.version)};
}
