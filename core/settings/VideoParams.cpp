#include "VideoParams.h"

#include "DeviceName.h"
#include "FamilyCamera.h"
#include "TextCodec.h"
#include "TextTrim.h"
#include "Utf8Text.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {
constexpr std::array<const char*, 7> kPrimaryCaptions = {"5M(2560*1920)", "3M(2048*1536)", "1080P(1920*1080)",
                                                         "2M(1600*1200)", "1.3M(1280*960)", "720P(1280*720)",
                                                         "D1(704*576)"};
constexpr std::array<const char*, 5> kSecondaryCaptions = {"640*480", "640*360", "352*288", "320*240",
                                                           "320*192"};
constexpr int kSecondarySize352 = 2;
constexpr int kSecondarySize320x240 = 3;
constexpr int kCappedPrimaryBitRates = 13;

bool Contains(const std::vector<int>& values, int value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

// A number as the lists show it; the fallback when it is not positive.
int PositiveOr(const std::string& text, int fallback)
{
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value > 0 && value <= 1'000'000 ? static_cast<int>(value) : fallback;
}

int FirstSizeOf(CapabilityClass capability)
{
    switch (capability) {
    case CapabilityClass::Mp5:
        return 0;
    case CapabilityClass::Mp3:
        return 1;
    case CapabilityClass::Hd1080:
        return 2;
    case CapabilityClass::Mp13:
        return 4;
    case CapabilityClass::Hd720:
        break;
    }
    return 5;
}
} // namespace

std::vector<int> CodecChoices(bool aModel)
{
    if (aModel) {
        return {kCodecH264, kCodecMjpeg};
    }
    return {kCodecH264, kCodecMpeg4, kCodecMjpeg};
}

const char* CodecCaption(int codec)
{
    switch (codec) {
    case kCodecH264:
        return "H.264";
    case kCodecMpeg4:
        return "MPEG4";
    case kCodecMjpeg:
        return "MJPEG";
    case kCodecH265:
        return "H.265";
    default:
        return "";
    }
}

int CodecOfEntry(int entry, bool aModel)
{
    const std::vector<int> codecs = CodecChoices(aModel);
    return entry >= 0 && entry < static_cast<int>(codecs.size()) ? codecs[static_cast<std::size_t>(entry)] : -1;
}

int EntryOfWireCodec(int wireCodec, int listCount)
{
    return wireCodec >= 0 && wireCodec < listCount ? wireCodec : 0;
}

int WireCodec(int codec, bool aModel)
{
    if (aModel) {
        return codec == kCodecMjpeg ? 1 : 0;
    }
    return codec;
}

const char* PrimarySizeCaption(int code)
{
    return code >= 0 && code < 7 ? kPrimaryCaptions[static_cast<std::size_t>(code)] : "";
}

const char* SecondarySizeCaption(int code)
{
    return code >= 0 && code < 5 ? kSecondaryCaptions[static_cast<std::size_t>(code)] : "";
}

int PrimarySizeCodeOfCaption(const std::string& caption)
{
    for (std::size_t code = 0; code < kPrimaryCaptions.size(); ++code) {
        if (caption == kPrimaryCaptions[code]) {
            return static_cast<int>(code);
        }
    }
    return kPrimarySize720P;
}

std::vector<int> PrimarySizes(CapabilityClass capability, int codec)
{
    std::vector<int> sizes;
    for (int code = FirstSizeOf(capability); code < 7; ++code) {
        if (code == kPrimarySize5M && codec != kCodecH264) {
            continue;
        }
        if (code == kPrimarySize3M && codec == kCodecMpeg4) {
            continue;
        }
        sizes.push_back(code);
    }
    return sizes;
}

std::vector<int> SecondarySizes(bool aModel)
{
    if (aModel) {
        return {0, 1, 2, 3, 4};
    }
    return {0, 1, 3, 4};
}

int SecondarySizeEntry(int code, bool aModel)
{
    const int count = aModel ? 5 : 4;
    if (code == 0 || code == 1 || code == kSecondarySize352) {
        return code;
    }
    if (code == 4) {
        return count - 1;
    }
    return aModel ? 3 : 2; // the 320*240 entry
}

int PrimaryMaxFrameRate(int sizeCode, int powerFrequency)
{
    if (sizeCode == kPrimarySize5M) {
        return 8;
    }
    if (sizeCode == kPrimarySize3M) {
        return 20;
    }
    return SecondaryMaxFrameRate(powerFrequency);
}

int SecondaryMaxFrameRate(int powerFrequency)
{
    return powerFrequency == 50 ? 25 : 30;
}

bool PrimaryBitRateCapped(int sizeCode)
{
    return sizeCode == kPrimarySize5M || sizeCode == kPrimarySize3M;
}

std::vector<int> PrimaryBitRates(bool capped)
{
    std::vector<int> rates = {16,   32,   64,   128,  256,  512,   1024,  1536,  2048, 3072,
                              4096, 5120, 6144, 7168, 8192, 10240, 12288, 14336, 16384};
    if (capped) {
        rates.resize(kCappedPrimaryBitRates);
    }
    return rates;
}

std::vector<int> SecondaryBitRates(bool aModel)
{
    std::vector<int> rates = {16, 32, 64, 128, 256, 384, 512, 768, 1024};
    if (aModel) {
        rates.insert(rates.end(), {1536, 2048});
    }
    return rates;
}

RateRuleOutcome ApplyRateRules(const RateRuleInput& in)
{
    RateRuleOutcome out;
    const bool mjpeg = in.primaryCodec == kCodecMjpeg;
    // The secondary codec list as it is now.
    if (in.aModel) {
        out.secondaryCodecs = CodecChoices(true);
    } else if (in.secondaryCodecCount == 2) {
        // An earlier MJPEG primary had taken MJPEG away from the secondary.
        out.secondaryCodecs = CodecChoices(false);
        out.rebuildSecondarySizes = true;
    } else {
        out.secondaryCodecs = CodecChoices(false);
    }
    out.secondaryCodecEntry = out.rebuildSecondarySizes
                                  ? EntryOfWireCodec(in.storedSecondaryCodec, 3)
                                  : std::clamp(in.secondaryCodecEntry, 0,
                                               static_cast<int>(out.secondaryCodecs.size()) - 1);

    out.primaryRatesEnabled = !mjpeg;

    out.primaryMaxRate = PrimaryMaxFrameRate(in.primarySize, in.powerFrequency);
    out.primaryRate = in.storedPrimaryRate >= 1 && in.storedPrimaryRate <= out.primaryMaxRate
                          ? in.storedPrimaryRate
                          : out.primaryMaxRate;
    if (in.primarySize == kPrimarySize5M) {
        out.primaryRate = 8;
        out.secondaryForcedOff = true;
        out.secondaryRateCount = in.secondaryRateCount;
    } else {
        out.secondaryRateCount = SecondaryMaxFrameRate(in.powerFrequency);
    }

    const bool capped = PrimaryBitRateCapped(in.primarySize);
    out.primaryBitRates = PrimaryBitRates(capped);
    if (Contains(out.primaryBitRates, in.storedPrimaryBitRate)) {
        out.primaryBitRate = in.storedPrimaryBitRate;
    } else {
        // Above the cap nothing is picked, and the save then sends 2048.
        out.primaryBitRate = capped ? 0 : kDefaultPrimaryBitRate;
    }
    if (mjpeg && capped) {
        out.primaryBitRate = kMjpegPrimaryBitRate;
    }

    out.secondaryRate = in.storedSecondaryRate >= 1 && in.storedSecondaryRate <= out.secondaryRateCount
                            ? in.storedSecondaryRate
                            : SecondaryMaxFrameRate(in.powerFrequency);

    if (!in.aModel && mjpeg) {
        // An ordinary camera cannot send MJPEG on both streams.
        out.primaryBitRate = kMjpegPrimaryBitRate;
        out.secondaryCodecs = {kCodecH264, kCodecMpeg4};
        out.secondaryCodecEntry = in.storedSecondaryCodec == kCodecH264 || in.storedSecondaryCodec == kCodecMpeg4
                                      ? in.storedSecondaryCodec
                                      : 0;
        out.rebuildSecondarySizes = true;
    }
    return out;
}

VideoStreamOptions FamilyVideoOptions(const std::string& model, uint8_t stream, int powerFrequency)
{
    const bool aModel = IsAModel(model);
    VideoStreamOptions options;
    options.codecs = CodecChoices(aModel);
    // H.264 takes every size of the class; the other codecs take fewer.
    options.frameSizes = stream == 1 ? PrimarySizes(CapabilityClassOfModel(model), kCodecH264) : SecondarySizes(aModel);
    options.maxFrameRate = SecondaryMaxFrameRate(powerFrequency);
    const std::vector<int> bitRates = stream == 1 ? PrimaryBitRates(false) : SecondaryBitRates(aModel);
    options.minBitRate = bitRates.front();
    options.maxBitRate = bitRates.back();
    options.minIFrameInterval = ClampIFrame(0);
    options.maxIFrameInterval = ClampIFrame(1000);
    return options;
}

int ClampIFrame(int value)
{
    return std::clamp(value, 1, 60);
}

IFrameEntry ReadIFrameBox(const std::string& text, bool editable, int lastRead)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return editable ? IFrameEntry{90025, 0} : IFrameEntry{0, lastRead};
    }
    const long value = std::strtol(text.c_str() + first, nullptr, 10);
    return {0, ClampIFrame(static_cast<int>(std::clamp<long>(value, 0, 1000)))};
}

SecondaryRates SecondaryRatesOf(int codec, bool streamOn)
{
    SecondaryRates rates;
    if (codec == kCodecMjpeg) {
        rates.editable = false;
        rates.bitRate = kDefaultSecondaryBitRate;
        rates.rateControl = 0;
        return rates;
    }
    rates.editable = streamOn;
    return rates;
}

unsigned VideoTitleProblem(const std::wstring& title)
{
    const std::wstring trimmed = Trimmed(title);
    if (trimmed.empty()) {
        return 90037;
    }
    std::string utf8 = PlatformToUtf8(trimmed);
    utf8.resize(std::min<std::size_t>(utf8.size(), 256));
    return HasForbiddenNameCharacter(utf8) ? 90038 : 0;
}

VideoConfigRecord BuildPrimaryRecord(const StreamForm& form)
{
    VideoConfigRecord r{};
    r.stream = 1;
    r.secondaryEnabled = form.secondaryEnabled ? 1 : 0;
    r.codec = static_cast<uint8_t>(std::max(0, form.codec));
    r.frameSize = form.size >= 0 ? form.size : kPrimarySize720P;
    r.frameRate = PositiveOr(form.rateText, 8);
    r.bitRate = PositiveOr(form.bitRateText, kMjpegPrimaryBitRate);
    r.rateControl = static_cast<uint8_t>(form.rateControl == 0 ? 0 : 1);
    r.iFrameInterval = ClampIFrame(form.iFrame);
    return r;
}

VideoConfigRecord BuildSecondaryRecord(const StreamForm& form)
{
    VideoConfigRecord r{};
    r.stream = 0;
    r.secondaryEnabled = form.secondaryEnabled ? 1 : 0;
    r.codec = static_cast<uint8_t>(std::max(0, form.codec));
    r.frameSize = std::max(0, form.size);
    r.frameRate = PositiveOr(form.rateText, 8);
    r.bitRate = PositiveOr(form.bitRateText, kDefaultSecondaryBitRate);
    r.rateControl = static_cast<uint8_t>(form.rateControl == 0 ? 0 : 1);
    r.iFrameInterval = ClampIFrame(form.iFrame);
    return r;
}

OsdRecord BuildOsdRecord(const OsdForm& form)
{
    OsdRecord r{};
    r.showTitle = form.showTitle ? 1 : 0;
    r.showTime = form.showTime ? 1 : 0;
    const std::wstring title = Trimmed(form.title);
    CTextCodec::ToNarrow(kCodePageAnsi, title.c_str(), r.title, sizeof r.title);
    r.titlePosition = static_cast<uint8_t>(std::clamp(form.titlePosition, 0, 1));
    r.datePosition = static_cast<uint8_t>(std::clamp(form.datePosition, 0, 3));
    r.dateFormat = static_cast<uint8_t>(std::clamp(form.dateFormat, 0, 2));
    return r;
}

std::wstring OsdTitleText(const OsdRecord& record)
{
    char title[sizeof record.title + 1] = {};
    std::memcpy(title, record.title, sizeof record.title);
    std::wstring text(sizeof record.title + 1, L'\0');
    CTextCodec::ToWide(kCodePageAnsi, title, text.data(), static_cast<int>(text.size()));
    return text.c_str();
}

VideoConfigRecord PrimaryForCamera(VideoConfigRecord page, const VideoConfigRecord& current, bool aModel)
{
    page.profile = current.profile;
    page.codec = static_cast<uint8_t>(WireCodec(page.codec, aModel));
    return page;
}

VideoConfigRecord SecondaryForCamera(VideoConfigRecord page, const VideoConfigRecord& current,
                                     int primaryCodec, bool aModel)
{
    page.profile = current.profile;
    if (aModel) {
        page.codec = static_cast<uint8_t>(WireCodec(page.codec, true));
        return page;
    }
    if (primaryCodec == kCodecMjpeg && page.codec == kCodecMjpeg) {
        page.codec = kCodecH264;
    }
    // 352*288 is a size of A models only.
    if (page.frameSize == kSecondarySize352) {
        page.frameSize = kSecondarySize320x240;
    }
    return page;
}

VideoReading ReadVideoSettings(Camera& camera, const std::atomic<bool>& stop)
{
    VideoReading reading;
    OsdRecord osd{};
    if (!stop && camera.GetOsd(osd).Done()) {
        reading.osd = osd;
    }
    ImagingConfigRecord imaging{};
    if (!stop && camera.GetImagingConfig(imaging).Done()) {
        reading.powerFrequency = imaging.frequency;
    }
    ReadVideoStreams(camera, stop, reading);
    return reading;
}

void ReadVideoStreams(Camera& camera, const std::atomic<bool>& stop, VideoReading& reading)
{
    VideoConfigRecord secondary{};
    secondary.stream = 0;
    if (!stop && camera.GetVideoConfig(secondary).Done()) {
        reading.secondary = secondary;
    }
    VideoConfigRecord primary{};
    primary.stream = 1;
    if (!stop && camera.GetVideoConfig(primary).Done()) {
        reading.primary = primary;
    }
    if (IsFamilyCamera(camera) || !camera.Supports(CameraOperation::VideoOptions)) {
        return;
    }
    VideoStreamOptions secondaryOptions;
    if (reading.secondary && !stop && camera.GetVideoOptions(0, secondaryOptions).Done()) {
        reading.secondaryOptions = secondaryOptions;
    }
    VideoStreamOptions primaryOptions;
    if (reading.primary && !stop && camera.GetVideoOptions(1, primaryOptions).Done()) {
        reading.primaryOptions = primaryOptions;
    }
}
