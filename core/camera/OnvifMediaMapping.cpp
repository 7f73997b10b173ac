#include "OnvifMediaMapping.h"

#include "PreviewRules.h"
#include "TextCodec.h"
#include "VideoParams.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {
using onvif::FloatRange;
using onvif::OsdConfig;
using onvif::VideoEncoderOptions;
using onvif::VideoResolution;

constexpr int kPrimarySizeCount = 7;
constexpr int kSecondarySizeCount = 5;
constexpr int kMaxRecordValue = 255;

// The table's sizes are written in its captions: "1080P(1920*1080)", "640*480".
std::optional<VideoResolution> CaptionSize(const char* caption)
{
    const char* numbers = std::strchr(caption, '(');
    VideoResolution size;
    if (std::sscanf(numbers != nullptr ? numbers + 1 : caption, "%d*%d", &size.width, &size.height) != 2) {
        return std::nullopt;
    }
    return size;
}

const VideoEncoderOptions* OptionsFor(const std::vector<VideoEncoderOptions>& options, int codec)
{
    for (const VideoEncoderOptions& item : options) {
        if (WireCodecOfEncoding(item.encoding) == codec) {
            return &item;
        }
    }
    return nullptr;
}

bool Within(float value, const std::optional<FloatRange>& range)
{
    return !range || (value >= range->min && value <= range->max);
}

bool Contains(const std::vector<std::string>& values, const std::string& value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

// ON/OFF of a mode-and-level block as 1/0.
uint8_t ModeOn(const std::optional<onvif::ModeLevel>& block)
{
    return block && block->mode == "ON" ? 1 : 0;
}

// The maximum exposure times of the page's list, in microseconds ("1/25" -> 40000).
std::vector<float> ExposureMicroseconds()
{
    std::vector<float> times;
    for (const std::wstring& text : ExposureTimes(50)) {
        const std::size_t slash = text.find(L'/');
        const long denominator =
            slash == std::wstring::npos ? 0 : std::wcstol(text.c_str() + slash + 1, nullptr, 10);
        times.push_back(denominator > 0 ? 1e6f / static_cast<float>(denominator) : 0.0f);
    }
    return times;
}

uint8_t NearestExposureIndex(float microseconds)
{
    const std::vector<float> times = ExposureMicroseconds();
    std::size_t best = 0;
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (std::fabs(std::log(times[i] / microseconds)) < std::fabs(std::log(times[best] / microseconds))) {
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

// A mode the record asks for: kept when unchanged, else it must be offered.
bool ApplyMode(const std::string& wanted, const std::vector<std::string>& offered, std::string& mode)
{
    if (wanted == mode) {
        return true;
    }
    if (!Contains(offered, wanted)) {
        return false;
    }
    mode = wanted;
    return true;
}

const std::array<const char*, 4> kCorners = {"UpperLeft", "UpperRight", "LowerLeft", "LowerRight"};
const std::array<const char*, 3> kDateFormats = {"yyyy-MM-dd", "MM/dd/yyyy", "dd/MM/yyyy"};

// 0 upper left, 1 upper right, 2 lower left, 3 lower right.
int CornerOf(const OsdConfig& osd)
{
    for (std::size_t i = 0; i < kCorners.size(); ++i) {
        if (osd.position == kCorners[i]) {
            return static_cast<int>(i);
        }
    }
    return (osd.y < 0 ? 2 : 0) + (osd.x > 0 ? 1 : 0);
}

bool IsDateOsd(const OsdConfig& osd)
{
    return osd.type == "Text" && (osd.textType == "DateAndTime" || osd.textType == "Date");
}

std::string Utf8Title(const OsdRecord& record)
{
    const std::wstring title = OsdTitleText(record);
    char utf8[sizeof record.title * 4 + 1] = {};
    CTextCodec::ToNarrowAsTyped(kCodePageUtf8, title.c_str(), utf8, static_cast<int>(sizeof utf8));
    return utf8;
}

// Sets position of osd to a corner the options offer (any when they list none).
bool PlaceAt(int corner, const onvif::OsdOptions& options, OsdConfig& osd)
{
    const std::string position = kCorners[static_cast<std::size_t>(std::clamp(corner, 0, 3))];
    if (osd.position == position) {
        return true;
    }
    if (!options.positions.empty() && !Contains(options.positions, position)) {
        return false;
    }
    osd.position = position;
    return true;
}
} // namespace

int FrameSizeCode(const VideoResolution& resolution, bool primary)
{
    const int count = primary ? kPrimarySizeCount : kSecondarySizeCount;
    for (int code = 0; code < count; ++code) {
        if (FrameSizeOfCode(code, primary) == resolution) {
            return code;
        }
    }
    return -1;
}

std::optional<VideoResolution> FrameSizeOfCode(int code, bool primary)
{
    const char* caption = primary ? PrimarySizeCaption(code) : SecondarySizeCaption(code);
    return *caption == '\0' ? std::nullopt : CaptionSize(caption);
}

int WireCodecOfEncoding(const std::string& encoding)
{
    if (encoding == "H264") {
        return kWireCodecH264;
    }
    if (encoding == "H265") {
        return kWireCodecH265;
    }
    if (encoding == "JPEG") {
        return kWireCodecMjpeg;
    }
    if (encoding == "MPEG4" || encoding == "MPV4-ES") {
        return kWireCodecMpeg4;
    }
    return -1;
}

VideoConfigRecord VideoRecordOf(const onvif::VideoEncoderConfig& encoder, uint8_t stream)
{
    VideoConfigRecord record{};
    record.stream = stream;
    record.secondaryEnabled = 1;
    record.codec = static_cast<uint8_t>(std::max(WireCodecOfEncoding(encoder.encoding), 0));
    record.frameSize = FrameSizeCode(encoder.resolution, stream == 1);
    record.frameRate = static_cast<int32_t>(std::lround(encoder.frameRateLimit));
    record.bitRate = encoder.bitrateLimit;
    record.rateControl = encoder.constantBitRate.value_or(false) ? 0 : 1;
    record.iFrameInterval = encoder.govLength;
    return record;
}

VideoStreamOptions StreamOptionsOf(const std::vector<VideoEncoderOptions>& options,
                                   const std::string& encoding, bool primary)
{
    VideoStreamOptions out;
    out.minFrameRate = out.maxFrameRate = out.minIFrameInterval = out.maxIFrameInterval = 0;
    out.rateControlChoice = false;
    for (const VideoEncoderOptions& item : options) {
        const int codec = WireCodecOfEncoding(item.encoding);
        if (codec >= 0 && std::find(out.codecs.begin(), out.codecs.end(), codec) == out.codecs.end()) {
            out.codecs.push_back(codec);
        }
    }
    std::sort(out.codecs.begin(), out.codecs.end());
    const VideoEncoderOptions* current = OptionsFor(options, WireCodecOfEncoding(encoding));
    if (current == nullptr) {
        return out;
    }
    for (const VideoResolution& resolution : current->resolutions) {
        const int code = FrameSizeCode(resolution, primary);
        if (code >= 0 &&
            std::find(out.frameSizes.begin(), out.frameSizes.end(), code) == out.frameSizes.end()) {
            out.frameSizes.push_back(code);
        }
    }
    std::sort(out.frameSizes.begin(), out.frameSizes.end());
    if (current->frameRate) {
        out.minFrameRate = static_cast<int>(std::ceil(current->frameRate->min));
        out.maxFrameRate = static_cast<int>(std::floor(current->frameRate->max));
    }
    if (current->bitrate) {
        out.minBitRate = static_cast<int>(std::ceil(current->bitrate->min));
        out.maxBitRate = static_cast<int>(std::floor(current->bitrate->max));
    }
    if (current->govLength) {
        out.minIFrameInterval = static_cast<int>(std::ceil(current->govLength->min));
        out.maxIFrameInterval = static_cast<int>(std::floor(current->govLength->max));
    }
    out.rateControlChoice = current->constantBitRateSupported;
    return out;
}

bool ApplyVideoRecord(const VideoConfigRecord& record, const std::vector<VideoEncoderOptions>& options,
                      onvif::VideoEncoderConfig& encoder)
{
    const VideoEncoderOptions* offered = OptionsFor(options, record.codec);
    if (offered == nullptr) {
        return false;
    }
    onvif::VideoEncoderConfig changed = encoder;
    changed.encoding = offered->encoding;
    // Frame size -1 (a size the table lacks) keeps the camera's resolution.
    if (record.frameSize >= 0) {
        const std::optional<VideoResolution> size = FrameSizeOfCode(record.frameSize, record.stream == 1);
        if (!size) {
            return false;
        }
        changed.resolution = *size;
    }
    if (std::find(offered->resolutions.begin(), offered->resolutions.end(), changed.resolution) ==
            offered->resolutions.end() ||
        !Within(static_cast<float>(record.frameRate), offered->frameRate) ||
        !Within(static_cast<float>(record.bitRate), offered->bitrate)) {
        return false;
    }
    changed.frameRateLimit = static_cast<float>(record.frameRate);
    changed.bitrateLimit = record.bitRate;
    if (offered->constantBitRateSupported) {
        changed.constantBitRate = record.rateControl == 0;
    }
    if (offered->govLength) {
        if (!Within(static_cast<float>(record.iFrameInterval), offered->govLength)) {
            return false;
        }
        changed.govLength = record.iFrameInterval;
    } else {
        changed.govLength = 0;
    }
    if (!offered->profiles.empty() && !Contains(offered->profiles, changed.profile)) {
        changed.profile = Contains(offered->profiles, "Main") ? "Main" : offered->profiles.front();
    } else if (offered->profiles.empty() && changed.encoding != encoder.encoding) {
        changed.profile.clear();
    }
    encoder = std::move(changed);
    return true;
}

int ScaledToRecord(float value, const FloatRange& range)
{
    if (range.max <= range.min) {
        return 0;
    }
    const double scaled =
        (static_cast<double>(value) - range.min) * kMaxRecordValue / (range.max - range.min);
    return static_cast<int>(std::clamp<long>(std::lround(scaled), 0, kMaxRecordValue));
}

float ScaledToCamera(int value, const FloatRange& range, std::optional<float> current)
{
    if (current && ScaledToRecord(*current, range) == value) {
        return *current;
    }
    double camera = range.min + static_cast<double>(std::clamp(value, 0, kMaxRecordValue)) *
                                    (range.max - range.min) / kMaxRecordValue;
    if (std::floor(range.min) == range.min && std::floor(range.max) == range.max) {
        camera = std::round(camera);
    }
    return static_cast<float>(std::clamp<double>(camera, range.min, range.max));
}

ImagingSettingsRecord PictureRecordOf(const onvif::ImagingSettings& settings,
                                      const onvif::ImagingOptions& options)
{
    const auto scaled = [](const std::optional<float>& value, const std::optional<FloatRange>& range) {
        return value && range ? ScaledToRecord(*value, *range) : 0;
    };
    return ImagingSettingsRecord{scaled(settings.brightness, options.brightness),
                                 scaled(settings.contrast, options.contrast),
                                 scaled(settings.colorSaturation, options.colorSaturation),
                                 scaled(settings.sharpness, options.sharpness), 0};
}

void ApplyPictureRecord(const ImagingSettingsRecord& record, const onvif::ImagingOptions& options,
                        onvif::ImagingSettings& settings)
{
    const auto apply = [](int value, const std::optional<FloatRange>& range, std::optional<float>& field) {
        if (field && range) {
            field = ScaledToCamera(value, *range, field);
        }
    };
    apply(record.brightness, options.brightness, settings.brightness);
    apply(record.contrast, options.contrast, settings.contrast);
    apply(record.saturation, options.colorSaturation, settings.colorSaturation);
    apply(record.sharpness, options.sharpness, settings.sharpness);
}

ImagingConfigRecord ImagingConfigDefaults()
{
    ImagingConfigRecord record{};
    record.frequency = 50;
    record.irCut = 2;
    record.exposureLevel = 5;
    record.maxExposure = 2;
    return record;
}

ImagingConfigRecord ImagingConfigOf(const onvif::ImagingSettings& settings)
{
    ImagingConfigRecord record = ImagingConfigDefaults();
    if (settings.irCutFilter == "ON") {
        record.irCut = 1;
    } else if (settings.irCutFilter == "OFF") {
        record.irCut = 0;
    }
    record.wdr = ModeOn(settings.wideDynamicRange);
    record.backlight = ModeOn(settings.backlightCompensation);
    if (settings.exposure && settings.exposure->maxExposureTime && *settings.exposure->maxExposureTime > 0) {
        record.maxExposure = NearestExposureIndex(*settings.exposure->maxExposureTime);
    }
    return record;
}

bool ApplyImagingConfig(const ImagingConfigRecord& record, const onvif::ImagingOptions& options,
                        onvif::ImagingSettings& settings)
{
    const ImagingConfigRecord fixed = ImagingConfigDefaults();
    if (record.mirror != fixed.mirror || record.flip != fixed.flip || record.frequency != fixed.frequency ||
        record.exposureLevel != fixed.exposureLevel || record.outdoor != fixed.outdoor ||
        record.localDisplay != fixed.localDisplay || record.irCut > 2 ||
        record.maxExposure >= kExposureTimeCount) {
        return false;
    }
    onvif::ImagingSettings changed = settings;
    const ImagingConfigRecord current = ImagingConfigOf(settings);
    const std::array<const char*, 3> irModes = {"OFF", "ON", "AUTO"};
    if (record.irCut != current.irCut &&
        !ApplyMode(irModes[record.irCut], options.irCutFilterModes, changed.irCutFilter)) {
        return false;
    }
    const auto onOff = [](uint8_t wanted, uint8_t now, const std::vector<std::string>& offered,
                          std::optional<onvif::ModeLevel>& block) {
        if (wanted == now) {
            return true;
        }
        if (!block) {
            block.emplace();
        }
        return ApplyMode(wanted != 0 ? "ON" : "OFF", offered, block->mode);
    };
    if (!onOff(record.wdr, current.wdr, options.wideDynamicRangeModes, changed.wideDynamicRange) ||
        !onOff(record.backlight, current.backlight, options.backlightCompensationModes,
               changed.backlightCompensation)) {
        return false;
    }
    if (record.maxExposure != current.maxExposure) {
        if (!changed.exposure || !options.maxExposureTime) {
            return false;
        }
        const float wanted = ExposureMicroseconds()[record.maxExposure];
        changed.exposure->maxExposureTime =
            std::clamp(wanted, options.maxExposureTime->min, options.maxExposureTime->max);
    }
    settings = std::move(changed);
    return true;
}

OsdPair FindOsdPair(const std::vector<OsdConfig>& osds)
{
    OsdPair pair;
    for (const OsdConfig& osd : osds) {
        if (!pair.title && osd.type == "Text" && osd.textType == "Plain") {
            pair.title = osd;
        } else if (!pair.date && IsDateOsd(osd)) {
            pair.date = osd;
        }
    }
    return pair;
}

OsdRecord OsdRecordOf(const OsdPair& pair)
{
    OsdRecord record{};
    if (pair.title) {
        record.showTitle = 1;
        std::wstring title(pair.title->plainText.size() + 1, L'\0');
        CTextCodec::ToWide(kCodePageUtf8, pair.title->plainText.c_str(), title.data(),
                           static_cast<int>(title.size()));
        CTextCodec::ToNarrow(kCodePageAnsi, title.c_str(), record.title, sizeof record.title);
        record.titlePosition = CornerOf(*pair.title) % 2 == 1 ? 1 : 0;
    }
    if (pair.date) {
        record.showTime = 1;
        record.datePosition = static_cast<uint8_t>(CornerOf(*pair.date));
        for (std::size_t i = 0; i < kDateFormats.size(); ++i) {
            if (pair.date->dateFormat == kDateFormats[i]) {
                record.dateFormat = static_cast<uint8_t>(i);
            }
        }
    }
    return record;
}

bool OsdPairFor(const OsdRecord& record, const onvif::OsdOptions& options,
                const std::string& videoSourceConfigToken, const OsdPair& existing, OsdPair& wanted)
{
    wanted = OsdPair{};
    if (record.showTitle != 0) {
        OsdConfig title = existing.title.value_or(OsdConfig{});
        title.videoSourceConfigToken = videoSourceConfigToken;
        title.type = "Text";
        title.textType = "Plain";
        title.plainText = Utf8Title(record);
        if (!PlaceAt(record.titlePosition == 1 ? 1 : 0, options, title)) {
            return false;
        }
        wanted.title = title;
    }
    if (record.showTime != 0) {
        OsdConfig date = existing.date.value_or(OsdConfig{});
        date.videoSourceConfigToken = videoSourceConfigToken;
        date.type = "Text";
        if (date.textType.empty()) {
            date.textType = "DateAndTime";
            date.timeFormat = options.timeFormats.empty() || Contains(options.timeFormats, "HH:mm:ss")
                                  ? "HH:mm:ss"
                                  : options.timeFormats.front();
        }
        const std::string format =
            kDateFormats[std::min<std::size_t>(record.dateFormat, kDateFormats.size() - 1)];
        if (format != date.dateFormat && !options.dateFormats.empty() &&
            !Contains(options.dateFormats, format)) {
            return false;
        }
        date.dateFormat = format;
        if (!PlaceAt(record.datePosition, options, date)) {
            return false;
        }
        wanted.date = date;
    }
    return true;
}
