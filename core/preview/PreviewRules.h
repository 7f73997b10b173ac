#pragma once
#include "Tivox.h"
#include "VtIpcSDK.h"
#include "ZxExport.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Rules of the video preview page: how slider positions and camera values
// convert, which exposure times a power line frequency offers, the list
// values kept as the reference for Cancel, and where the video area goes.

// The five picture values, in the order of the imaging settings record.
enum class PictureValue
{
    Brightness = 0,
    Contrast = 1,
    Saturation = 2,
    Sharpness = 3,
    NoiseReduction = 4,
};
inline constexpr int kPictureValueCount = 5;

// Sliders run 0-100. Cameras keep 0-255, except sharpness and noise reduction
// on cameras whose model does not end in "A", which keep 0-100 and show
// their value unconverted.
ZX_EXPORT bool UsesSliderRange(PictureValue value, bool aModel);
// position = value * 100 / 255 (fraction dropped), or the value itself; a
// value outside the camera's range shows at the nearer end of the slider.
ZX_EXPORT int SliderFromCamera(int value, PictureValue which, bool aModel);
// value = position * 255 / 100 (fraction dropped), or the position itself.
ZX_EXPORT int CameraFromSlider(int position, PictureValue which, bool aModel);
ZX_EXPORT int32_t& PictureField(ImagingSettingsRecord& record, PictureValue which);
ZX_EXPORT int32_t PictureField(const ImagingSettingsRecord& record, PictureValue which);
// What Default writes: 128 for all five, except 50 for sharpness and noise
// reduction on cameras that keep 0-100.
ZX_EXPORT ImagingSettingsRecord DefaultPicture(bool aModel);

// The maximum exposure times offered at a power line frequency: the 50 Hz
// list for 50, the 60 Hz list for anything else. Both hold 13 entries, so an
// index keeps its place when the frequency changes.
ZX_EXPORT std::vector<std::wstring> ExposureTimes(int frequency);
inline constexpr int kExposureTimeCount = 13;

// The power line frequency list holds "60HZ" (entry 0) and "50HZ" (entry 1).
// A field of 60 selects "60HZ", anything else "50HZ".
ZX_EXPORT int FrequencyEntry(int32_t frequency);
ZX_EXPORT int32_t FrequencyOfEntry(int entry);

// The six list values of the imaging configuration: what a selection reads,
// Save keeps and Cancel writes back.
struct ImageChoices
{
    uint8_t exposureLevel = 0;
    uint8_t maxExposure = 0;
    uint8_t irCut = 0;
    int32_t frequency = 0;
    uint8_t outdoor = 0;
    uint8_t localDisplay = 0;

    bool operator==(const ImageChoices&) const = default;
};
ZX_EXPORT ImageChoices ChoicesOf(const ImagingConfigRecord& record);
// Puts the six values into the record; every other byte stays as it is.
ZX_EXPORT void ApplyChoices(ImagingConfigRecord& record, const ImageChoices& choices);

// One list of the page; a list change sets that one field.
enum class ImageList
{
    ExposureLevel,
    MaxExposure,
    IrCut,
    Frequency, // entry index: 0 "60HZ", 1 "50HZ"
    Outdoor,
    LocalDisplay,
};
ZX_EXPORT void SetListField(ImagingConfigRecord& record, ImageList list, int entry);
inline constexpr int kImageListCount = 6;

// The highest entry a list takes (the frequency list: 0 "60HZ", 1 "50HZ").
ZX_EXPORT int ImageListLastEntry(ImageList list);
// The entry a list shows for the values a camera gave: the value's own entry,
// or the nearer end of the list for a value that no entry stands for.
ZX_EXPORT int ShownListEntry(ImageList list, const ImageChoices& choices);

// What Save keeps and writes: the shown entry of every list the operator
// chose from since the reference was read, kept or written back, and the
// reference value of every other list, so that a value no entry stands for
// goes back to the camera as the camera gave it, never as the entry shown.
using ChosenLists = std::array<bool, kImageListCount>;
ZX_EXPORT ImageChoices ChoicesToSave(const ImageChoices& reference, const ImageChoices& shown,
                                     const ChosenLists& chosen);

struct PreviewRect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PreviewRect&) const = default;
};
// The largest 16:9 rectangle centred in the box from (500, 10) to
// (width - 10, height - 220) of a page of that size; empty when no room.
ZX_EXPORT PreviewRect VideoAreaRect(int width, int height);

// The texts the search filter looks in on a list of name, address, IP and
// model: the device name, the MAC address with and without colons, the IP
// address and the model.
ZX_EXPORT std::vector<std::wstring> NameMacIpModelFields(const tagVtIpcInfo& info);
