#pragma once
// An ONVIF camera of the simulator served over real HTTP on 127.0.0.1, for
// the tests of OnvifCamera: its entry and address as the device table would
// give them, and its state to check what reached it.
#include "CameraHttpService.h"
#include "LiveCamera.h"
#include "OnvifCamera.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>

inline constexpr const char* kSimPassword = "onvif-pw1";

class OnvifCameraFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_camera = std::make_shared<camsim::LiveCamera>();
        camsim::SimCamera& sim = m_camera->sim;
        sim.ip = "127.0.0.1";
        sim.port = 0;
        sim.mac = {0xAC, 0x1E, 0x50, 0x00, 0x24, 0x01};
        sim.protocol = camsim::CameraProtocol::Onvif;
        sim.maker = "Acme Optics";
        sim.model = "AX-200";
        sim.version = "2.1.0";
        sim.password = kSimPassword;
        sim.clockOffsetSec = -7200; // a camera whose clock is two hours behind
        sim.flashMs = 50;
        sim.rebootMs = 50;
        Configure(sim);
        m_camera->onvif = camsim::InitialOnvifState(sim);
        ASSERT_TRUE(m_service.Start(m_camera));
    }
    void TearDown() override { m_service.StopAll(); }
    // A test's own camera before it starts.
    virtual void Configure(camsim::SimCamera&) {}

    tagVtIpcInfo Entry() const
    {
        tagVtIpcInfo info{};
        std::lock_guard lock(m_camera->mutex);
        std::memcpy(info.mac, m_camera->sim.mac.data(), m_camera->sim.mac.size());
        std::snprintf(info.ip, sizeof info.ip, "%s", m_camera->sim.ip.c_str());
        info.port = m_camera->sim.port;
        std::snprintf(info.model, sizeof info.model, "%s", m_camera->sim.model.c_str());
        return info;
    }
    OnvifCameraAddress Address() const
    {
        return {"http://127.0.0.1:" + std::to_string(Entry().port) + "/onvif/device_service", {}};
    }
    camsim::OnvifState State() const
    {
        std::lock_guard lock(m_camera->mutex);
        return m_camera->onvif;
    }

    camsim::CameraHttpService m_service{4};
    std::shared_ptr<camsim::LiveCamera> m_camera;
};
