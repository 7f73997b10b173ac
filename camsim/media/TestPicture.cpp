#include "TestPicture.h"

#include "BitmapFont.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <turbojpeg.h>

namespace camsim {
namespace {

struct Yuv
{
    uint8_t y, u, v;
};

uint8_t Clamp(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// Full-range BT.601, as JPEG stores colour.
Yuv FromRgb(int r, int g, int b)
{
    return {Clamp((299 * r + 587 * g + 114 * b + 500) / 1000),
            Clamp(128 + (-1687 * r - 3313 * g + 5000 * b) / 10000),
            Clamp(128 + (5000 * r - 4187 * g - 813 * b) / 10000)};
}

// 75 % colour bars: white, yellow, cyan, green, magenta, red, blue, black.
const Yuv kBars[8] = {FromRgb(191, 191, 191), FromRgb(191, 191, 0), FromRgb(0, 191, 191), FromRgb(0, 191, 0),
                      FromRgb(191, 0, 191),   FromRgb(191, 0, 0),   FromRgb(0, 0, 191),   FromRgb(0, 0, 0)};

enum class Corner
{
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight
};

} // namespace

std::string OsdTimeText(int64_t seconds, int dateFormat)
{
    const time_t clock = static_cast<time_t>(seconds);
    tm parts{};
    gmtime_r(&clock, &parts);
    const int year = parts.tm_year + 1900;
    const int month = parts.tm_mon + 1;
    char text[40];
    switch (dateFormat) {
    case 1:
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", month, parts.tm_mday, year);
        break;
    case 2:
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", parts.tm_mday, month, year);
        break;
    default:
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, parts.tm_mday);
        break;
    }
    char full[64];
    std::snprintf(full, sizeof full, "%s %02d:%02d:%02d", text, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return full;
}

TestPicture::TestPicture() : encoder_(tjInitCompress()) {}

TestPicture::~TestPicture()
{
    if (encoder_ != nullptr) {
        tjDestroy(static_cast<tjhandle>(encoder_));
    }
}

bool TestPicture::Render(const PictureSettings& settings, uint64_t index)
{
    const FrameSize size = settings.size;
    if (size.width < 16 || size.height < 16 || size.width % 2 != 0 || size.height % 2 != 0 ||
        size.width > 4096 || size.height > 4096) {
        return false;
    }
    width_ = size.width;
    height_ = size.height;
    luma_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    cb_.resize(luma_.size() / 4);
    cr_.resize(luma_.size() / 4);
    DrawBars(index);
    Adjust(settings.picture);
    DrawOsd(settings.osd, settings.timeText);
    return true;
}

void TestPicture::DrawBars(uint64_t index)
{
    const int barsHeight = height_ * 3 / 4 / 2 * 2;
    // The bars scroll by a fixed share of the width per picture.
    const int shift = static_cast<int>((index * static_cast<uint64_t>(std::max(2, width_ / 96))) %
                                       static_cast<uint64_t>(width_));
    std::vector<Yuv> row(static_cast<size_t>(width_));
    for (int x = 0; x < width_; ++x) {
        row[static_cast<size_t>(x)] = kBars[((x + shift) % width_) * 8 / width_];
    }
    for (int y = 0; y < barsHeight; ++y) {
        uint8_t* line = &luma_[static_cast<size_t>(y) * static_cast<size_t>(width_)];
        for (int x = 0; x < width_; ++x) {
            line[x] = row[static_cast<size_t>(x)].y;
        }
    }
    // Below the bars a grey ramp with a light marker that sweeps across it.
    const int marker = static_cast<int>((index * 8) % static_cast<uint64_t>(width_));
    for (int y = barsHeight; y < height_; ++y) {
        uint8_t* line = &luma_[static_cast<size_t>(y) * static_cast<size_t>(width_)];
        for (int x = 0; x < width_; ++x) {
            line[x] = std::abs(x - marker) < width_ / 64 + 2 ? 235 : Clamp(16 + x * 219 / width_);
        }
    }
    const int chromaWidth = width_ / 2;
    for (int y = 0; y < height_ / 2; ++y) {
        uint8_t* u = &cb_[static_cast<size_t>(y) * static_cast<size_t>(chromaWidth)];
        uint8_t* v = &cr_[static_cast<size_t>(y) * static_cast<size_t>(chromaWidth)];
        const bool bars = y * 2 < barsHeight;
        for (int x = 0; x < chromaWidth; ++x) {
            u[x] = bars ? row[static_cast<size_t>(x * 2)].u : 128;
            v[x] = bars ? row[static_cast<size_t>(x * 2)].v : 128;
        }
    }
}

void TestPicture::Adjust(const ImagingSettingsRecord& picture)
{
    // 128 is neutral for all three; brightness shifts, contrast stretches
    // around mid-grey, saturation scales the colour difference.
    const int offset = picture.brightness - 128;
    uint8_t lumaTable[256];
    uint8_t chromaTable[256];
    for (int i = 0; i < 256; ++i) {
        lumaTable[i] = Clamp((i - 128) * picture.contrast / 128 + 128 + offset);
        chromaTable[i] = Clamp(128 + (i - 128) * picture.saturation / 128);
    }
    for (uint8_t& value : luma_) {
        value = lumaTable[value];
    }
    for (uint8_t& value : cb_) {
        value = chromaTable[value];
    }
    for (uint8_t& value : cr_) {
        value = chromaTable[value];
    }
}

void TestPicture::DrawOsd(const OsdRecord& osd, const std::string& timeText)
{
    const int scale = std::max(1, height_ / 180);
    const int margin = 2 * scale;
    const int lineHeight = TextHeight(scale);
    const std::string title(osd.title, strnlen(osd.title, sizeof osd.title));
    const auto place = [&](Corner corner, const std::string& text, int line) {
        const bool right = corner == Corner::TopRight || corner == Corner::BottomRight;
        const bool bottom = corner == Corner::BottomLeft || corner == Corner::BottomRight;
        const int x = right ? width_ - margin - TextWidth(text, scale) : margin;
        const int y = bottom ? height_ - margin - lineHeight * (line + 1) : margin + lineHeight * line;
        DrawText(luma_.data(), width_, height_, width_, x, y, text, scale);
    };
    const auto titleCorner = osd.titlePosition == 1 ? Corner::TopRight : Corner::TopLeft;
    const auto timeCorner = static_cast<Corner>(std::min<int>(osd.datePosition, 3));
    const bool showTitle = osd.showTitle != 0 && !title.empty();
    if (showTitle) {
        place(titleCorner, title, 0);
    }
    if (osd.showTime != 0 && !timeText.empty()) {
        // Sharing a corner with the title, the time goes on the next line.
        place(timeCorner, timeText, showTitle && timeCorner == titleCorner ? 1 : 0);
    }
}

bool TestPicture::Encode(std::string& jpeg, int quality)
{
    if (encoder_ == nullptr || width_ == 0) {
        return false;
    }
    jpeg_.resize(tjBufSize(width_, height_, TJSAMP_420));
    unsigned char* buffer = jpeg_.data();
    unsigned long size = jpeg_.size();
    const unsigned char* planes[3] = {luma_.data(), cb_.data(), cr_.data()};
    const int strides[3] = {width_, width_ / 2, width_ / 2};
    if (tjCompressFromYUVPlanes(static_cast<tjhandle>(encoder_), planes, width_, strides, height_, TJSAMP_420,
                                &buffer, &size, quality, TJFLAG_NOREALLOC) != 0) {
        return false;
    }
    jpeg.assign(reinterpret_cast<const char*>(buffer), size);
    return true;
}

} // namespace camsim
