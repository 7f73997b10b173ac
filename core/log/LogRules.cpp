#include "LogRules.h"

#include "LangTable.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwctype>

namespace {
constexpr SubTypeRange kRanges[kMainTypeCount] = {{10, 1}, {11, 7}, {100, 18}, {300, 7}, {200, 7}};

std::tm LocalTm(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

// "<ip>_YYYY-MM-DD_hh-mm-ss_" of the operation's local time.
std::string StampedPrefix(const std::string& ip, std::time_t now)
{
    const std::tm t = LocalTm(now);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "_%04d-%02d-%02d_%02d-%02d-%02d_", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return SafeNamePart(ip) + stamp;
}
} // namespace

SubTypeRange SubTypeRangeOf(int mainType)
{
    return mainType >= 0 && mainType < kMainTypeCount ? kRanges[mainType] : kRanges[0];
}

std::vector<int> SubTypeCodes(int mainType)
{
    const SubTypeRange range = SubTypeRangeOf(mainType);
    std::vector<int> codes;
    if (range.first != kAllSubTypes) {
        codes.push_back(kAllSubTypes);
    }
    for (int k = 0; k < range.count; ++k) {
        codes.push_back(range.first + k);
    }
    return codes;
}

int SubTypeCode(int mainType, int entry)
{
    const SubTypeRange range = SubTypeRangeOf(mainType);
    if (entry < 1 || entry > range.count) {
        return kAllSubTypes;
    }
    return range.first + entry - 1;
}

std::wstring TypeText(int code)
{
    const unsigned key = TypeKey(code);
    return LangText(key, std::to_wstring(key).c_str());
}

bool IsValidTimeRange(const LogDateTime& start, const LogDateTime& end)
{
    const auto date = [](const LogDateTime& t) { return (t.year * 100 + t.month) * 100 + t.day; };
    const auto time = [](const LogDateTime& t) { return (t.hour * 100 + t.minute) * 100 + t.second; };
    return date(start) < date(end) || (date(start) == date(end) && time(start) < time(end));
}

int32_t LocalSeconds(const LogDateTime& when)
{
    std::tm t{};
    t.tm_year = when.year - 1900;
    t.tm_mon = when.month - 1;
    t.tm_mday = when.day;
    t.tm_hour = when.hour;
    t.tm_min = when.minute;
    t.tm_sec = when.second;
    t.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&t);
    return static_cast<int32_t>(std::clamp<long long>(seconds, INT32_MIN, INT32_MAX));
}

LogDateTime LocalDateTime(std::time_t when)
{
    const std::tm t = LocalTm(when);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::string FormatLogTime(int32_t time)
{
    const std::tm t = LocalTm(time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

int PageCount(int rows, int pageRows)
{
    if (rows <= 0 || pageRows <= 0) {
        return 0;
    }
    return rows / pageRows + (rows % pageRows != 0 ? 1 : 0);
}

int PageOffset(int page, int pageRows)
{
    if (page < 1 || pageRows <= 0) {
        return 0;
    }
    const long long offset = static_cast<long long>(page - 1) * pageRows;
    return static_cast<int>(std::min<long long>(offset, INT_MAX));
}

int RowNumber(int page, int position, int pageRows)
{
    return PageOffset(page, pageRows) + position + 1;
}

int ParsePageNumber(const std::wstring& text)
{
    std::size_t at = 0;
    while (at < text.size() && std::iswspace(static_cast<wint_t>(text[at]))) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at] == L'-';
        ++at;
    }
    long long value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        value = std::min<long long>(value * 10 + (text[at] - L'0'), INT_MAX);
    }
    return static_cast<int>(negative ? -value : value);
}

bool IsPageInRange(int page, int totalPages)
{
    return page >= 1 && page <= totalPages;
}

std::string CacheFileName(const unsigned char mac[6])
{
    char name[32];
    std::snprintf(name, sizeof name, "%02X%02X%02X%02X%02X%02X_Log.db", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return name;
}

std::string SavedLogFileName(const std::string& ip, std::time_t now)
{
    return CutUtf8(StampedPrefix(ip, now) + "Log.db", kMaxFileNameBytes);
}

std::string ConfigFileName(const std::string& ip, std::time_t now)
{
    return CutUtf8(StampedPrefix(ip, now) + "Config.txt", kMaxFileNameBytes);
}

std::string CustomFileName(const std::string& ip, std::time_t now, const std::string& remoteName)
{
    const std::string prefix = StampedPrefix(ip, now);
    const std::size_t room = prefix.size() < kMaxFileNameBytes ? kMaxFileNameBytes - prefix.size() : 0;
    return CutUtf8(prefix, kMaxFileNameBytes) + CutUtf8(SafeNamePart(RemoteNameTail(remoteName)), room);
}

std::string RemoteNameTail(const std::string& remoteName)
{
    // Both separators count alike: a "\" after the last "/" still separates.
    const std::size_t last = remoteName.find_last_of("/\\");
    const std::string tail = last == std::string::npos ? remoteName : remoteName.substr(last + 1);
    return CutUtf8(tail, 255);
}

std::string SafeNamePart(const std::string& text)
{
    std::string safe = text;
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f) {
            c = '_';
        }
    }
    if (std::all_of(safe.begin(), safe.end(), [](char c) { return c == '.'; })) {
        safe.clear();
    }
    return safe;
}

std::string CutUtf8(const std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = maxBytes;
    // Step back over continuation bytes so the cut falls between characters.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}
