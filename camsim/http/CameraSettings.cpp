#include "CameraSettings.h"

#include "RecordJson.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace camsim {
namespace {

template <size_t N> void CopyText(char (&field)[N], std::string_view text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

bool IsFlag(uint8_t value)
{
    return value <= 1;
}

bool InRange(int64_t value, int64_t low, int64_t high)
{
    return value >= low && value <= high;
}

// A text field that ends within its width (records from the wire always do;
// the check keeps the rule true for records made elsewhere).
template <size_t N> bool Terminated(const char (&field)[N])
{
    return strnlen(field, N) < N;
}

bool Digits(std::string_view text, size_t at, size_t count, int& value)
{
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

bool IsAModel(std::string_view model)
{
    return !model.empty() && model.back() == 'A';
}

CameraSettings FactorySettings(std::string_view model, int httpPort, std::string_view macText)
{
    CameraSettings s;
    s.date.mode = 3;
    s.date.daylight = 0;
    CopyText(s.date.ntpServer, "pool.ntp.org");
    s.date.timeZone = 100;
    s.ports = {httpPort, httpPort, 554, 554, 0};
    CopyText(s.ddns.provider, "dyndns.org");
    CopyText(s.ddns.mac, macText);
    s.primary = {1, 1, 0, 0, 5, 25, 4096, 1, {0, 0, 0}, 20, 0};
    s.secondary = {0, 1, 0, 0, 0, 25, 512, 1, {0, 0, 0}, 30, 0};
    s.osd.showTitle = 1;
    s.osd.showTime = 1;
    CopyText(s.osd.title, "Camera");
    s.osd.titlePosition = 0;
    s.osd.datePosition = 1;
    s.osd.dateFormat = 0;
    const int32_t middle = IsAModel(model) ? 128 : 50;
    s.picture = {128, 128, 128, middle, middle};
    s.imaging.frequency = 50;
    s.imaging.irCut = 2;
    s.imaging.exposureLevel = 5;
    s.imaging.maxExposure = 2;
    return s;
}

void MakeImagingOdd(CameraSettings& settings)
{
    settings.picture.brightness = 30000000;
    settings.imaging.exposureLevel = 200;
    settings.imaging.localDisplay = 9;
}

bool IsAcceptable(const SystemDateRecord& r)
{
    if (r.mode > 3 || !IsFlag(r.daylight) || !InRange(r.timeZone, 0, 116) || !Terminated(r.date) ||
        !Terminated(r.time) || !Terminated(r.ntpServer)) {
        return false;
    }
    if (r.mode == 0 || r.mode == 2) {
        return ParseCameraClock(r.date, r.time).has_value();
    }
    return r.mode != 1 || r.ntpServer[0] != '\0';
}

bool IsAcceptable(const PortInfoRecord& r)
{
    for (int32_t port : {r.httpPort, r.httpPort2, r.rtspPort, r.rtspPort2}) {
        if (!InRange(port, 1, 65535)) {
            return false;
        }
    }
    return r.httpPort != r.rtspPort;
}

bool IsAcceptable(const DdnsRecord& r)
{
    return IsFlag(r.enabled) && IsFlag(r.easyEnabled) && IsFlag(r.easyChosen) && Terminated(r.provider) &&
           Terminated(r.user) && Terminated(r.password) && Terminated(r.hash) && Terminated(r.host) &&
           (r.enabled == 0 || r.host[0] != '\0' || r.easyChosen == 1);
}

bool IsAcceptable(const VideoConfigRecord& r, int stream)
{
    const int64_t sizes = stream == 1 ? 6 : 4;
    return r.stream == stream && IsFlag(r.secondaryEnabled) && r.codec <= 2 &&
           InRange(r.frameSize, 0, sizes) && InRange(r.frameRate, 1, 30) && InRange(r.bitRate, 16, 16384) &&
           IsFlag(r.rateControl) && InRange(r.iFrameInterval, 1, 60);
}

bool IsAcceptable(const OsdRecord& r)
{
    return IsFlag(r.showTitle) && IsFlag(r.showTime) && Terminated(r.title) && r.titlePosition <= 1 &&
           r.datePosition <= 3 && r.dateFormat <= 2;
}

bool IsAcceptable(const ImagingSettingsRecord& r, std::string_view model)
{
    const int64_t detailMax = IsAModel(model) ? 255 : 100;
    return InRange(r.brightness, 0, 255) && InRange(r.contrast, 0, 255) && InRange(r.saturation, 0, 255) &&
           InRange(r.sharpness, 0, detailMax) && InRange(r.noiseReduction, 0, detailMax);
}

bool IsAcceptable(const ImagingConfigRecord& r)
{
    return IsFlag(r.mirror) && IsFlag(r.flip) && (r.frequency == 50 || r.frequency == 60) && r.irCut <= 2 &&
           IsFlag(r.wdr) && IsFlag(r.backlight) && r.localDisplay <= 2 && IsFlag(r.outdoor) &&
           r.exposureLevel <= 10 && r.maxExposure <= 12;
}

bool IsAcceptableDeviceName(std::string_view name)
{
    // A ";" would split the discovery reply's field string; control characters
    // have no place in a name shown in lists.
    for (char c : name) {
        if (c == ';' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return !name.empty() && name.size() <= 63 && vtwire::IsValidUtf8(name);
}

std::optional<int64_t> ParseCameraClock(std::string_view date, std::string_view time)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (date.size() != 10 || date[4] != '/' || date[7] != '/' || !Digits(date, 0, 4, year) ||
        !Digits(date, 5, 2, month) || !Digits(date, 8, 2, day)) {
        return std::nullopt;
    }
    if (time.size() != 8 || time[2] != ':' || time[5] != ':' || !Digits(time, 0, 2, hour) ||
        !Digits(time, 3, 2, minute) || !Digits(time, 6, 2, second)) {
        return std::nullopt;
    }
    if (year < 1970 || year > 2099 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    const time_t seconds = timegm(&parts);
    // timegm rolls 31 April over to 1 May; such a date does not exist.
    if (parts.tm_mday != day || parts.tm_mon != month - 1) {
        return std::nullopt;
    }
    return static_cast<int64_t>(seconds);
}

std::string FormatCameraDate(int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[48];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    return text;
}

std::string FormatCameraTime(int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

} // namespace camsim
