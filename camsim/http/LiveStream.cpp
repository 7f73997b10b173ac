#include "LiveStream.h"

#include <algorithm>
#include <turbojpeg.h>
#include <vector>

namespace camsim {
namespace {

constexpr FrameSize kPrimary[] = {{2560, 1920}, {2048, 1536}, {1920, 1080}, {1600, 1200},
                                  {1280, 960},  {1280, 720},  {704, 576}};
constexpr FrameSize kSecondary[] = {{640, 480}, {640, 360}, {352, 288}, {320, 240}, {320, 192}};

// Eight colour bars, as test patterns have them.
constexpr uint8_t kBars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                                 {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};

uint8_t Clamp(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// Brightness shifts, contrast stretches around the middle, saturation moves
// away from or towards grey; 128 leaves a value as it is.
void ApplyPicture(uint8_t (&rgb)[3], const ImagingSettingsRecord& picture)
{
    const int grey = (rgb[0] * 299 + rgb[1] * 587 + rgb[2] * 114) / 1000;
    for (uint8_t& channel : rgb) {
        int value = grey + (channel - grey) * picture.saturation / 128;
        value = (value - 128) * picture.contrast / 128 + 128;
        channel = Clamp(value + picture.brightness - 128);
    }
}

// A 3*5 pixel font: five rows of three bits, the left pixel in the high bit.
struct Glyph
{
    char character;
    uint8_t rows[5];
};

constexpr Glyph kFont[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'-', {0, 0, 7, 0, 0}}, {'/', {1, 1, 2, 4, 4}},
    {':', {0, 2, 0, 2, 0}}, {'.', {0, 0, 0, 0, 2}}, {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
    {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}},
    {'G', {3, 4, 5, 5, 3}}, {'H', {5, 5, 7, 5, 5}}, {'I', {7, 2, 2, 2, 7}}, {'J', {1, 1, 1, 5, 2}},
    {'K', {5, 5, 6, 5, 5}}, {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}}, {'N', {6, 5, 5, 5, 5}},
    {'O', {2, 5, 5, 5, 2}}, {'P', {6, 5, 6, 4, 4}}, {'Q', {2, 5, 5, 3, 1}}, {'R', {6, 5, 6, 5, 5}},
    {'S', {3, 4, 2, 1, 6}}, {'T', {7, 2, 2, 2, 2}}, {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}},
    {'W', {5, 5, 7, 7, 5}}, {'X', {5, 5, 2, 5, 5}}, {'Y', {5, 5, 2, 2, 2}}, {'Z', {7, 1, 2, 4, 7}},
};

const Glyph* GlyphOf(char c)
{
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    for (const Glyph& glyph : kFont) {
        if (glyph.character == upper) {
            return &glyph;
        }
    }
    return nullptr; // drawn as a blank cell
}

// White text on a black band in one corner of the picture.
void DrawText(std::vector<uint8_t>& rgb, FrameSize size, const std::string& text, bool right, bool bottom)
{
    const int scale = std::max(1, size.height / 120);
    const int cell = 4 * scale;
    const int width = std::min(size.width - 16, static_cast<int>(text.size()) * cell + 2 * scale);
    const int height = 7 * scale;
    if (width <= 0 || height > size.height - 16) {
        return;
    }
    const int x0 = right ? size.width - width - 8 : 8;
    const int y0 = bottom ? size.height - height - 8 : 8;
    const auto put = [&](int x, int y, uint8_t value) {
        uint8_t* pixel =
            &rgb[(static_cast<size_t>(y) * static_cast<size_t>(size.width) + static_cast<size_t>(x)) * 3];
        pixel[0] = pixel[1] = pixel[2] = value;
    };
    for (int y = y0; y < y0 + height; ++y) {
        for (int x = x0; x < x0 + width; ++x) {
            put(x, y, 0);
        }
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* glyph = GlyphOf(text[i]);
        const int left = x0 + scale + static_cast<int>(i) * cell;
        if (glyph == nullptr || left + 3 * scale > x0 + width) {
            continue;
        }
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 3; ++column) {
                if ((glyph->rows[row] >> (2 - column)) & 1) {
                    for (int dy = 0; dy < scale; ++dy) {
                        for (int dx = 0; dx < scale; ++dx) {
                            put(left + column * scale + dx, y0 + scale + row * scale + dy, 255);
                        }
                    }
                }
            }
        }
    }
}

std::string Timestamp(int64_t clock, uint8_t format)
{
    const std::string date = FormatCameraDate(clock); // "YYYY/MM/DD"
    const std::string year = date.substr(0, 4);
    const std::string month = date.substr(5, 2);
    const std::string day = date.substr(8, 2);
    const std::string shown = format == 1   ? month + "/" + day + "/" + year
                              : format == 2 ? day + "/" + month + "/" + year
                                            : year + "-" + month + "-" + day;
    return shown + " " + FormatCameraTime(clock);
}

} // namespace

FrameSize FrameSizeOf(int stream, int32_t code)
{
    if (stream == 1) {
        return (code >= 0 && code < 7) ? kPrimary[code] : kPrimary[5];
    }
    return (code >= 0 && code < 5) ? kSecondary[code] : kSecondary[0];
}

JpegEncoder::JpegEncoder() : handle_(tjInitCompress()) {}

JpegEncoder::~JpegEncoder()
{
    if (handle_ != nullptr) {
        tjDestroy(static_cast<tjhandle>(handle_));
    }
}

std::vector<uint8_t> RenderPicture(const CameraSettings& settings, int stream, uint64_t frame, int64_t clock)
{
    const VideoConfigRecord& video = stream == 1 ? settings.primary : settings.secondary;
    const FrameSize size = FrameSizeOf(stream, video.frameSize);
    std::vector<uint8_t> rgb(static_cast<size_t>(size.width) * size.height * 3);
    const int barWidth = std::max(1, size.width / 8);
    const int shift = static_cast<int>((frame * 8) % static_cast<uint64_t>(size.width));
    for (int x = 0; x < size.width; ++x) {
        uint8_t colour[3] = {kBars[((x + shift) / barWidth) % 8][0], kBars[((x + shift) / barWidth) % 8][1],
                             kBars[((x + shift) / barWidth) % 8][2]};
        ApplyPicture(colour, settings.picture);
        for (int y = 0; y < size.height; ++y) {
            std::copy(colour, colour + 3, &rgb[(static_cast<size_t>(y) * size.width + x) * 3]);
        }
    }
    if (settings.osd.showTitle) {
        DrawText(rgb, size, settings.osd.title, settings.osd.titlePosition == 1, false);
    }
    if (settings.osd.showTime) {
        DrawText(rgb, size, Timestamp(clock, settings.osd.dateFormat), settings.osd.datePosition % 2 == 1,
                 settings.osd.datePosition >= 2);
    }
    return rgb;
}

std::string JpegEncoder::Render(const CameraSettings& settings, int stream, uint64_t frame, int64_t clock)
{
    const FrameSize size =
        FrameSizeOf(stream, (stream == 1 ? settings.primary : settings.secondary).frameSize);
    std::vector<uint8_t> rgb = RenderPicture(settings, stream, frame, clock);
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    if (handle_ == nullptr ||
        tjCompress2(static_cast<tjhandle>(handle_), rgb.data(), size.width, size.width * 3, size.height,
                    TJPF_RGB, &jpeg, &jpegSize, TJSAMP_420, 75, 0) != 0) {
        tjFree(jpeg);
        return {};
    }
    std::string picture(reinterpret_cast<const char*>(jpeg), jpegSize);
    tjFree(jpeg);
    return picture;
}

} // namespace camsim
