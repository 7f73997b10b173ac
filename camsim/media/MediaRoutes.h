#pragma once
// The camera protocol's file and video paths on one camera's server:
// firmware and kernel images, OEM files, the event log, the configuration
// text, SD card and other files, and live MJPEG video.
#include "CameraRoutes.h"
#include "DigestAuth.h"
#include "LiveCamera.h"
#include "MediaLibrary.h"

#include <cstddef>
#include <memory>

namespace httplib {
class Server;
struct Request;
} // namespace httplib

namespace camsim {

inline constexpr size_t kMaxImageBytes = 128 * 1024 * 1024;
inline constexpr size_t kMaxOemBytes = 16 * 1024 * 1024;
inline constexpr size_t kMaxJsonRequestBytes = 64 * 1024;

// The largest body any request may carry; each path's own bound is checked
// by RequestBodyWithinBounds before the body is read.
inline constexpr size_t kMaxRequestBytes = kMaxImageBytes;

// True when the request's announced body fits its path: uploads their own
// bound, everything else a JSON body of at most 64 KiB. A body without a
// length (chunked) is refused everywhere.
bool RequestBodyWithinBounds(const httplib::Request& req);

void AddMediaRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, const CameraActions& actions,
                    MediaLibrary& library, const vtwire::DigestNonceIssuer& nonces);

// The configuration text a camera hands out.
std::string ConfigText(const LiveCamera& camera, const std::string& kernelVersion);

} // namespace camsim
