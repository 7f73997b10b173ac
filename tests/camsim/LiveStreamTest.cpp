#include "LiveStream.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace camsim;

struct Differences
{
    int count = 0;
    int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};

Differences Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width)
{
    Differences d;
    for (size_t i = 0; i < a.size(); i += 3) {
        if (std::memcmp(&a[i], &b[i], 3) != 0) {
            const int x = static_cast<int>(i / 3) % width;
            const int y = static_cast<int>(i / 3) / width;
            ++d.count;
            d.minX = std::min(d.minX, x);
            d.maxX = std::max(d.maxX, x);
            d.minY = std::min(d.minY, y);
            d.maxY = std::max(d.maxY, y);
        }
    }
    return d;
}

CameraSettings Plain()
{
    CameraSettings s = FactorySettings("VT-C6121", 80, "00:30:4F:00:00:01");
    s.primary.frameSize = 6; // 704*576
    s.osd.showTitle = 0;
    s.osd.showTime = 0;
    return s;
}

TEST(LiveStream, FrameSizesFollowTheTables)
{
    EXPECT_EQ(FrameSizeOf(1, 0).width, 2560);
    EXPECT_EQ(FrameSizeOf(1, 6).height, 576);
    EXPECT_EQ(FrameSizeOf(0, 4).width, 320);
    EXPECT_EQ(FrameSizeOf(0, 9).width, 640) << "an unknown code falls back to the first secondary size";
    EXPECT_EQ(RenderPicture(Plain(), 1, 0, 0).size(), 704u * 576u * 3u);
}

TEST(LiveStream, TitleAndTimestampStandWhereTheOsdPutsThem)
{
    const CameraSettings plain = Plain();
    CameraSettings titled = plain;
    titled.osd.showTitle = 1;
    std::strcpy(titled.osd.title, "GATE 1");
    Differences d = Compare(RenderPicture(plain, 1, 0, 0), RenderPicture(titled, 1, 0, 0), 704);
    EXPECT_GT(d.count, 0);
    EXPECT_LT(d.maxX, 352);
    EXPECT_LT(d.maxY, 144);

    CameraSettings other = titled;
    std::strcpy(other.osd.title, "YARD 2");
    EXPECT_GT(Compare(RenderPicture(titled, 1, 0, 0), RenderPicture(other, 1, 0, 0), 704).count, 0)
        << "the text itself is drawn";

    titled.osd.titlePosition = 1;
    d = Compare(RenderPicture(plain, 1, 0, 0), RenderPicture(titled, 1, 0, 0), 704);
    EXPECT_GT(d.minX, 352);

    CameraSettings timed = plain;
    timed.osd.showTime = 1;
    timed.osd.datePosition = 3;
    d = Compare(RenderPicture(timed, 1, 0, 1'800'000'000), RenderPicture(timed, 1, 0, 1'800'000'001), 704);
    EXPECT_GT(d.count, 0) << "the seconds move";
    EXPECT_GT(d.minX, 352);
    EXPECT_GT(d.minY, 432);
}

TEST(LiveStream, PictureSettingsChangeThePixels)
{
    const CameraSettings plain = Plain();
    CameraSettings bright = plain;
    bright.picture.brightness = 255;
    CameraSettings grey = plain;
    grey.picture.saturation = 0;
    const auto mean = [](const std::vector<uint8_t>& rgb) {
        double sum = 0;
        for (uint8_t v : rgb) {
            sum += v;
        }
        return sum / static_cast<double>(rgb.size());
    };
    EXPECT_GT(mean(RenderPicture(bright, 1, 0, 0)), mean(RenderPicture(plain, 1, 0, 0)) + 60);
    const auto pixels = RenderPicture(grey, 1, 0, 0);
    for (size_t i = 0; i < pixels.size(); i += 3 * 97) {
        EXPECT_EQ(pixels[i], pixels[i + 1]);
        EXPECT_EQ(pixels[i + 1], pixels[i + 2]);
    }
    EXPECT_NE(RenderPicture(plain, 1, 0, 0), RenderPicture(plain, 1, 5, 0)) << "the pattern moves";
}

} // namespace
