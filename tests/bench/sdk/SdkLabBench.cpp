// Login plus one read per round trip, from the workstation namespace to
// vtcamsim over the lab's veth link: one camera, then spread over 24.
#include "Lab.h"
#include "VtIpcSDK.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

std::unique_ptr<labkit::Lab> g_lab;
bool g_failed = false;

std::string CameraIp(int index)
{
    return "192.168.10." + std::to_string(index + 1);
}

void LoginAndRead(benchmark::State& state, int cameras, int threads)
{
    std::string error;
    const pid_t sim =
        g_lab->StartCamSim({"--count", std::to_string(cameras), "--base-ip", CameraIp(0)}, error);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        g_failed = true;
        return;
    }
    Vt_Sdk_Init();
    size_t failures = 0;
    for (auto _ : state) {
        std::vector<std::thread> workers;
        std::vector<size_t> failed(static_cast<size_t>(threads), 0);
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] {
                for (int i = 0; i < 50; ++i) {
                    const std::string ip = CameraIp((t * 50 + i) % cameras);
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
    state.SetItemsProcessed(state.iterations() * threads * 50);
    state.counters["round_trips_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * threads * 50), benchmark::Counter::kIsRate);
    Vt_Sdk_Destroy();
    g_lab->Stop(sim);
    if (failures > 0) {
        state.SkipWithError("some logins or reads failed");
        g_failed = true;
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

BENCHMARK(BM_LoginAndGetOneCamera)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoginAndGet24CamerasFourThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

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
