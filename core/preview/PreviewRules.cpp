#include "PreviewRules.h"

#include "MacText.h"
#include "RecordText.h"

#include <algorithm>
#include <array>

namespace {
constexpr int kSliderMax = 100;
constexpr int kCameraMax = 255;

// Entries 1-4 are the ones the 60 Hz list replaces.
constexpr std::array<const wchar_t*, kExposureTimeCount> k50HzTimes = {
    L"1/5",   L"1/10",   L"1/25",   L"1/50",    L"1/100",    L"1/250",   L"1/500",
    L"1/750", L"1/1000", L"1/2000", L"1/4000", L"1/10000", L"1/100000"};
constexpr std::array<const wchar_t*, 4> k60HzReplacements = {L"1/15", L"1/30", L"1/60", L"1/120"};

// The box the video area is centred in, relative to the page.
constexpr int kBoxLeft = 500;
constexpr int kBoxTop = 10;
constexpr int kBoxRightMargin = 10;
constexpr int kBoxBottomMargin = 220;
} // namespace

bool UsesSliderRange(PictureValue value, bool aModel)
{
    return !aModel && (value == PictureValue::Sharpness || value == PictureValue::NoiseReduction);
}

int SliderFromCamera(int value, PictureValue which, bool aModel)
{
    // Clamped first: a camera may give any 32-bit number, and the product
    // must not overflow.
    if (UsesSliderRange(which, aModel)) {
        return std::clamp(value, 0, kSliderMax);
    }
    return std::clamp(value, 0, kCameraMax) * kSliderMax / kCameraMax;
}

int CameraFromSlider(int position, PictureValue which, bool aModel)
{
    return UsesSliderRange(which, aModel) ? position : position * kCameraMax / kSliderMax;
}

int32_t& PictureField(ImagingSettingsRecord& record, PictureValue which)
{
    switch (which) {
    case PictureValue::Brightness:
        return record.brightness;
    case PictureValue::Contrast:
        return record.contrast;
    case PictureValue::Saturation:
        return record.saturation;
    case PictureValue::Sharpness:
        return record.sharpness;
    case PictureValue::NoiseReduction:
        break;
    }
    return record.noiseReduction;
}

int32_t PictureField(const ImagingSettingsRecord& record, PictureValue which)
{
    return PictureField(const_cast<ImagingSettingsRecord&>(record), which);
}

ImagingSettingsRecord DefaultPicture(bool aModel)
{
    const int32_t detail = aModel ? 128 : 50;
    return ImagingSettingsRecord{128, 128, 128, detail, detail};
}

std::vector<std::wstring> ExposureTimes(int frequency)
{
    std::vector<std::wstring> times(k50HzTimes.begin(), k50HzTimes.end());
    if (frequency != 50) {
        for (std::size_t i = 0; i < k60HzReplacements.size(); ++i) {
            times[i + 1] = k60HzReplacements[i];
        }
    }
    return times;
}

int FrequencyEntry(int32_t frequency)
{
    return frequency == 60 ? 0 : 1;
}

int32_t FrequencyOfEntry(int entry)
{
    return entry == 0 ? 60 : 50;
}

ImageChoices ChoicesOf(const ImagingConfigRecord& record)
{
    return ImageChoices{record.exposureLevel, record.maxExposure, record.irCut,
                        record.frequency,     record.outdoor,     record.localDisplay};
}

void ApplyChoices(ImagingConfigRecord& record, const ImageChoices& choices)
{
    record.exposureLevel = choices.exposureLevel;
    record.maxExposure = choices.maxExposure;
    record.irCut = choices.irCut;
    record.frequency = choices.frequency;
    record.outdoor = choices.outdoor;
    record.localDisplay = choices.localDisplay;
}

void SetListField(ImagingConfigRecord& record, ImageList list, int entry)
{
    const auto byte = static_cast<uint8_t>(entry);
    switch (list) {
    case ImageList::ExposureLevel:
        record.exposureLevel = byte;
        break;
    case ImageList::MaxExposure:
        record.maxExposure = byte;
        break;
    case ImageList::IrCut:
        record.irCut = byte;
        break;
    case ImageList::Frequency:
        record.frequency = FrequencyOfEntry(entry);
        break;
    case ImageList::Outdoor:
        record.outdoor = byte;
        break;
    case ImageList::LocalDisplay:
        record.localDisplay = byte;
        break;
    }
}

int ImageListLastEntry(ImageList list)
{
    switch (list) {
    case ImageList::ExposureLevel:
        return 10;
    case ImageList::MaxExposure:
        return kExposureTimeCount - 1;
    case ImageList::IrCut:
    case ImageList::LocalDisplay:
        return 2;
    case ImageList::Frequency:
    case ImageList::Outdoor:
        return 1;
    }
    return 0;
}

int ShownListEntry(ImageList list, const ImageChoices& choices)
{
    int value = 0;
    switch (list) {
    case ImageList::ExposureLevel:
        value = choices.exposureLevel;
        break;
    case ImageList::MaxExposure:
        value = choices.maxExposure;
        break;
    case ImageList::IrCut:
        value = choices.irCut;
        break;
    case ImageList::Frequency:
        return FrequencyEntry(choices.frequency);
    case ImageList::Outdoor:
        value = choices.outdoor;
        break;
    case ImageList::LocalDisplay:
        value = choices.localDisplay;
        break;
    }
    return std::min(value, ImageListLastEntry(list));
}

ImageChoices ChoicesToSave(const ImageChoices& reference, const ImageChoices& shown,
                           const ChosenLists& chosen)
{
    ImagingConfigRecord record{};
    ApplyChoices(record, reference);
    for (int i = 0; i < kImageListCount; ++i) {
        const auto list = static_cast<ImageList>(i);
        if (chosen[static_cast<std::size_t>(i)]) {
            SetListField(record, list, ShownListEntry(list, shown));
        }
    }
    return ChoicesOf(record);
}

PreviewRect VideoAreaRect(int width, int height)
{
    const int boxWidth = width - kBoxRightMargin - kBoxLeft;
    const int boxHeight = height - kBoxBottomMargin - kBoxTop;
    if (boxWidth <= 0 || boxHeight <= 0) {
        return {};
    }
    if (boxWidth * 9 >= boxHeight * 16) {
        const int videoWidth = boxHeight * 16 / 9;
        return {kBoxLeft + (boxWidth - videoWidth) / 2, kBoxTop, videoWidth, boxHeight};
    }
    const int videoHeight = boxWidth * 9 / 16;
    return {kBoxLeft, kBoxTop + (boxHeight - videoHeight) / 2, boxWidth, videoHeight};
}

std::vector<std::wstring> NameMacIpModelFields(const tagVtIpcInfo& info)
{
    const auto wide = [](const std::string& text) { return std::wstring(text.begin(), text.end()); };
    return {NameText(info), wide(FormatMac(info.mac)), wide(FormatMac(info.mac, false)), FieldText(info.ip),
            FieldText(info.model)};
}
