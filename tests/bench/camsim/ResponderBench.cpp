// How long the simulator takes to answer one discovery request: reading the
// request and building one reply frame per camera, for 24 to 2000 cameras.
#include "RawFrameResponder.h"
#include "SimConfig.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> DiscoveryRequest()
{
    std::vector<unsigned char> frame(260, 0);
    for (int i = 0; i < 6; ++i) {
        frame[static_cast<size_t>(i)] = 0xFF;
    }
    const unsigned char source[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x09};
    std::copy(source, source + 6, frame.begin() + 6);
    frame[12] = 0x08;
    frame[13] = 0x09;
    const unsigned char signature[4] = {0x20, 0x12, 0x06, 0x10};
    std::copy(signature, signature + 4, frame.begin() + 14);
    return frame;
}

void BM_AnswerDiscovery(benchmark::State& state)
{
    camsim::SimOptions options;
    options.interfaceName = "unused";
    options.count = static_cast<int>(state.range(0));
    std::vector<camsim::SimCamera> cameras;
    std::string error;
    camsim::BuildCameras(options, cameras, error);
    camsim::CameraTable table;
    for (auto& camera : cameras) {
        table.Add(std::move(camera));
    }
    camsim::RawFrameResponder responder(table);
    const auto request = DiscoveryRequest();
    size_t replies = 0;
    for (auto _ : state) {
        const auto answer = responder.Answer(request.data(), request.size());
        replies = answer.size();
        benchmark::DoNotOptimize(answer.data());
    }
    if (replies != static_cast<size_t>(state.range(0))) {
        state.SkipWithError("not every camera answered");
    }
    state.counters["replies"] = static_cast<double>(replies);
}

BENCHMARK(BM_AnswerDiscovery)->Arg(24)->Arg(2000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
