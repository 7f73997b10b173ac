#include "LiveStream.h"

#include "TestPicture.h"

#include <chrono>
#include <ctime>
#include <httplib.h>
#include <thread>

namespace camsim {
namespace {

using Clock = std::chrono::steady_clock;

// What one picture needs of the camera, copied under its lock.
struct PictureSource
{
    bool silent = false;
    VideoConfigRecord video{};
    PictureSettings settings;
};

std::optional<PictureSource> Snapshot(const std::weak_ptr<LiveCamera>& weak, int stream)
{
    const auto camera = weak.lock();
    if (!camera) {
        return std::nullopt;
    }
    std::lock_guard lock(camera->mutex);
    PictureSource source;
    source.silent = camera->sim.silent;
    source.video = stream == 1 ? camera->settings.primary : camera->settings.secondary;
    source.settings.size = StreamFrameSize(stream, source.video.frameSize);
    source.settings.picture = camera->settings.picture;
    source.settings.osd = camera->settings.osd;
    source.settings.timeText =
        OsdTimeText(static_cast<int64_t>(std::time(nullptr)) + camera->settings.clockOffsetSeconds,
                    camera->settings.osd.dateFormat);
    return source;
}

// The state of one running stream.
struct LiveState
{
    TestPicture picture;
    uint64_t index = 0;
    Clock::time_point next = Clock::now();
    std::string jpeg;
};

// Sleeps until `until` in short steps; false when the server stops meanwhile.
bool WaitUntil(const httplib::Server& server, Clock::time_point until)
{
    while (Clock::now() < until) {
        if (!server.is_running()) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(50)));
    }
    return server.is_running();
}

} // namespace

std::string MjpegPart(const std::string& jpeg)
{
    std::string part = "--";
    part.append(kLiveBoundary)
        .append("\r\nContent-Type: image/jpeg\r\nContent-Length: ")
        .append(std::to_string(jpeg.size()))
        .append("\r\n\r\n")
        .append(jpeg)
        .append("\r\n");
    return part;
}

void AddLiveRoute(httplib::Server& server, std::weak_ptr<LiveCamera> camera, MediaLibrary& library)
{
    server.Get("/vtipc/v1/live", [&server, camera, &library](const httplib::Request& req,
                                                             httplib::Response& res) {
        const std::string streamText = req.has_param("stream") ? req.get_param_value("stream") : "1";
        if (streamText != "0" && streamText != "1") {
            res.status = 400;
            res.set_content("{\"error\":\"stream must be 0 or 1\"}", "application/json");
            return;
        }
        const int stream = streamText == "1" ? 1 : 0;
        // Every stream holds a web worker for as long as it runs.
        if (!library.BeginStream()) {
            res.status = 503;
            res.set_content("{\"error\":\"too many live streams\"}", "application/json");
            return;
        }
        auto state = std::make_shared<LiveState>();
        res.status = 200;
        res.set_header("Cache-Control", "no-store");
        res.set_content_provider(
            std::string("multipart/x-mixed-replace; boundary=") + kLiveBoundary,
            [&server, camera, state, stream](size_t, httplib::DataSink& sink) {
                if (!WaitUntil(server, state->next)) {
                    return false;
                }
                const auto source = Snapshot(camera, stream);
                if (!source || source->silent || !state->picture.Render(source->settings, state->index++) ||
                    !state->picture.Encode(state->jpeg)) {
                    return false;
                }
                const std::string part = MjpegPart(state->jpeg);
                if (!sink.write(part.data(), part.size())) {
                    return false;
                }
                const int rate = std::clamp<int>(source->video.frameRate, 1, 30);
                state->next += std::chrono::microseconds(1000000 / rate);
                // A stall (a slow reader) does not turn into a burst afterwards.
                state->next = std::max(state->next, Clock::now() - std::chrono::milliseconds(200));
                return true;
            },
            [&library](bool) { library.EndStream(); });
    });
}

} // namespace camsim
