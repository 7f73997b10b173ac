#pragma once
// The camera protocol's live video path on one camera's server, and the
// answer with which every file download leaves the camera.
#include "LiveCamera.h"
#include "MediaLibrary.h"

#include <cstddef>
#include <memory>
#include <string>

namespace httplib {
class Server;
struct Response;
} // namespace httplib

namespace camsim {

void AddMediaRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, MediaLibrary& library);

// Answers `bytes` as a file. With `breakHalfway` (the broken-download fault)
// the answer promises the whole file and hangs up after half of it.
void AnswerFile(httplib::Response& res, std::string bytes, const char* contentType, bool breakHalfway);

} // namespace camsim
