// Login plus one read per round trip, from the workstation namespace to
// vtcamsim over the lab's veth link: one camera, then spread over 24 and 500; and
// firmware uploads to one camera and to 50 at once; live play of one and of four.
#include "LabBench.h"
#include "VtIpcSDK.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {


constexpr int kPerThread = 50;

std::string CameraIp(int index)
{
    return "192.168." + std::to_string(10 + (index + 1) / 256) + "." + std::to_string((index + 1) % 256);
}

// vtcamsim with that many cameras from CameraIp(0) on; -1 (and the benchmark
// marked failed) when it does not start.
pid_t StartCameras(benchmark::State& state, int cameras, std::vector<std::string> extra = {})
{
    std::vector<std::string> args = {"--count", std::to_string(cameras), "--base-ip", CameraIp(0)};
    args.insert(args.end(), extra.begin(), extra.end());
    std::string error;
    const pid_t sim = labbench::TheLab().StartCamSim(args, error);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        labbench::MarkFailed();
    }
    return sim;
}

void LoginAndRead(benchmark::State& state, int cameras, int threads)
{
    const pid_t sim = StartCameras(state, cameras);
    if (sim < 0) {
        return;
    }
    Vt_Sdk_Init();
    size_t failures = 0;
    std::atomic<int> next{0}; // spreads the logins over every camera
    for (auto _ : state) {
        std::vector<std::thread> workers;
        std::vector<size_t> failed(static_cast<size_t>(threads), 0);
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] {
                for (int i = 0; i < kPerThread; ++i) {
                    const std::string ip = CameraIp(next++ % cameras);
                    const int handle = Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", "admin", 0);
                    SystemInfoRecord info{};
                    if (handle < 0 || Vt_Ipc_GetSystemInfo(handle, &info) != 0) {
                        ++failed[static_cast<size_t>(t)];
                    }
                }
            });
        }
        for (auto& worker : workers) {
            worker.join();
        }
        for (size_t f : failed) {
            failures += f;
        }
    }
    state.SetItemsProcessed(state.iterations() * threads * kPerThread);
    state.counters["round_trips_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * threads * kPerThread), benchmark::Counter::kIsRate);
    Vt_Sdk_Destroy();
    labbench::TheLab().Stop(sim);
    if (failures > 0) {
        state.SkipWithError("some logins or reads failed");
        labbench::MarkFailed();
    }
}

void BM_LoginAndGetOneCamera(benchmark::State& state)
{
    LoginAndRead(state, 1, 1);
}
void BM_LoginAndGet24CamerasFourThreads(benchmark::State& state)
{
    LoginAndRead(state, 24, 4);
}

// Not 2000: the kernel's neighbour table, shared by every namespace of the
// machine, holds 1024 entries by default, and other labs may use some.
void BM_LoginAndGet500CamerasFourThreads(benchmark::State& state)
{
    LoginAndRead(state, 500, 4);
}

// Wall time of N cameras each taking a 20 MiB firmware image at once. The
// cameras write and reboot at once (no flash or reboot time), so each round
// starts on cameras that are back.
void BM_FirmwareUpload20MiB(benchmark::State& state)
{
    const int cameras = static_cast<int>(state.range(0));
    const pid_t sim =
        StartCameras(state, cameras, {"--flash-ms", "0", "--reboot-ms", "0", "--http-workers", "64"});
    if (sim < 0) {
        return;
    }
    const std::string folder = "/tmp/vtipc-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    const std::string image = folder + "/VTFImage_55_31.4.0.99.bin";
    std::ofstream(image, std::ios::binary) << std::string(20 * 1024 * 1024, 'f');
    Vt_Sdk_Init();
    std::vector<int> handles;
    for (int i = 0; i < cameras; ++i) {
        const std::string ip = CameraIp(i);
        handles.push_back(Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", "admin", 0));
    }
    std::atomic<int> failures{0};
    for (auto _ : state) {
        std::vector<std::thread> uploads;
        for (int handle : handles) {
            uploads.emplace_back([&, handle] {
                if (Vt_Ipc_UpdateFirmware(handle, image.c_str()) != 0) {
                    ++failures;
                }
            });
        }
        for (auto& upload : uploads) {
            upload.join();
        }
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the cameras come back
        state.ResumeTiming();
    }
    state.counters["MiB_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * cameras * 20),
                                                     benchmark::Counter::kIsRate);
    Vt_Sdk_Destroy();
    std::filesystem::remove_all(folder);
    labbench::TheLab().Stop(sim);
    if (failures > 0) {
        state.SkipWithError("some uploads failed");
        labbench::MarkFailed();
    }
}

// Pictures decoded per second by live play, for one camera and for four at
// once, each camera sending 1280*720 at 30 frames per second.
std::atomic<int> g_frames{0};

void CountFrame(void*, uint32_t, const uint8_t*, int, int, int)
{
    ++g_frames;
}

void BM_LivePlayFramesPerSecond(benchmark::State& state)
{
    const int cameras = static_cast<int>(state.range(0));
    const pid_t sim = StartCameras(state, cameras);
    if (sim < 0) {
        return;
    }
    Vt_Sdk_Init();
    std::vector<int> handles;
    for (int i = 0; i < cameras; ++i) {
        const std::string ip = CameraIp(i);
        const int handle = Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", "admin", 0);
        VideoConfigRecord video{};
        video.stream = 1;
        Vt_Ipc_GetVideoConfig(handle, &video);
        video.frameRate = 30;
        Vt_Ipc_SetVideoConfig(handle, &video);
        Vt_Sdk_SetFrameSink(static_cast<uint32_t>(100 + i), &CountFrame, nullptr);
        handles.push_back(handle);
    }
    double frames = 0;
    for (auto _ : state) {
        g_frames = 0;
        for (int i = 0; i < cameras; ++i) {
            LivePlayRecord play{};
            play.window = static_cast<uint32_t>(100 + i);
            Vt_IpcClient_LivePlay(handles[static_cast<size_t>(i)], &play, 0, 0);
        }
        std::this_thread::sleep_for(std::chrono::seconds(3));
        for (int handle : handles) {
            Vt_IpcClient_StopLivePlay(handle);
        }
        frames += g_frames;
    }
    state.counters["frames_per_s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    Vt_Sdk_Destroy();
    labbench::TheLab().Stop(sim);
    if (frames == 0) {
        state.SkipWithError("no frame arrived");
        labbench::MarkFailed();
    }
}

BENCHMARK(BM_LoginAndGetOneCamera)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoginAndGet24CamerasFourThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoginAndGet500CamerasFourThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LivePlayFramesPerSecond)
    ->Arg(1)
    ->Arg(4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_FirmwareUpload20MiB)
    ->Arg(1)
    ->Arg(50)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
