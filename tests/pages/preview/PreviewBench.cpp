// What showing live video costs the UI thread: pictures painted per second
// and UI-thread CPU time per painted picture, for one simulated camera at
// 1280 x 720 / 30 and 1920 x 1080 / 25, played by the real page offscreen.
#include "LabBench.h"
#include "PaintTally.h"
#include "PreviewLab.h"

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
    PaintTally tally;
    for (auto _ : state) {
        tally.Round(video, kSecondsPerRound * 1000);
    }
    session.Page().PlayButton()->click();
    state.counters["camera_fps"] = frameRate;
    tally.Report(state, video, frameRate);
}
BENCHMARK(BM_PaintLiveVideo)
    ->Args({5, 30}) // 1280 x 720
    ->Args({2, 25}) // 1920 x 1080
    ->Iterations(2)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
