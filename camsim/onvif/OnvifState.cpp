#include "OnvifState.h"

#include "SimCamera.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace camsim {
namespace {

constexpr std::size_t kMaxLogLines = 400;

bool ReadNumber(const std::string& text, std::size_t& at, int digitsMax, int& value)
{
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0 &&
           at - start < static_cast<std::size_t>(digitsMax)) {
        value = value * 10 + (text[at++] - '0');
    }
    return at > start;
}

} // namespace

void OnvifState::Log(int64_t cameraTime, const std::string& line)
{
    systemLog.push_back(FormatUtc(cameraTime) + " " + line);
    while (systemLog.size() > kMaxLogLines) {
        systemLog.pop_front();
    }
}

OnvifState InitialOnvifState(const SimCamera& camera)
{
    OnvifState state;
    char uuid[64];
    const MacAddress& m = camera.mac;
    std::snprintf(uuid, sizeof uuid, "urn:uuid:5a1e0f00-0000-4000-8000-%02x%02x%02x%02x%02x%02x", m[0], m[1], m[2],
                  m[3], m[4], m[5]);
    state.uuid = uuid;
    state.clockOffsetSec = camera.clockOffsetSec;
    state.acceptReusedNonce = camera.acceptReusedNonce;
    state.hostname = camera.name.empty() ? "camera" : camera.name;
    for (char& c : state.hostname) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            c = '-';
        }
    }
    if (!camera.dns.empty()) {
        state.dnsServers.push_back(camera.dns);
    }
    state.users.push_back({camera.user, camera.password, "Administrator"});
    return state;
}

std::string FormatUtc(int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::optional<int64_t> ParseUtc(const std::string& text)
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second,
                    &used) != 6) {
        return std::nullopt;
    }
    std::string rest = text.substr(static_cast<std::size_t>(used));
    if (!rest.empty() && rest[0] == '.') {
        std::size_t digits = 1;
        while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits])) != 0) {
            ++digits;
        }
        rest.erase(0, digits);
    }
    if (rest != "Z" && rest != "+00:00" && !rest.empty()) {
        return std::nullopt;
    }
    if (year < 1970 || year > 2200 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 60) {
        return std::nullopt;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return static_cast<int64_t>(timegm(&parts));
}

std::optional<int> PosixTzOffset(const std::string& tz)
{
    std::size_t at = 0;
    if (at < tz.size() && tz[at] == '<') {
        const std::size_t close = tz.find('>');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        at = close + 1;
    } else {
        while (at < tz.size() && std::isalpha(static_cast<unsigned char>(tz[at])) != 0) {
            ++at;
        }
        if (at < 3) {
            return std::nullopt;
        }
    }
    int sign = 1;
    if (at < tz.size() && (tz[at] == '+' || tz[at] == '-')) {
        sign = tz[at++] == '-' ? -1 : 1;
    }
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    if (!ReadNumber(tz, at, 2, hours) || hours > 24) {
        return std::nullopt;
    }
    if (at < tz.size() && tz[at] == ':') {
        ++at;
        if (!ReadNumber(tz, at, 2, minutes) || minutes > 59) {
            return std::nullopt;
        }
        if (at < tz.size() && tz[at] == ':') {
            ++at;
            if (!ReadNumber(tz, at, 2, seconds) || seconds > 59) {
                return std::nullopt;
            }
        }
    }
    if (at < tz.size() && std::isalpha(static_cast<unsigned char>(tz[at])) == 0 && tz[at] != '<' &&
        tz[at] != ',') {
        return std::nullopt;
    }
    return sign * (hours * 3600 + minutes * 60 + seconds);
}

} // namespace camsim
