#pragma once
// The device SDK against the simulator's camera web server on 127.0.0.1:
// every call goes over real HTTP, and the camera's kept state is checked.
// Each test starts with a fresh camera and a login to it.
#include "CameraHttpService.h"
#include "VtIpcSDK.h"

#include <gtest/gtest.h>
#include <memory>
#include <mutex>

namespace loopback {

using camsim::CameraHttpService;
using camsim::LiveCamera;

inline std::shared_ptr<LiveCamera> MakeCamera(const char* model = "VT-C6121")
{
    auto camera = std::make_shared<LiveCamera>();
    camera->sim.ip = "127.0.0.1";
    camera->sim.port = 0;
    camera->sim.mac = {0x00, 0x30, 0x4F, 0x12, 0x34, 0x56};
    camera->sim.model = model;
    camera->sim.version = "31.4.0.83";
    camera->sim.name = "Cam A";
    camera->sim.password = "secret1";
    camera->sim.rebootMs = 400;
    camera->settings = camsim::FactorySettings(camera->sim.model, 0, "00:30:4F:12:34:56");
    return camera;
}

inline int PortOf(const std::shared_ptr<LiveCamera>& camera)
{
    std::lock_guard lock(camera->mutex);
    return camera->sim.port;
}

class LoopbackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Vt_Sdk_Init();
        camera_ = MakeCamera();
        ASSERT_TRUE(service_.Start(camera_));
        handle_ = Vt_Ipc_Login("127.0.0.1", "127.0.0.1", PortOf(camera_), "admin", "secret1", 0);
        ASSERT_GE(handle_, 0) << "last error " << Vt_Sdk_GetLastError();
    }
    void TearDown() override { Vt_Sdk_Destroy(); }

    CameraHttpService service_{4};
    std::shared_ptr<LiveCamera> camera_;
    int handle_ = -1;
};

} // namespace loopback
