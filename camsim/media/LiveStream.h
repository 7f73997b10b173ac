#pragma once
// A camera's live video: GET /vtipc/v1/live?stream=S answers an endless
// multipart/x-mixed-replace body of JPEG pictures of the test picture, at the
// stream's frame size and frame rate, with the camera's picture values and
// OSD as they are at each picture.
#include "LiveCamera.h"
#include "MediaLibrary.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace camsim {

inline constexpr const char* kLiveBoundary = "vtframe";

// One part of the stream: delimiter, headers, the picture and its CRLF.
std::string MjpegPart(const std::string& jpeg);

void AddLiveRoute(httplib::Server& server, std::weak_ptr<LiveCamera> camera, MediaLibrary& library);

} // namespace camsim
