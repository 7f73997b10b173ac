// Twenty cameras upgraded at once against one, in the same run, through the
// batch upgrade page's own code path: the login and upgrade operations on the
// batch engine with one worker per camera, a 20 MiB image over the lab's veth
// link to vtcamsim. With --link-mbps 100 every simulated camera takes the
// image no faster than over its own 100 Mbit/s link, as a real one does; the
// unlimited run shows what the workstation itself manages.
#include "BatchEngine.h"
#include "CameraUpgrade.h"
#include "LabBench.h"
#include "VtIpcSDK.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr int kCameras = 20;
constexpr std::size_t kImageBytes = 20u * 1024 * 1024;

// Seconds per upgrade round of one camera, per link speed, for the ratio.
std::map<int, double> g_oneCamera;

std::vector<tagVtIpcInfo> Cameras(int count, int subnet)
{
    std::vector<tagVtIpcInfo> cameras(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string ip = "192.168." + std::to_string(140 + subnet) + "." + std::to_string(10 + i);
        std::snprintf(cameras[static_cast<std::size_t>(i)].ip, sizeof cameras[0].ip, "%s", ip.c_str());
        cameras[static_cast<std::size_t>(i)].port = 80;
        cameras[static_cast<std::size_t>(i)].mac[5] = static_cast<unsigned char>(i);
    }
    return cameras;
}

fs::path MakeImage()
{
    const fs::path image = fs::temp_directory_path() / ("upgrade-bench-" + std::to_string(getpid())) /
                           "VTFImage_15_12.2.0.7.bin";
    fs::create_directories(image.parent_path());
    std::mt19937 random(3);
    std::string bytes(kImageBytes, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    std::ofstream(image, std::ios::binary) << bytes;
    return image;
}

// Every camera answers again after its flash and reboot.
bool AllBack(const std::vector<std::shared_ptr<Camera>>& cameras)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the silence begins 100 ms after the answer
    for (const std::shared_ptr<Camera>& camera : cameras) {
        SystemInfoRecord info{};
        while (!camera->GetSystemInfo(info).Done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    return true;
}

void BM_ParallelUpgrade(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const int linkMbps = static_cast<int>(state.range(1));
    const int subnet = linkMbps == 0 ? 1 : 2;
    std::string error;
    const std::vector<tagVtIpcInfo> all = Cameras(kCameras, subnet);
    const pid_t sim = labbench::TheLab().StartCamSim(
        {"--count", std::to_string(kCameras), "--base-ip", all[0].ip, "--model", "VT-C2150", "--version",
         "12.1.0.4", "--flash-ms", "100", "--reboot-ms", "100", "--http-workers", "48", "--link-mbps",
         std::to_string(linkMbps)},
        error);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        labbench::MarkFailed();
        return;
    }
    Vt_Sdk_Init();
    const fs::path image = MakeImage();
    const std::vector<tagVtIpcInfo> targets(all.begin(), all.begin() + count);
    auto loggedIn = std::make_shared<std::vector<std::shared_ptr<Camera>>>(targets.size());
    BatchEngine::Run(targets, LoginOperation({"admin", "admin"}, kUpgradeLoginKeys, loggedIn), {}, count);
    bool failed = false;
    for (const std::shared_ptr<Camera>& camera : *loggedIn) {
        failed = failed || !camera;
    }
    double total = 0;
    for (auto _ : state) {
        if (failed) {
            break;
        }
        int succeeded = 0;
        const auto start = std::chrono::steady_clock::now();
        BatchEngine::Run(
            targets, UpgradeOperation(image.string(), *loggedIn),
            [&](std::size_t, std::vector<PanelLine> lines) {
                for (const PanelLine& line : lines) {
                    succeeded += line.text.ends_with(L"Upgrade successfully.") ? 1 : 0;
                }
            },
            count);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        failed = succeeded != count || !AllBack(*loggedIn);
    }
    if (failed) {
        state.SkipWithError("an upgrade failed or a camera did not come back");
        labbench::MarkFailed();
    } else if (state.iterations() > 0) {
        const double perRound = total / static_cast<double>(state.iterations());
        state.counters["MiB_per_s"] = static_cast<double>(count) * 20.0 / perRound;
        if (count == 1) {
            g_oneCamera[linkMbps] = perRound;
        } else if (g_oneCamera.count(linkMbps) != 0) {
            state.counters["ratio_to_one"] = perRound / g_oneCamera[linkMbps];
        }
    }
    Vt_Sdk_Destroy();
    fs::remove_all(image.parent_path());
    labbench::TheLab().Stop(sim);
}

// One camera before twenty, for each link speed, so the ratio has its base.
BENCHMARK(BM_ParallelUpgrade)
    ->ArgNames({"cameras", "link_mbps"})
    ->Args({1, 100})
    ->Args({kCameras, 100})
    ->Args({1, 0})
    ->Args({kCameras, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
