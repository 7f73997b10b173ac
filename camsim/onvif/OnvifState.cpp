#include "OnvifState.h"

#include "CameraSettings.h"
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
    state.rtspPort = camera.rtspPort;
    state.media = InitialMediaState(camera);
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
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T') {
        return std::nullopt;
    }
    std::string rest = text.substr(19);
    if (rest[0] == '.') {
        const auto end = rest.find_first_not_of("0123456789", 1);
        rest.erase(0, end == std::string::npos ? rest.size() : end);
    }
    if (rest != "Z" && rest != "+00:00") {
        return std::nullopt;
    }
    std::string date = text.substr(0, 10);
    date[4] = '/';
    date[7] = '/';
    return ParseCameraClock(date, text.substr(11, 8));
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
