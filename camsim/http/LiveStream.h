#pragma once
// The camera's live picture: a moving test pattern at the stream's frame size,
// with the picture settings applied and the OSD areas marked, as JPEG.
#include "CameraSettings.h"

#include <cstdint>
#include <string>

namespace camsim {

struct FrameSize
{
    int width;
    int height;
};

// The pixel size of a frame-size code of the primary (1) or secondary (0) stream.
FrameSize FrameSizeOf(int stream, int32_t code);

class JpegEncoder
{
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // Picture `frame` of the stream; empty on failure.
    std::string Render(const CameraSettings& settings, int stream, uint64_t frame);

private:
    void* handle_;
};

} // namespace camsim
