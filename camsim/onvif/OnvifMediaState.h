#pragma once
// What an ONVIF camera keeps for its pictures: two video encoder
// configurations (the main and the sub stream) with the options each offers,
// the on-screen texts (a title and the date and time), and the imaging
// settings with the range the camera measures them in. Plain values, guarded
// by the owning LiveCamera's mutex; the SOAP services change them and the
// stream and snapshot read them.
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace camsim {

struct SimCamera;

struct Resolution
{
    int width = 0;
    int height = 0;
    bool operator==(const Resolution&) const = default;
};

struct IntRange
{
    int min = 0;
    int max = 0;
    bool Holds(double value) const { return value >= min && value <= max; }
};

struct EncoderConfig
{
    std::string token;             // "vec_1"
    std::string name;              // "MainStream"
    std::string encoding = "H264"; // "H264", "H265" or "JPEG"
    Resolution resolution;
    int frameRate = 25;      // frames a second
    int bitrate = 4096;      // kbit/s
    int govLength = 50;      // frames from one key frame to the next
    bool constantBitRate = true;
    double quality = 5;
    std::string profile = "Main"; // the H.264/H.265 profile it names
    bool operator==(const EncoderConfig&) const = default;
};

struct EncoderOptions
{
    std::vector<std::string> encodings;
    std::vector<Resolution> resolutions;
    IntRange frameRate{1, 30};
    IntRange bitrate{64, 16384};
    IntRange govLength{1, 120};
    IntRange quality{1, 10};
};

// One on-screen text: the camera's title, or its date and time.
struct OsdConfig
{
    std::string token;
    bool dateTime = false;
    std::string text;                  // the title's text
    std::string position = "UpperLeft"; // UpperLeft, UpperRight, LowerLeft, LowerRight
    bool operator==(const OsdConfig&) const = default;
};

struct ImagingValues
{
    double brightness = 0;
    double colorSaturation = 0;
    double contrast = 0;
    double sharpness = 0;
    std::string irCutFilter = "AUTO";  // ON, OFF, AUTO
    std::string exposureMode = "AUTO"; // AUTO, MANUAL
    std::string whiteBalanceMode = "AUTO";
    bool operator==(const ImagingValues&) const = default;
};

struct OnvifMediaState
{
    std::array<EncoderConfig, 2> encoders; // profile_1's (main), profile_2's (sub)
    bool h265 = false;                     // H.265 offered beside H.264 and JPEG
    std::vector<OsdConfig> osds;
    int nextOsd = 1; // the number of the next OSD token handed out
    ImagingValues imaging;
    IntRange imagingRange{0, 100}; // of brightness, saturation, contrast and sharpness
};

inline constexpr std::array<const char*, 2> kProfileTokens = {"profile_1", "profile_2"};
inline constexpr const char* kVideoSourceToken = "video_source_1";
inline constexpr const char* kVideoSourceConfigToken = "vsc_1";
inline constexpr const char* kOsdPositions[] = {"UpperLeft", "UpperRight", "LowerLeft", "LowerRight"};

// The media state a camera starts with: main 1920x1080 at 25 frames and
// 4096 kbit/s, sub 640x480 at 15 frames and 512 kbit/s, both H.264; the
// camera's name as the title in the upper left, the date and time in the
// upper right; every imaging value in the middle of its range.
OnvifMediaState InitialMediaState(const SimCamera& camera);

// The options of encoder 0 (main) or 1 (sub).
EncoderOptions OptionsOf(const OnvifMediaState& state, std::size_t encoder);

// Why a configuration is outside the encoder's options; nullopt when it fits.
std::optional<std::string> OutsideOptions(const EncoderConfig& config, const EncoderOptions& options);

// The encoder of a profile or configuration token; nullopt for none.
std::optional<std::size_t> EncoderOfProfile(const std::string& profileToken);
std::optional<std::size_t> EncoderOfToken(const OnvifMediaState& state, const std::string& token);

// "25", "0.5": a number as the answers and the status page write it.
std::string FormatNumber(double value);

// "H264 1920x1080 25 fps 4096 kbit/s CBR GOV 50 quality 5", as the status page shows it.
std::string DescribeEncoder(const EncoderConfig& config);

} // namespace camsim
