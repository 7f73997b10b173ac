// The system apply (time zone and SNTP) over 200 simulated cameras that each
// answer every web request 50 ms late, through the batch engine with its cap
// at 8 and at 1, both in one run: the wall times and their ratio.
#include "BatchEngine.h"
#include "LabBench.h"
#include "SystemParams.h"
#include "VtIpcSDK.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>

namespace {
constexpr int kCameras = 200;

std::vector<tagVtIpcInfo> Targets()
{
    std::vector<tagVtIpcInfo> targets;
    for (int i = 0; i < kCameras; ++i) {
        tagVtIpcInfo camera{};
        // vtcamsim numbers its cameras up from the base address 192.168.30.10.
        const std::string ip = "192.168.30." + std::to_string(10 + i);
        std::snprintf(camera.ip, sizeof camera.ip, "%s", ip.c_str());
        camera.port = 80;
        camera.mac[5] = static_cast<unsigned char>(i);
        std::snprintf(camera.model, sizeof camera.model, "VT-C6121");
        targets.push_back(camera);
    }
    return targets;
}

// Seconds for one batch; false when a camera did not take the settings.
bool TimedApply(int cap, int timeZone, double& seconds)
{
    SystemApply apply;
    apply.settings.mode = DateTimeMode::Sntp;
    apply.settings.sntpServer = "ntp.lab.example";
    apply.settings.timeZone = timeZone;
    apply.login = LoginCredentials{"admin", "qr7319"};
    apply.singleCamera = false;
    int succeeded = 0;
    const auto start = std::chrono::steady_clock::now();
    BatchEngine::Run(
        Targets(), SystemApplyOperation(apply),
        [&](std::size_t, std::vector<PanelLine> lines) {
            if (lines.size() == 1 && lines.front().text.find(L"Set date and time successfully.") != std::wstring::npos) {
                ++succeeded;
            }
        },
        cap);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return succeeded == kCameras;
}

void SystemApplyCapEightAgainstOne(benchmark::State& state)
{
    std::string error;
    const pid_t sim = labbench::TheLab().StartCamSim({"--count", std::to_string(kCameras), "--base-ip", "192.168.30.10",
                                                      "--password", "qr7319", "--fault", "slow-http", "--slow-ms",
                                                      "50"},
                                                     error);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        labbench::MarkFailed();
        return;
    }
    Vt_Sdk_Init();
    double capOne = 0;
    double capEight = 0;
    bool ok = true;
    for (auto _ : state) {
        ok = TimedApply(8, 38, capEight) && ok;
        ok = TimedApply(1, 107, capOne) && ok;
    }
    state.counters["cap8_s"] = capEight;
    state.counters["cap1_s"] = capOne;
    state.counters["cap1_over_cap8"] = capEight > 0 ? capOne / capEight : 0;
    Vt_Sdk_Destroy();
    labbench::TheLab().Stop(sim);
    if (!ok) {
        state.SkipWithError("some cameras did not take the settings");
        labbench::MarkFailed();
    }
}
BENCHMARK(SystemApplyCapEightAgainstOne)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
} // namespace
