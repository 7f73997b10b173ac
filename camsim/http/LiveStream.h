#pragma once
// The camera's live picture: a moving test pattern at the stream's frame size,
// with the picture settings applied and the OSD title and timestamp drawn
// where the OSD settings put them, as JPEG.
#include "CameraSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace camsim {

struct FrameSize
{
    int width;
    int height;
};

// The pixel size of a frame-size code of the primary (1) or secondary (0) stream.
FrameSize FrameSizeOf(int stream, int32_t code);

// Picture `frame` of the stream as RGB rows; `clock` is the camera's time for
// the timestamp (seconds since 1970).
std::vector<uint8_t> RenderPicture(const CameraSettings& settings, int stream, uint64_t frame, int64_t clock);

class JpegEncoder
{
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // Picture `frame` of the stream; empty on failure.
    std::string Render(const CameraSettings& settings, int stream, uint64_t frame, int64_t clock);

private:
    void* handle_;
};

} // namespace camsim
