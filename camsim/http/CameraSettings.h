#pragma once
// What a simulated camera keeps beyond its network identity: every record the
// device SDK reads or writes, with the camera's rules for accepting new values.
#include "VtIpcSDK.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace camsim {

struct CameraSettings
{
    SystemDateRecord date{};        // mode, daylight, NTP server, time zone; the clock is below
    int64_t clockOffsetSeconds = 0; // camera clock minus the host's clock
    PortInfoRecord ports{};
    DdnsRecord ddns{};
    VideoConfigRecord primary{};
    VideoConfigRecord secondary{};
    OsdRecord osd{};
    ImagingSettingsRecord picture{};
    ImagingConfigRecord imaging{};
};

// A model whose text ends in the letter A.
bool IsAModel(std::string_view model);

// Factory values for a camera of that model; `macText` as "00:30:4F:12:34:56".
CameraSettings FactorySettings(std::string_view model, int httpPort, std::string_view macText);

// What a camera with the odd-imaging fault reports, as some firmware does
// after a botched upgrade: a brightness far beyond 255, an exposure level and
// a local display mode that no list has. Writes are still held to the rules,
// so these stay until a write replaces them.
void MakeImagingOdd(CameraSettings& settings);

// The camera's rules for a write; false refuses it and changes nothing.
bool IsAcceptable(const SystemDateRecord& record);
bool IsAcceptable(const PortInfoRecord& record);
bool IsAcceptable(const DdnsRecord& record);
bool IsAcceptable(const VideoConfigRecord& record, int stream);
bool IsAcceptable(const OsdRecord& record);
bool IsAcceptable(const ImagingSettingsRecord& record, std::string_view model);
bool IsAcceptable(const ImagingConfigRecord& record);

// A device name as the camera keeps it: 1-63 bytes of UTF-8 without ";" or control characters.
bool IsAcceptableDeviceName(std::string_view name);

// "YYYY/MM/DD" and "hh:mm:ss" as seconds since 1970 (the camera's clock has no
// zone of its own); nullopt for a malformed or impossible date or time.
std::optional<int64_t> ParseCameraClock(std::string_view date, std::string_view time);
std::string FormatCameraDate(int64_t seconds);
std::string FormatCameraTime(int64_t seconds);

} // namespace camsim
