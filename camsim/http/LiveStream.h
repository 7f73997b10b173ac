#pragma once
// The camera's live picture: the test picture at the stream's frame size,
// with the picture settings applied and the OSD title and time drawn, as JPEG.
#include "CameraSettings.h"
#include "TestPicture.h"

#include <cstdint>
#include <string>

namespace camsim {

// The pixel size of a frame-size code of the primary (1) or secondary (0) stream.
FrameSize FrameSizeOf(int stream, int32_t code);

class JpegEncoder
{
public:
    // Picture `frame` of the stream; empty on failure.
    std::string Render(const CameraSettings& settings, int stream, uint64_t frame);

private:
    TestPicture picture_;
};

} // namespace camsim
