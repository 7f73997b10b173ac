#include "DeviceRules.h"

#include "LogText.h"
#include "NetworkForm.h"
#include "TextCodec.h"
#include "Utf8Text.h"

#include <algorithm>
#include <boost/regex.hpp>
#include <cstdio>
#include <cstring>
#include <cwctype>

namespace {
// Reads exactly four decimal numbers separated by points, printed the way
// "%d.%d.%d.%d" prints them; anything else fails.
bool ReadCanonicalQuad(const std::string& text, int parts[4])
{
    int n = 0;
    if (std::sscanf(text.c_str(), "%d.%d.%d.%d%n", &parts[0], &parts[1], &parts[2], &parts[3], &n) != 4) {
        return false;
    }
    char printed[64];
    std::snprintf(printed, sizeof printed, "%d.%d.%d.%d", parts[0], parts[1], parts[2], parts[3]);
    return text == printed;
}

std::wstring Convert(unsigned codePage, const char* text, std::size_t capacity)
{
    std::wstring out(capacity + 1, L'\0');
    CTextCodec::ToWide(codePage, text, out.data(), static_cast<int>(out.size()));
    return out.c_str();
}
} // namespace

std::string FormatMac(const unsigned char* mac, bool colons)
{
    char text[32];
    std::snprintf(text, sizeof text, colons ? "%.2X:%.2X:%.2X:%.2X:%.2X:%.2X" : "%.2X%.2X%.2X%.2X%.2X%.2X",
                  mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::wstring MacPrefix(const unsigned char* mac)
{
    const std::string text = "[" + FormatMac(mac) + "]";
    return std::wstring(text.begin(), text.end());
}

bool IsValidAddress(const std::string& text)
{
    int p[4];
    return ReadCanonicalQuad(text, p) && p[0] >= 0 && p[0] <= 223 && p[1] >= 0 && p[1] <= 254 && p[2] >= 0 &&
           p[2] <= 255 && p[3] >= 0 && p[3] <= 254;
}

bool IsValidNetmask(const std::string& text)
{
    int p[4];
    return ReadCanonicalQuad(text, p) && p[0] >= 1 && p[0] <= 255 && p[1] >= 0 && p[1] <= 255 && p[2] >= 0 &&
           p[2] <= 255 && p[3] >= 0 && p[3] <= 255;
}

void SplitAddress(const std::string& text, int parts[4])
{
    std::fill(parts, parts + 4, 0);
    std::size_t pos = 0;
    for (int i = 0; i < 4 && pos <= text.size(); ++i) {
        const std::size_t dot = text.find('.', pos);
        const std::string part = text.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
        int value = 0;
        if (std::sscanf(part.c_str(), "%d", &value) == 1) {
            parts[i] = value;
        }
        if (dot == std::string::npos) {
            break;
        }
        pos = dot + 1;
    }
}

std::vector<std::string> SequentialAddresses(const std::string& start, std::size_t count)
{
    int p[4];
    SplitAddress(start, p);
    std::vector<std::string> addresses;
    // The last number runs up to 254 and wraps to 1, never giving .0 or .255
    // and never the same address twice within 254 cameras.
    int next = p[3];
    for (std::size_t k = 0; k < count; ++k) {
        int last = next % 255;
        if (last == 0) {
            last = 1;
        }
        next = last + 1;
        char text[64];
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", p[0], p[1], p[2], last);
        addresses.emplace_back(text);
    }
    return addresses;
}

bool IsDottedQuad(const std::string& text)
{
    int p[4];
    return ReadCanonicalQuad(text, p) && std::all_of(p, p + 4, [](int part) { return part >= 0 && part <= 255; });
}

std::string WebAddress(const tagVtIpcInfo& info)
{
    // The address is the camera's own word: anything but a plain dotted
    // address could send the browser elsewhere ("evil.example/", "a@b").
    const std::string ip(info.ip, strnlen(info.ip, sizeof info.ip));
    if (!IsDottedQuad(ip) || info.port < 1 || info.port > 65535) {
        return {};
    }
    char text[260];
    if (info.port == 80) {
        std::snprintf(text, sizeof text, "http://%s", info.ip);
    } else {
        std::snprintf(text, sizeof text, "http://%s:%d", info.ip, info.port);
    }
    return text;
}

std::wstring RunUpTimeText(std::time_t now, std::int32_t upTime)
{
    const std::time_t started = now - upTime;
    std::tm local{};
    localtime_r(&started, &local);
    wchar_t text[64];
    std::swprintf(text, 64, L"%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::wstring NameText(const tagVtIpcInfo& info)
{
    return Convert(kCodePageUtf8, info.devName, sizeof info.devName);
}

std::wstring FieldText(const char* text)
{
    return Convert(kCodePageAnsi, text, kFieldTextChars);
}

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

int DeviceNameBytes(const std::wstring& name)
{
    return static_cast<int>(PlatformToUtf8(name).size());
}

bool DeviceNameFits(const std::wstring& name)
{
    return DeviceNameBytes(name) <= kDeviceNameBytes;
}

bool HasForbiddenNameCharacter(const std::string& utf8Name)
{
    static const boost::regex forbidden(R"([&/\\:*?'"<>|%])");
    return boost::regex_search(utf8Name, forbidden);
}

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

std::wstring FormatPanelLine(const std::wstring& text, bool stamped, std::time_t now)
{
    constexpr std::size_t kMaxLine = 2047;
    std::wstring line;
    if (stamped) {
        std::tm local{};
        localtime_r(&now, &local);
        wchar_t stamp[64];
        std::swprintf(stamp, 64, L"[%04d-%02d-%02d %02d:%02d:%02d] ", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        line = stamp;
    } else {
        line.assign(38, L' ');
    }
    // Lines carry what cameras report: a line end or a control character in
    // a name must not make a line of its own.
    line += EscapeLogText(text);
    if (line.size() > kMaxLine) {
        line.resize(kMaxLine);
    }
    return line;
}
