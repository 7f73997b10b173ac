// The site report of 200 simulated family cameras over the lab's veth link:
// every card read (login, identity, clock, main stream, one picture) and the
// page made, at cap 8, against the same at cap 1 in the same run.
#include "LabBench.h"
#include "ReportHtml.h"
#include "SiteReport.h"
#include "VtIpcSDK.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>

namespace {
constexpr int kCameras = 200;

std::string Ip(int i)
{
    // vtcamsim numbers its cameras up from the base address.
    return "192.168.42." + std::to_string(10 + i);
}

std::vector<ReportCamera> Site()
{
    std::vector<ReportCamera> cameras;
    for (int i = 0; i < kCameras; ++i) {
        ReportCamera camera;
        std::snprintf(camera.info.ip, sizeof camera.info.ip, "%s", Ip(i).c_str());
        camera.info.port = 80;
        camera.info.mac[5] = static_cast<unsigned char>(i);
        cameras.push_back(camera);
    }
    return cameras;
}

// Seconds for the whole report; false when a card lacks its picture.
bool Report(int cap, double& seconds, std::size_t& bytes)
{
    const auto start = std::chrono::steady_clock::now();
    SiteReport report(cap);
    const std::vector<CameraCard> cards = report.Gather(Site(), {"admin", "qr7319"}, {});
    bytes = ReportHtml(cards, ReportDate(0)).size();
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const CameraCard& card : cards) {
        if (card.picture.empty() || !card.reason.empty()) {
            return false;
        }
    }
    return true;
}

void SiteReportOf200CamerasCapEightAgainstCapOne(benchmark::State& state)
{
    std::string error;
    const pid_t sim = labbench::TheLab().StartCamSim(
        {"--count", std::to_string(kCameras), "--base-ip", Ip(0), "--password", "qr7319"}, error);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        labbench::MarkFailed();
        return;
    }
    Vt_Sdk_Init();
    double eight = 0;
    double one = 0;
    std::size_t bytes = 0;
    bool ok = true;
    for (auto _ : state) {
        ok = Report(8, eight, bytes) && ok;
        ok = Report(1, one, bytes) && ok;
    }
    state.counters["cap8_s"] = eight;
    state.counters["cap1_s"] = one;
    state.counters["page_MB"] = static_cast<double>(bytes) / 1e6;
    Vt_Sdk_Destroy();
    labbench::TheLab().Stop(sim);
    if (!ok) {
        state.SkipWithError("a camera's card came without its picture");
        labbench::MarkFailed();
    }
}
BENCHMARK(SiteReportOf200CamerasCapEightAgainstCapOne)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
} // namespace
