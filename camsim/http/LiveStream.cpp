#include "LiveStream.h"

#include <ctime>

namespace camsim {
namespace {

constexpr FrameSize kPrimary[] = {{2560, 1920}, {2048, 1536}, {1920, 1080}, {1600, 1200},
                                  {1280, 960},  {1280, 720},  {704, 576}};
constexpr FrameSize kSecondary[] = {{640, 480}, {640, 360}, {352, 288}, {320, 240}, {320, 192}};

} // namespace

FrameSize FrameSizeOf(int stream, int32_t code)
{
    if (stream == 1) {
        return (code >= 0 && code < 7) ? kPrimary[code] : kPrimary[5];
    }
    return (code >= 0 && code < 5) ? kSecondary[code] : kSecondary[0];
}

std::string JpegEncoder::Render(const CameraSettings& settings, int stream, uint64_t frame)
{
    PictureSettings picture;
    picture.size = FrameSizeOf(stream, (stream == 1 ? settings.primary : settings.secondary).frameSize);
    picture.picture = settings.picture;
    picture.osd = settings.osd;
    // The OSD shows the camera's own clock.
    picture.timeText = OsdTimeText(static_cast<int64_t>(std::time(nullptr)) + settings.clockOffsetSeconds,
                                   settings.osd.dateFormat);
    std::string jpeg;
    if (!picture_.Render(picture, frame) || !picture_.Encode(jpeg)) {
        return {};
    }
    return jpeg;
}

} // namespace camsim
