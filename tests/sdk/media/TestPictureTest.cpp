// The simulated camera's picture: sizes, picture values and OSD placement.
#include "TestPicture.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <numeric>
#include <turbojpeg.h>

namespace {

using camsim::FrameSize;
using camsim::PictureSettings;
using camsim::TestPicture;

double MeanLuma(const TestPicture& picture)
{
    const auto& luma = picture.Luma();
    return std::accumulate(luma.begin(), luma.end(), 0.0) / static_cast<double>(luma.size());
}

// Light OSD pixels (235) inside a box of the picture.
int LightPixels(const TestPicture& picture, int x0, int y0, int width, int height)
{
    int count = 0;
    for (int y = y0; y < y0 + height; ++y) {
        for (int x = x0; x < x0 + width; ++x) {
            count += picture.Luma()[static_cast<size_t>(y * picture.Width() + x)] >= 235 ? 1 : 0;
        }
    }
    return count;
}

PictureSettings Plain(FrameSize size)
{
    PictureSettings settings;
    settings.size = size;
    settings.picture = {128, 128, 128, 50, 50};
    return settings;
}

TEST(TestPictureTest, EncodesAJpegOfTheAskedSizeThatMovesFromPictureToPicture)
{
    TestPicture picture;
    ASSERT_TRUE(picture.Render(Plain({704, 576}), 0));
    std::string first;
    ASSERT_TRUE(picture.Encode(first));
    ASSERT_TRUE(picture.Render(Plain({704, 576}), 5));
    std::string later;
    ASSERT_TRUE(picture.Encode(later));
    EXPECT_NE(first, later);
    tjhandle decoder = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    ASSERT_EQ(tjDecompressHeader3(decoder, reinterpret_cast<const unsigned char*>(first.data()), first.size(),
                                  &width, &height, &subsampling, &colorspace),
              0);
    tjDestroy(decoder);
    EXPECT_EQ(width, 704);
    EXPECT_EQ(height, 576);
    EXPECT_FALSE(picture.Render(Plain({15, 16}), 0));
    EXPECT_FALSE(picture.Render(Plain({0, 0}), 0));
    EXPECT_FALSE(picture.Render(Plain({8192, 16}), 0));
}

TEST(TestPictureTest, BrightnessAndContrastMoveTheLuma)
{
    TestPicture picture;
    ASSERT_TRUE(picture.Render(Plain({320, 240}), 3));
    const double neutral = MeanLuma(picture);
    auto settings = Plain({320, 240});
    settings.picture.brightness = 200;
    ASSERT_TRUE(picture.Render(settings, 3));
    EXPECT_GT(MeanLuma(picture), neutral + 50);
    settings.picture.brightness = 20;
    ASSERT_TRUE(picture.Render(settings, 3));
    EXPECT_LT(MeanLuma(picture), neutral - 50);
    settings = Plain({320, 240});
    settings.picture.contrast = 0;
    ASSERT_TRUE(picture.Render(settings, 3));
    const auto [low, high] = std::minmax_element(picture.Luma().begin(), picture.Luma().end());
    EXPECT_EQ(*low, 128);
    EXPECT_EQ(*high, 128);
}

TEST(TestPictureTest, SaturationZeroLeavesOnlyGrey)
{
    TestPicture picture;
    auto settings = Plain({320, 240});
    settings.picture.saturation = 0;
    ASSERT_TRUE(picture.Render(settings, 1));
    std::string jpeg;
    ASSERT_TRUE(picture.Encode(jpeg, 95));
    std::vector<unsigned char> rgb(320 * 240 * 3);
    tjhandle decoder = tjInitDecompress();
    ASSERT_EQ(tjDecompress2(decoder, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(),
                            rgb.data(), 320, 0, 240, TJPF_RGB, 0),
              0);
    tjDestroy(decoder);
    int worst = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        worst = std::max({worst, std::abs(rgb[i] - rgb[i + 1]), std::abs(rgb[i + 1] - rgb[i + 2])});
    }
    EXPECT_LE(worst, 4);
}

TEST(TestPictureTest, TitleAndTimeStandWhereTheOsdPutsThem)
{
    TestPicture picture;
    auto settings = Plain({640, 480});
    settings.picture.brightness = 0; // a dark picture: light pixels are OSD text
    settings.picture.contrast = 0;
    std::strcpy(settings.osd.title, "Gate 4");
    settings.osd.showTitle = 1;
    settings.osd.showTime = 1;
    settings.timeText = camsim::OsdTimeText(0, 0);
    const int band = 40;
    struct Case
    {
        int titlePosition;
        int datePosition;
        bool topLeft, topRight, bottomLeft, bottomRight;
    };
    for (const Case& c : {Case{0, 1, true, true, false, false}, Case{1, 2, false, true, true, false},
                          Case{0, 3, true, false, false, true}}) {
        settings.osd.titlePosition = static_cast<uint8_t>(c.titlePosition);
        settings.osd.datePosition = static_cast<uint8_t>(c.datePosition);
        ASSERT_TRUE(picture.Render(settings, 0));
        EXPECT_EQ(LightPixels(picture, 0, 0, 200, band) > 0, c.topLeft) << c.titlePosition << c.datePosition;
        EXPECT_EQ(LightPixels(picture, 440, 0, 200, band) > 0, c.topRight)
            << c.titlePosition << c.datePosition;
        EXPECT_EQ(LightPixels(picture, 0, 480 - band, 200, band) > 0, c.bottomLeft);
        EXPECT_EQ(LightPixels(picture, 440, 480 - band, 200, band) > 0, c.bottomRight);
    }
    // Title and time in one corner: the time goes on the next line.
    settings.osd.titlePosition = 0;
    settings.osd.datePosition = 0;
    ASSERT_TRUE(picture.Render(settings, 0));
    EXPECT_GT(LightPixels(picture, 0, 0, 640, band / 2 + 4), 0);
    EXPECT_GT(LightPixels(picture, 0, band / 2 + 8, 640, band / 2), 0);
    settings.osd.showTitle = 0;
    settings.osd.showTime = 0;
    ASSERT_TRUE(picture.Render(settings, 0));
    EXPECT_EQ(LightPixels(picture, 0, 0, 640, 480), 0);
}

TEST(TestPictureTest, OsdTimeFollowsTheDateFormat)
{
    const int64_t moment = 1796630709; // 2026-12-07 08:05:09 on the camera clock
    EXPECT_EQ(camsim::OsdTimeText(moment, 0), "2026-12-07 08:05:09");
    EXPECT_EQ(camsim::OsdTimeText(moment, 1), "12/07/2026 08:05:09");
    EXPECT_EQ(camsim::OsdTimeText(moment, 2), "07/12/2026 08:05:09");
}

} // namespace
