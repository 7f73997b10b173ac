// Time zone and NTP to 200 simulated ONVIF cameras that each answer every
// request 50 ms late: the program's system apply through the batch engine at
// cap 8, against the npm package onvif setting the same on the same cameras
// one after another, in the same run.
#include "BatchEngine.h"
#include "CameraProvider.h"
#include "LabBench.h"
#include "OnvifCameraMaker.h"
#include "SystemParams.h"
#include "TimeZoneTable.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
constexpr int kCameras = 200;
constexpr int kIndia = 94;

std::string Ip(int i)
{
    // vtcamsim numbers its cameras up from the base address 192.168.40.10.
    return "192.168.40." + std::to_string(10 + i);
}

std::string SiteConfig()
{
    std::string config = R"({"cameras": [)";
    for (int i = 0; i < kCameras; ++i) {
        config += (i == 0 ? "" : ",") + std::string(R"({"index": )") + std::to_string(i) +
                  R"(, "protocol": "onvif", "maker": "Acme Optics", "model": "AX-200", "version": "2.1.0"})";
    }
    return config + "]}";
}

// Seconds for the program's batch; false when a camera did not take it.
bool ProgramApply(double& seconds)
{
    const CameraMakerRegistration onvif(OnvifCameraMaker([](const tagVtIpcInfo& info) {
        return std::optional(OnvifCameraAddress{"http://" + std::string(info.ip) + "/onvif/device_service", {}});
    }));
    std::vector<tagVtIpcInfo> targets;
    for (int i = 0; i < kCameras; ++i) {
        tagVtIpcInfo camera{};
        std::snprintf(camera.ip, sizeof camera.ip, "%s", Ip(i).c_str());
        camera.port = 80;
        camera.mac[5] = static_cast<unsigned char>(i);
        targets.push_back(camera);
    }
    SystemApply apply;
    apply.settings.mode = DateTimeMode::Sntp;
    apply.settings.sntpServer = "ntp.lab.example";
    apply.settings.timeZone = kIndia;
    apply.login = LoginCredentials{"admin", "qr7319"};
    apply.singleCamera = false;
    int succeeded = 0;
    const auto start = std::chrono::steady_clock::now();
    BatchEngine::Run(
        targets, SystemApplyOperation(apply),
        [&](std::size_t, std::vector<PanelLine> lines) {
            if (lines.size() == 1 && lines.front().text.find(L"Set date and time successfully.") != std::wstring::npos) {
                ++succeeded;
            }
        },
        8);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return succeeded == kCameras;
}

// Seconds for the npm client, one camera after another; false when a camera
// did not take it or the client could not run.
bool ReferenceApply(double& seconds, std::string& error)
{
    if (!std::filesystem::is_directory(ONVIF_NODE_MODULES)) {
        error = "the npm package onvif is not installed in " ONVIF_NODE_MODULES " (scripts/bench installs it)";
        return false;
    }
    std::string command = "NODE_PATH=" ONVIF_NODE_MODULES " node " ONVIF_APPLY_SCRIPT " admin qr7319 ntp.lab.example " +
                          TimeZoneToPosix(kIndia);
    for (int i = 0; i < kCameras; ++i) {
        command += " " + Ip(i);
    }
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        error = "node could not be started";
        return false;
    }
    std::string output;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0 || output.find("{\"done\":" + std::to_string(kCameras) + "}") == std::string::npos) {
        error = "the npm client did not set every camera: " + output;
        return false;
    }
    return true;
}

void OnvifTimeZoneAndNtpCapEightAgainstNpmClient(benchmark::State& state)
{
    const std::string config = "/tmp/onvif-apply-bench-" + std::to_string(::getpid()) + ".json";
    std::ofstream(config) << SiteConfig();
    std::string error;
    const pid_t sim = labbench::TheLab().StartCamSim({"--count", std::to_string(kCameras), "--base-ip", Ip(0),
                                                      "--password", "qr7319", "--fault", "slow-http", "--slow-ms",
                                                      "50", "--config", config},
                                                     error);
    std::filesystem::remove(config);
    if (sim < 0) {
        state.SkipWithError(error.c_str());
        labbench::MarkFailed();
        return;
    }
    double program = 0;
    double reference = 0;
    bool ok = true;
    for (auto _ : state) {
        ok = ProgramApply(program) && ok;
        if (!ReferenceApply(reference, error)) {
            ok = false;
        }
    }
    state.counters["program_s"] = program;
    state.counters["npm_onvif_s"] = reference;
    state.counters["npm_over_program"] = program > 0 ? reference / program : 0;
    labbench::TheLab().Stop(sim);
    if (!ok) {
        state.SkipWithError(error.empty() ? "some cameras did not take the settings" : error.c_str());
        labbench::MarkFailed();
    }
}
BENCHMARK(OnvifTimeZoneAndNtpCapEightAgainstNpmClient)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
} // namespace
