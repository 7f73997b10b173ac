// Live video through the lab: the pictures per second that live play reads,
// decodes and hands to its sinks for one and for four cameras, and the SDK's
// CPU time per picture.
#include "Lab.h"
#include "VtIpcSDK.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::unique_ptr<labkit::Lab> g_lab;
bool g_failed = false;

std::string CameraIp(int index)
{
    return "192.168.30." + std::to_string(index + 1);
}

std::vector<int> LoginAll(int cameras)
{
    std::vector<int> handles;
    for (int i = 0; i < cameras; ++i) {
        const std::string ip = CameraIp(i);
        handles.push_back(Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", "admin", 0));
    }
    return handles;
}

// CPU time of this process, all threads: here only the SDK works.
double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void CountPicture(void* user, uint32_t, const uint8_t*, int, int, int)
{
    ++*static_cast<std::atomic<int>*>(user);
}

void BM_LivePlayDecode(benchmark::State& state)
{
    const int cameras = static_cast<int>(state.range(0));
    std::string error;
    const pid_t sim = g_lab->StartCamSim(
        {"--count", std::to_string(cameras), "--base-ip", CameraIp(0), "--model", "VT-C3190A"}, error);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        g_failed = true;
        return;
    }
    Vt_Sdk_Init();
    const std::vector<int> handles = LoginAll(cameras);
    std::vector<std::atomic<int>> pictures(static_cast<size_t>(cameras));
    bool ready = true;
    for (int i = 0; i < cameras; ++i) {
        VideoConfigRecord video{};
        video.stream = 1;
        ready = ready && Vt_Ipc_GetVideoConfig(handles[static_cast<size_t>(i)], &video) == 0;
        video.frameSize = 5; // 1280 x 720
        video.frameRate = 30;
        ready = ready && Vt_Ipc_SetVideoConfig(handles[static_cast<size_t>(i)], &video) == 0;
        Vt_Sdk_SetFrameSink(static_cast<uint32_t>(100 + i), &CountPicture, &pictures[static_cast<size_t>(i)]);
        LivePlayRecord play{};
        play.window = static_cast<uint32_t>(100 + i);
        ready = ready && Vt_IpcClient_LivePlay(handles[static_cast<size_t>(i)], &play, 0, 0) == 0;
    }
    std::this_thread::sleep_for(300ms); // past the first picture's set-up
    int total = 0;
    double seconds = 0;
    const double cpuBefore = ProcessCpuSeconds();
    for (auto _ : state) {
        int before = 0;
        for (auto& count : pictures) {
            before += count.load();
        }
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(1s);
        int after = 0;
        for (auto& count : pictures) {
            after += count.load();
        }
        total += after - before;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    for (int i = 0; i < cameras; ++i) {
        Vt_IpcClient_StopLivePlay(handles[static_cast<size_t>(i)]);
        Vt_Sdk_SetFrameSink(static_cast<uint32_t>(100 + i), nullptr, nullptr);
    }
    state.counters["pictures_per_s"] = total / seconds;
    state.counters["per_camera_per_s"] = total / seconds / cameras;
    // The SDK's own work (reading, decoding, handing over) per picture.
    state.counters["sdk_cpu_ms_per_picture"] = total > 0 ? cpu * 1000 / total : 0;
    Vt_Sdk_Destroy();
    g_lab->Stop(sim);
    if (!ready || total == 0) {
        state.SkipWithError("live play did not start on every camera");
        g_failed = true;
    }
}

BENCHMARK(BM_LivePlayDecode)->Arg(1)->Arg(4)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    // The lab must exist and be entered before any thread starts.
    std::string error;
    g_lab = labkit::Lab::Create(error);
    if (!g_lab || !g_lab->EnterWorkstation(error)) {
        std::fprintf(stderr, "camera lab: %s\n", error.c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_lab.reset();
    return g_failed ? 1 : 0;
}
