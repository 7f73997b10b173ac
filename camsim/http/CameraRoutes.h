#pragma once
// The camera protocol's paths on one camera's server.
#include "LiveCamera.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace httplib {
class Server;
class ContentReader;
}

namespace camsim {

struct CameraActions
{
    std::function<void()> reboot;    // after the answer: silent, then back
    std::function<void()> moveLater; // after the answer: serve on the camera's new port
    // after the answer: write the image (a firmware image may bring a new version), then reboot
    std::function<void(std::optional<std::string>)> flash;
};

inline constexpr size_t kMaxJsonRequest = 64 * 1024;
inline constexpr size_t kMaxImageRequest = 128 * 1024 * 1024;
inline constexpr size_t kMaxOemFile = 16 * 1024 * 1024;
inline constexpr size_t kMaxOemFiles = 32;

// How long `bytes` take over a link of linkMbps megabits a second (0: no time).
std::chrono::microseconds LinkTime(uint64_t bytes, int linkMbps);

inline constexpr size_t kImageHeadBytes = 256;

// Reads an uploaded image no faster than the camera's link carries it, and
// its first kImageHeadBytes into head when given; the bytes received, more
// than kMaxImageRequest when it was too large (reading stops there).
size_t ReceiveImage(const httplib::ContentReader& reader, const std::weak_ptr<LiveCamera>& camera,
                    std::string* head = nullptr);

// Paths whose bodies are files rather than JSON.
bool IsUploadPath(const std::string& path);

void AddCameraRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, CameraActions actions);

} // namespace camsim
