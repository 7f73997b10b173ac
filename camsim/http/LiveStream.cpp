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

// The area an OSD text takes: a band of the picture's top or bottom corner.
void MarkArea(std::vector<uint8_t>& rgb, FrameSize size, bool right, bool bottom)
{
    const int boxWidth = size.width / 4;
    const int boxHeight = std::max(8, size.height / 18);
    const int x0 = right ? size.width - boxWidth - 8 : 8;
    const int y0 = bottom ? size.height - boxHeight - 8 : 8;
    for (int y = y0; y < y0 + boxHeight; ++y) {
        for (int x = x0; x < x0 + boxWidth; ++x) {
            uint8_t* pixel = &rgb[(static_cast<size_t>(y) * size.width + x) * 3];
            pixel[0] = pixel[1] = pixel[2] = ((x + y) / 4) % 2 == 0 ? 255 : 0;
        }
    }
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

std::string JpegEncoder::Render(const CameraSettings& settings, int stream, uint64_t frame)
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
        MarkArea(rgb, size, settings.osd.titlePosition == 1, false);
    }
    if (settings.osd.showTime) {
        MarkArea(rgb, size, settings.osd.datePosition % 2 == 1, settings.osd.datePosition >= 2);
    }
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
