// The preview page's rules: slider and camera conversions, the exposure lists
// of the power line frequencies, the reference values of Save and Cancel, the
// video area and the frame rate shown over it.
#include "FrameRateMeter.h"
#include "PreviewRules.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(PreviewConversion, PictureValuesOfAModelsUseTheFullCameraRange)
{
    for (int i = 0; i < kPictureValueCount; ++i) {
        const auto which = static_cast<PictureValue>(i);
        EXPECT_EQ(SliderFromCamera(128, which, true), 50) << i;
        EXPECT_EQ(CameraFromSlider(50, which, true), 127) << i;
        EXPECT_EQ(CameraFromSlider(100, which, true), 255) << i;
        EXPECT_EQ(SliderFromCamera(255, which, true), 100) << i;
        EXPECT_EQ(CameraFromSlider(0, which, true), 0) << i;
        EXPECT_EQ(SliderFromCamera(0, which, true), 0) << i;
        EXPECT_EQ(SliderFromCamera(2, which, true), 0) << "fractions are dropped";
        EXPECT_EQ(CameraFromSlider(1, which, true), 2) << "fractions are dropped";
    }
}

TEST(PreviewConversion, DetailValuesOfOtherCamerasAreShownAsTheyAre)
{
    for (const PictureValue which : {PictureValue::Sharpness, PictureValue::NoiseReduction}) {
        EXPECT_EQ(SliderFromCamera(37, which, false), 37);
        EXPECT_EQ(CameraFromSlider(37, which, false), 37);
        EXPECT_EQ(CameraFromSlider(100, which, false), 100);
    }
    // Brightness, contrast and saturation convert on every camera.
    for (const PictureValue which : {PictureValue::Brightness, PictureValue::Contrast, PictureValue::Saturation}) {
        EXPECT_EQ(SliderFromCamera(128, which, false), 50);
        EXPECT_EQ(CameraFromSlider(50, which, false), 127);
        EXPECT_EQ(SliderFromCamera(37, which, false), 14);
    }
}

TEST(PreviewConversion, DefaultsAreTheMiddleOfEachCamerasRange)
{
    const ImagingSettingsRecord a = DefaultPicture(true);
    const ImagingSettingsRecord plain = DefaultPicture(false);
    for (int i = 0; i < kPictureValueCount; ++i) {
        const auto which = static_cast<PictureValue>(i);
        EXPECT_EQ(SliderFromCamera(PictureField(a, which), which, true), 50) << i;
        EXPECT_EQ(SliderFromCamera(PictureField(plain, which), which, false), 50) << i;
    }
    EXPECT_EQ(a.sharpness, 128);
    EXPECT_EQ(a.noiseReduction, 128);
    EXPECT_EQ(plain.brightness, 128);
    EXPECT_EQ(plain.sharpness, 50);
    EXPECT_EQ(plain.noiseReduction, 50);
}

TEST(PreviewExposure, TheFrequencyPicksTheListAndTheEntry)
{
    const std::vector<std::wstring> at50 = ExposureTimes(50);
    const std::vector<std::wstring> at60 = ExposureTimes(60);
    ASSERT_EQ(at50.size(), 13u);
    ASSERT_EQ(at60.size(), 13u);
    EXPECT_EQ(at50, (std::vector<std::wstring>{L"1/5", L"1/10", L"1/25", L"1/50", L"1/100", L"1/250", L"1/500",
                                               L"1/750", L"1/1000", L"1/2000", L"1/4000", L"1/10000",
                                               L"1/100000"}));
    EXPECT_EQ(std::vector<std::wstring>(at60.begin() + 1, at60.begin() + 5),
              (std::vector<std::wstring>{L"1/15", L"1/30", L"1/60", L"1/120"}));
    EXPECT_EQ(at60.front(), at50.front());
    EXPECT_TRUE(std::equal(at60.begin() + 5, at60.end(), at50.begin() + 5));

    // 50 shows the 50 Hz list with "50HZ", 60 the 60 Hz list with "60HZ";
    // anything else the 60 Hz list with "50HZ".
    EXPECT_EQ(FrequencyEntry(50), 1);
    EXPECT_EQ(FrequencyEntry(60), 0);
    for (const int other : {0, 55, -50, 100}) {
        EXPECT_EQ(ExposureTimes(other), at60) << other;
        EXPECT_EQ(FrequencyEntry(other), 1) << other;
    }
    EXPECT_EQ(FrequencyOfEntry(0), 60);
    EXPECT_EQ(FrequencyOfEntry(1), 50);

    // A change of frequency keeps the index: "1/25" becomes "1/30".
    EXPECT_EQ(at50[2], L"1/25");
    EXPECT_EQ(at60[2], L"1/30");
}

TEST(PreviewChoices, ListsWriteTheirOwnFieldAndLeaveTheRestAsTheCameraGaveIt)
{
    ImagingConfigRecord camera{};
    std::memset(&camera, 0x5A, sizeof camera);
    camera.frequency = 60;
    camera.irCut = 1;
    camera.localDisplay = 2;
    camera.outdoor = 1;
    camera.exposureLevel = 7;
    camera.maxExposure = 11;
    const ImageChoices read = ChoicesOf(camera);
    EXPECT_EQ(read, (ImageChoices{7, 11, 1, 60, 1, 2}));

    ImagingConfigRecord written = camera;
    ApplyChoices(written, ImageChoices{3, 4, 2, 50, 0, 1});
    EXPECT_EQ(ChoicesOf(written), (ImageChoices{3, 4, 2, 50, 0, 1}));
    EXPECT_EQ(written.mirror, 0x5A);
    EXPECT_EQ(written.backlight, 0x5A);
    EXPECT_EQ(std::memcmp(written.reserved1, camera.reserved1, sizeof camera.reserved1), 0);
    EXPECT_EQ(std::memcmp(written.reserved2, camera.reserved2, sizeof camera.reserved2), 0);

    struct Case
    {
        ImageList list;
        int entry;
        ImageChoices expected;
    };
    for (const Case& c : {Case{ImageList::ExposureLevel, 10, {10, 11, 1, 60, 1, 2}},
                          Case{ImageList::MaxExposure, 0, {7, 0, 1, 60, 1, 2}},
                          Case{ImageList::IrCut, 2, {7, 11, 2, 60, 1, 2}},
                          Case{ImageList::Frequency, 1, {7, 11, 1, 50, 1, 2}},
                          Case{ImageList::Frequency, 0, {7, 11, 1, 60, 1, 2}},
                          Case{ImageList::Outdoor, 0, {7, 11, 1, 60, 0, 2}},
                          Case{ImageList::LocalDisplay, 0, {7, 11, 1, 60, 1, 0}}}) {
        ImagingConfigRecord record = camera;
        SetListField(record, c.list, c.entry);
        EXPECT_EQ(ChoicesOf(record), c.expected) << static_cast<int>(c.list) << " " << c.entry;
        EXPECT_EQ(record.flip, 0x5A);
    }
}

TEST(PreviewChoices, ValuesNoControlStandsForShowAtTheNearerEndAndSaveOnlyWhatWasChosen)
{
    // Any 32-bit value a camera gives lands on the slider, without overflow.
    for (const int huge : {21474837, 30000000, INT32_MAX}) {
        EXPECT_EQ(SliderFromCamera(huge, PictureValue::Brightness, true), 100) << huge;
        EXPECT_EQ(SliderFromCamera(huge, PictureValue::Sharpness, false), 100) << huge;
    }
    EXPECT_EQ(SliderFromCamera(-5, PictureValue::Contrast, true), 0);
    EXPECT_EQ(SliderFromCamera(INT32_MIN, PictureValue::NoiseReduction, false), 0);

    // Each list shows an entry: its own, or the nearer end for a value it has not.
    const ImageChoices odd{200, 13, 3, 55, 7, 9};
    const ImageChoices shown{10, 12, 2, 50, 1, 2};
    const ImageChoices valid{4, 5, 1, 60, 0, 1};
    const int validEntries[kImageListCount] = {4, 5, 1, 0, 0, 1};
    for (int i = 0; i < kImageListCount; ++i) {
        const auto list = static_cast<ImageList>(i);
        EXPECT_EQ(ShownListEntry(list, odd), ImageListLastEntry(list)) << i;
        EXPECT_EQ(ShownListEntry(list, valid), validEntries[i]) << i;
    }

    // Save keeps what the camera gave for every list nobody chose from, and
    // the shown entry of the lists that were chosen.
    EXPECT_EQ(ChoicesToSave(odd, shown, {}), odd);
    ChosenLists irCut{};
    irCut[static_cast<std::size_t>(ImageList::IrCut)] = true;
    EXPECT_EQ(ChoicesToSave(odd, ImageChoices{10, 12, 0, 50, 1, 2}, irCut),
              (ImageChoices{200, 13, 0, 55, 7, 9}));
    ChosenLists all{};
    all.fill(true);
    EXPECT_EQ(ChoicesToSave(odd, shown, all), shown);
}

TEST(PreviewLayout, TheVideoAreaIsTheLargestCentred16By9Rectangle)
{
    // Box from (500, 10) to (W - 10, H - 220).
    EXPECT_EQ(VideoAreaRect(1600, 900), (PreviewRect{500, 10 + (670 - 613) / 2, 1090, 613}));
    const PreviewRect tall = VideoAreaRect(1100, 900); // box 590 x 670: full width
    EXPECT_EQ(tall, (PreviewRect{500, 10 + (670 - 331) / 2, 590, 331}));
    const PreviewRect wide = VideoAreaRect(1900, 500); // box 1390 x 270: full height
    EXPECT_EQ(wide, (PreviewRect{500 + (1390 - 480) / 2, 10, 480, 270}));
    for (const auto& [w, h] : {std::pair{1280, 700}, {1920, 1080}, {700, 600}, {3000, 400}}) {
        const PreviewRect r = VideoAreaRect(w, h);
        EXPECT_GE(r.x, 500);
        EXPECT_GE(r.y, 10);
        EXPECT_LE(r.x + r.width, w - 10);
        EXPECT_LE(r.y + r.height, h - 220);
        EXPECT_NEAR(r.width * 9.0 / 16.0, r.height, 1.0) << w << "x" << h;
        // One of the two sides fills the box.
        EXPECT_TRUE(r.width == w - 510 || r.height == h - 230) << w << "x" << h;
    }
    EXPECT_EQ(VideoAreaRect(400, 900), PreviewRect{});
    EXPECT_EQ(VideoAreaRect(1280, 200), PreviewRect{});
}

TEST(PreviewFrameRate, TheRateCountsTheLastSecondOnly)
{
    using namespace std::chrono_literals;
    FrameRateMeter meter;
    const auto start = FrameRateMeter::Clock::time_point{} + 100s;
    EXPECT_EQ(meter.Rate(start), 0.0);
    for (int i = 0; i < 50; ++i) {
        meter.Frame(start + i * 40ms); // 25 per second for two seconds
    }
    EXPECT_NEAR(meter.Rate(start + 49 * 40ms), 25.0, 0.01);
    // The rate of the last second, not of the whole run.
    for (int i = 0; i < 30; ++i) {
        meter.Frame(start + 2s + i * 100ms); // 10 per second from now on
    }
    EXPECT_NEAR(meter.Rate(start + 2s + 29 * 100ms), 10.0, 0.01);
    // Pictures that stopped coming show no rate.
    EXPECT_EQ(meter.Rate(start + 10s), 0.0);
    meter.Reset();
    meter.Frame(start + 20s);
    EXPECT_EQ(meter.Rate(start + 20s), 0.0) << "one picture has no rate";
}

} // namespace
