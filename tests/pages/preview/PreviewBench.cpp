// What showing live video costs the UI thread: pictures painted per second
// and UI-thread CPU time per painted picture, for one simulated camera at
// 1280 x 720 / 30 and 1920 x 1080 / 25, played by the real page offscreen.
#include "LabBench.h"
#include "PreviewLab.h"
#include "ThreadCpu.h"

#include <QPushButton>
#include <benchmark/benchmark.h>

namespace {

const char* const kConfig = R"({"cameras": [{"index": 0, "model": "VT-C3190A"}]})";
const char* const kCamera = "192.168.32.10";
constexpr int kSecondsPerRound = 4;

// args: frame-size code, frame rate
void BM_PaintLiveVideo(benchmark::State& state)
{
    const int frameSize = static_cast<int>(state.range(0));
    const int frameRate = static_cast<int>(state.range(1));
    std::string error;
    previewlab::Session session(labbench::TheLab(), kCamera, 1, kConfig, error);
    if (!error.empty() || !previewlab::SetStream(kCamera, frameSize, frameRate) ||
        !session.Select(QString::fromLatin1(kCamera))) {
        labbench::MarkFailed();
        state.SkipWithError(("no camera to play: " + error).c_str());
        return;
    }
    session.Page().PlayButton()->click();
    CVideoWnd& video = session.Video();
    if (!previewlab::WaitFor([&] { return video.FramesPainted() >= 20; }, 10000)) {
        labbench::MarkFailed();
        state.SkipWithError("no pictures painted");
        return;
    }
    double painted = 0;
    double received = 0;
    double cpu = 0;
    double seconds = 0;
    for (auto _ : state) {
        const uint64_t paintedBefore = video.FramesPainted();
        const uint64_t receivedBefore = video.FramesReceived();
        const double cpuBefore = ThreadCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(kSecondsPerRound * 1000);
        seconds += static_cast<double>(clock.nsecsElapsed()) / 1e9;
        cpu += ThreadCpuSeconds() - cpuBefore;
        painted += static_cast<double>(video.FramesPainted() - paintedBefore);
        received += static_cast<double>(video.FramesReceived() - receivedBefore);
    }
    session.Page().PlayButton()->click();
    state.counters["camera_fps"] = frameRate;
    state.counters["received_fps"] = received / seconds;
    state.counters["painted_fps"] = painted / seconds;
    state.counters["painted_share"] = painted / (seconds * frameRate);
    state.counters["ui_ms_per_frame"] = painted > 0 ? cpu * 1000.0 / painted : 0.0;
    state.counters["area_w"] = video.width();
    state.counters["area_h"] = video.height();
}
BENCHMARK(BM_PaintLiveVideo)
    ->Args({5, 30}) // 1280 x 720
    ->Args({2, 25}) // 1920 x 1080
    ->Iterations(2)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
