#pragma once
// The camera protocol's paths on one camera's server.
#include "LiveCamera.h"

#include <functional>
#include <memory>

namespace httplib {
class Server;
}

namespace camsim {

struct CameraActions
{
    std::function<void()> reboot;    // after the answer: silent, then back
    std::function<void()> moveLater; // after the answer: serve on the camera's new port
};

void AddCameraRoutes(httplib::Server& server, std::weak_ptr<LiveCamera> camera, CameraActions actions);

} // namespace camsim
