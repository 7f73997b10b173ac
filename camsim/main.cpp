// vtcamsim: any number of simulated cameras on one network interface.
#include "RawFrameResponder.h"
#include "SimConfig.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {
camsim::RawFrameResponder* g_responder = nullptr;

void OnSignal(int /*signal*/)
{
    if (g_responder != nullptr) {
        g_responder->Stop();
    }
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
    camsim::RawFrameResponder responder(table);
    if (!responder.Open(options.interfaceName, message)) {
        std::fprintf(stderr, "vtcamsim: cannot open %s: %s\n", options.interfaceName.c_str(),
                     message.c_str());
        return 1;
    }
    g_responder = &responder;
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::printf("vtcamsim ready: %zu cameras on %s\n", table.Size(), options.interfaceName.c_str());
    std::fflush(stdout);
    responder.Run();
    g_responder = nullptr;
    const auto& counters = responder.Counters();
    std::fprintf(stderr, "vtcamsim: %zu discovery and %zu modify requests, %zu replies, %zu failed sends\n",
                 counters.discoveryRequests.load(), counters.modifyRequests.load(),
                 counters.repliesSent.load(), counters.sendFailures.load());
    return 0;
}
