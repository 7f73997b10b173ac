#pragma once
// Plain records of the ONVIF media services (Media ver10 and Media2 ver20)
// and of the imaging service, as the clients read and write them. No
// behaviour; texts and lists bounded by the readers (OnvifMediaAnswers.h).
#include <optional>
#include <string>
#include <vector>

namespace onvif {

// Where a camera's media and imaging services are; empty when not offered.
struct MediaServices
{
    std::string media;   // Media ver10
    std::string media2;  // Media2 ver20
    std::string imaging; // Imaging ver20
};

struct VideoResolution
{
    int width = 0;
    int height = 0;
    bool operator==(const VideoResolution&) const = default;
};

// Media ver10 requires a multicast block and a session time-out in every
// configuration it is sent back; they are kept as read.
struct MulticastConfig
{
    std::string addressType = "IPv4";
    std::string address = "0.0.0.0";
    int port = 0;
    int ttl = 0;
    bool autoStart = false;
};

// One video encoder configuration, in the terms both media services share.
struct VideoEncoderConfig
{
    std::string token;
    std::string name;
    int useCount = 0;
    std::string encoding; // "H264", "H265", "JPEG", "MPEG4"
    VideoResolution resolution;
    float quality = 0;
    float frameRateLimit = 0;
    int encodingInterval = 1;            // Media ver10 only
    int bitrateLimit = 0;                // kbit/s
    std::optional<bool> constantBitRate; // Media2 only, when the camera says
    int govLength = 0;
    std::string profile; // the codec's profile: "Main", "High"
    std::optional<MulticastConfig> multicast;
    std::string sessionTimeout = "PT60S"; // Media ver10 only
};

struct MediaProfile
{
    std::string token;
    std::string name;
    std::string videoSourceToken;       // the physical source (imaging works on it)
    std::string videoSourceConfigToken; // its configuration (OSDs hang on it)
    std::optional<VideoEncoderConfig> encoder;
};

struct FloatRange
{
    float min = 0;
    float max = 0;
};

// What one encoding of an encoder configuration can take.
struct VideoEncoderOptions
{
    std::string encoding;
    std::vector<VideoResolution> resolutions;
    std::optional<FloatRange> quality;
    std::optional<FloatRange>
        frameRate;                     // Media ver10: the range; Media2: the lowest and highest offered rate
    std::optional<FloatRange> bitrate; // kbit/s
    std::optional<FloatRange> govLength;
    bool constantBitRateSupported = false;
    std::vector<std::string> profiles;
};

// Media2's on-screen texts.
struct OsdConfig
{
    std::string token; // empty for one to be created
    std::string videoSourceConfigToken;
    std::string type = "Text";          // Text, Image, Extended
    std::string position = "UpperLeft"; // UpperLeft, UpperRight, LowerLeft, LowerRight, Custom
    float x = 0;                        // Custom only: -1 left .. 1 right
    float y = 0;                        // Custom only: -1 bottom .. 1 top
    std::string textType;               // Plain, Date, Time, DateAndTime
    std::string dateFormat;
    std::string timeFormat;
    std::optional<int> fontSize;
    std::string plainText;
    bool operator==(const OsdConfig&) const = default;
};

struct OsdOptions
{
    int maximumTotal = 0;
    std::optional<int> maximumPlainText;
    std::optional<int> maximumDateAndTime;
    std::vector<std::string> positions;
    std::vector<std::string> textTypes;
    std::vector<std::string> dateFormats;
    std::vector<std::string> timeFormats;
};

// Imaging ver20: the settings as read, so that a write sends every value the
// caller did not change back as it was. Absent values are left out.
struct ExposureSettings
{
    std::string mode; // AUTO, MANUAL
    std::string priority;
    std::optional<float> minExposureTime; // microseconds
    std::optional<float> maxExposureTime;
    std::optional<float> minGain;
    std::optional<float> maxGain;
    std::optional<float> minIris;
    std::optional<float> maxIris;
    std::optional<float> exposureTime;
    std::optional<float> gain;
    std::optional<float> iris;
};

struct ModeLevel
{
    std::string mode; // ON, OFF (white balance: AUTO, MANUAL)
    std::optional<float> level;
};

struct WhiteBalanceSettings
{
    std::string mode; // AUTO, MANUAL
    std::optional<float> crGain;
    std::optional<float> cbGain;
};

struct ImagingSettings
{
    std::optional<ModeLevel> backlightCompensation;
    std::optional<float> brightness;
    std::optional<float> colorSaturation;
    std::optional<float> contrast;
    std::optional<ExposureSettings> exposure;
    std::string irCutFilter; // ON, OFF, AUTO; empty when absent
    std::optional<float> sharpness;
    std::optional<ModeLevel> wideDynamicRange;
    std::optional<WhiteBalanceSettings> whiteBalance;
};

struct ImagingOptions
{
    std::vector<std::string> backlightCompensationModes;
    std::optional<FloatRange> brightness;
    std::optional<FloatRange> colorSaturation;
    std::optional<FloatRange> contrast;
    std::vector<std::string> exposureModes;
    std::optional<FloatRange> maxExposureTime;
    std::vector<std::string> irCutFilterModes;
    std::optional<FloatRange> sharpness;
    std::vector<std::string> wideDynamicRangeModes;
    std::vector<std::string> whiteBalanceModes;
};

} // namespace onvif
