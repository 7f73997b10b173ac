// FamilyCamera's encoder options live beside the class tables they come
// from (VideoParams.h), which the camera class itself does not include.
#include "FamilyCamera.h"
#include "VideoParams.h"

#include <cstring>

CameraResult FamilyCamera::GetVideoOptions(uint8_t stream, VideoStreamOptions& options)
{
    ImagingConfigRecord imaging{};
    if (const CameraResult read = GetImagingConfig(imaging); !read.Done()) {
        return read;
    }
    options = FamilyVideoOptions(std::string(Info().model, strnlen(Info().model, sizeof Info().model)), stream,
                                 imaging.frequency);
    return {};
}
