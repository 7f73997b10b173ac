// vtcamsim: any number of simulated cameras on one network interface, each
// answering discovery and modify frames and serving the camera protocol on its
// own address and port.
#include "CameraHttpService.h"
#include "Churn.h"
#include "InterfaceAddresses.h"
#include "RawFrameResponder.h"
#include "RtspService.h"
#include "SimConfig.h"
#include "WsDiscovery.h"

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {
camsim::RawFrameResponder* g_responder = nullptr;
camsim::Churn* g_churn = nullptr;

void OnSignal(int /*signal*/)
{
    if (g_responder != nullptr) {
        g_responder->Stop();
    }
}

// SIGUSR1: the churn settles and reports the cameras present.
void OnReportSignal(int /*signal*/)
{
    if (g_churn != nullptr) {
        g_churn->RequestReport();
    }
}

camsim::InterfaceAddress AddressOf(const camsim::LiveCamera& camera)
{
    std::lock_guard lock(camera.mutex);
    return {camera.sim.ip, camera.sim.netmask};
}

bool IsSilent(const camsim::LiveCamera& camera)
{
    std::lock_guard lock(camera.mutex);
    return camera.sim.silent;
}

bool HasOnvifCameras(const camsim::CameraTable& table)
{
    for (const auto& camera : table.Snapshot()) {
        if (camera.IsOnvif()) {
            return true;
        }
    }
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    camsim::SimOptions options;
    std::string message;
    if (!camsim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, message)) {
        std::fputs(message.c_str(), stderr);
        return message.rfind("usage", 0) == 0 ? 0 : 2;
    }
    std::vector<camsim::SimCamera> cameras;
    if (!camsim::BuildCameras(options, cameras, message)) {
        std::fprintf(stderr, "vtcamsim: %s\n", message.c_str());
        return 2;
    }
    camsim::CameraTable table;
    for (auto& camera : cameras) {
        table.Add(std::move(camera));
    }
    std::vector<camsim::InterfaceAddress> addresses;
    for (const auto& camera : table.Cameras()) {
        addresses.push_back(AddressOf(*camera));
    }
    if (!camsim::AddInterfaceAddresses(options.interfaceName, addresses, message)) {
        std::fprintf(stderr, "vtcamsim: %s\n", message.c_str());
        return 1;
    }
    camsim::RawFrameResponder responder(table);
    if (!responder.Open(options.interfaceName, message)) {
        std::fprintf(stderr, "vtcamsim: cannot open %s: %s\n", options.interfaceName.c_str(),
                     message.c_str());
        return 1;
    }
    camsim::WsDiscoveryResponder discovery(table);
    if (HasOnvifCameras(table) && !discovery.Start(options.interfaceName, message)) {
        std::fprintf(stderr, "vtcamsim: %s\n", message.c_str());
        return 1;
    }
    // Before the web servers, which start and stop the streams with the cameras.
    std::optional<camsim::RtspService> rtsp;
    if (HasOnvifCameras(table)) {
        rtsp.emplace();
    }
    camsim::CameraHttpService web(static_cast<size_t>(options.httpWorkers));
    web.SetServingCallback([&rtsp](const std::shared_ptr<camsim::LiveCamera>& camera, bool serving) {
        if (!rtsp || !camera) {
            return;
        }
        if (!serving) {
            rtsp->Stop(camera);
        } else if (!rtsp->Serve(camera)) {
            std::fprintf(stderr, "vtcamsim: no RTSP for %s\n", AddressOf(*camera).ip.c_str());
        }
    });
    web.SetRestreamCallback([&rtsp](const std::shared_ptr<camsim::LiveCamera>& camera) {
        if (rtsp) {
            rtsp->Refresh(camera);
        }
    });
    web.SetRebootedCallback([&responder, &discovery](const std::shared_ptr<camsim::LiveCamera>& camera) {
        camsim::SimCamera announced;
        {
            std::lock_guard lock(camera->mutex);
            announced = camera->sim;
        }
        responder.Announce(announced);
        discovery.Hello(camera);
    });
    web.SetGoingCallback([&discovery](const std::shared_ptr<camsim::LiveCamera>& camera) { discovery.Bye(camera); });
    web.SetReaddressCallback([&](const std::shared_ptr<camsim::LiveCamera>& camera) {
        std::string error;
        if (!camsim::AddInterfaceAddresses(options.interfaceName, {AddressOf(*camera)}, error) ||
            !web.Restart(camera)) {
            std::fprintf(stderr, "vtcamsim: ONVIF camera cannot serve on its new address %s %s\n",
                         AddressOf(*camera).ip.c_str(), error.c_str());
        }
        discovery.Hello(camera);
    });
    responder.SetModifiedCallback([&](const camsim::MacAddress& mac) {
        const auto camera = table.FindLive(mac);
        if (!camera) {
            return;
        }
        std::string error;
        if (!camsim::AddInterfaceAddresses(options.interfaceName, {AddressOf(*camera)}, error) ||
            !web.Restart(camera)) {
            std::fprintf(stderr, "vtcamsim: camera %s cannot serve on its new address %s\n",
                         camsim::FormatMac(mac).c_str(), error.c_str());
        }
    });
    size_t serving = 0;
    uint32_t rebootSeed = options.seed;
    for (const auto& camera : table.Cameras()) {
        if (web.Start(camera)) {
            ++serving;
        } else {
            std::fprintf(stderr, "vtcamsim: no web server for %s\n", AddressOf(*camera).ip.c_str());
        }
        web.RebootNowAndThen(camera, ++rebootSeed);
        discovery.Hello(camera);
    }
    auto churn = camsim::StartChurn(options, table, web, responder, discovery);
    g_churn = churn.get();
    std::signal(SIGUSR1, OnReportSignal);
    g_responder = &responder;
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    const auto all = table.Snapshot();
    std::printf("vtcamsim ready: %zu cameras on %s, %s (%s) to %s (%s), %zu web servers\n", all.size(),
                options.interfaceName.c_str(), camsim::FormatMac(all.front().mac).c_str(),
                all.front().ip.c_str(), camsim::FormatMac(all.back().mac).c_str(), all.back().ip.c_str(),
                serving);
    std::fflush(stdout);
    responder.Run();
    g_responder = nullptr;
    g_churn = nullptr;
    churn.reset();
    for (const auto& camera : table.Cameras()) {
        if (!AddressOf(*camera).ip.empty() && !IsSilent(*camera)) {
            discovery.Bye(camera);
        }
    }
    web.StopAll();
    discovery.Stop();
    const auto& counters = responder.Counters();
    std::fprintf(stderr, "vtcamsim: %zu discovery and %zu modify requests, %zu replies, %zu failed sends\n",
                 counters.discoveryRequests.load(), counters.modifyRequests.load(),
                 counters.repliesSent.load(), counters.sendFailures.load());
    return 0;
}
