#include "AddressRules.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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
} // namespace

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
