// Live video over RTSP in the preview's video area: a 1920 x 1080 / 25 H.264
// stream from GStreamer's RTSP server on loopback, played by the RTSP player
// into the area the page paints. Pictures painted per second against the
// stream's rate, UI-thread time per painted picture, the player's decode time
// per picture against `ffmpeg -f null` decoding the same stream at the same
// time, and how long Stop takes, while playing and against a server that
// never answers.
#include "ChildServer.h"
#include "RtspPlayer.h"
#include "ThreadCpu.h"
#include "VideoWnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kRate = 25;
constexpr int kSeconds = 10;
constexpr int kStops = 10;
const char* const kPassword = "bench-pw";

QApplication& Application()
{
    static int argc = 1;
    static char name[] = "rtsp_preview_bench";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Left to the end of the process: the benchmark's main is not ours.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

bool WaitFor(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

// ffmpeg decoding the stream to nothing, on one thread as the player does:
// pictures decoded and the processor time it took, from its own exit.
struct Reference
{
    pid_t pid = -1;
    int errors = -1;
    double cpuSeconds = 0;
    double pictures = 0;

    void Start(const std::string& address)
    {
        int pipes[2];
        if (pipe(pipes) != 0) {
            return;
        }
        errors = pipes[0];
        pid = fork();
        if (pid == 0) {
            dup2(pipes[1], STDERR_FILENO);
            close(pipes[0]);
            close(pipes[1]);
            const std::string seconds = std::to_string(kSeconds);
            execlp("ffmpeg", "ffmpeg", "-nostdin", "-hide_banner", "-threads", "1", "-rtsp_transport", "tcp", "-i",
                   address.c_str(), "-t", seconds.c_str(), "-f", "null", "-", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipes[1]);
    }
    bool Finish()
    {
        std::string output;
        char bytes[4096];
        ssize_t got = 0;
        while ((got = read(errors, bytes, sizeof bytes)) > 0) {
            output.append(bytes, static_cast<size_t>(got));
        }
        close(errors);
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            return false;
        }
        cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        const size_t last = output.rfind("frame=");
        pictures = last == std::string::npos ? 0 : std::atof(output.c_str() + last + 6);
        return pictures > 0;
    }
};

// A server that takes the connection and never answers.
class SilentServer
{
public:
    SilentServer()
    {
        m_socket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_socket, 64);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { close(m_socket); }
    int Port() const { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
};

double StopMilliseconds(RtspPlayer& player)
{
    const auto start = std::chrono::steady_clock::now();
    player.Stop();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_PaintRtspVideo(benchmark::State& state)
{
    Application();
    ChildServer server({RTSP_TEST_SERVER, "--user", "viewer", "--password", kPassword, "--size", "1920x1080",
                        "--rate", std::to_string(kRate)});
    if (server.Port() == 0) {
        state.SkipWithError("the RTSP test server did not start");
        return;
    }
    const std::string path = "127.0.0.1:" + std::to_string(server.Port()) + "/stream";
    CVideoWnd video;
    video.resize(1024, 576);
    video.show();
    video.SetPlaying(true);
    RtspPlayer player;
    player.Start({"rtsp://" + path, "viewer", kPassword, RtspTransport::Tcp}, video.Handle());
    if (!WaitFor([&] { return video.FramesPainted() >= 2 * kRate; }, 20000)) {
        state.SkipWithError("no pictures painted");
        return;
    }
    double painted = 0;
    double received = 0;
    double uiCpu = 0;
    double seconds = 0;
    double decodeCpu = 0;
    double decoded = 0;
    Reference reference;
    for (auto _ : state) {
        reference.Start("rtsp://viewer:" + std::string(kPassword) + "@" + path);
        const uint64_t paintedBefore = video.FramesPainted();
        const uint64_t receivedBefore = video.FramesReceived();
        const RtspStatus statusBefore = player.Status();
        const double cpuBefore = ThreadCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(kSeconds * 1000);
        seconds += static_cast<double>(clock.nsecsElapsed()) / 1e9;
        uiCpu += ThreadCpuSeconds() - cpuBefore;
        painted += static_cast<double>(video.FramesPainted() - paintedBefore);
        received += static_cast<double>(video.FramesReceived() - receivedBefore);
        const RtspStatus statusAfter = player.Status();
        decodeCpu += statusAfter.decodeCpuSeconds - statusBefore.decodeCpuSeconds;
        decoded += static_cast<double>(statusAfter.pictures - statusBefore.pictures);
        if (!reference.Finish()) {
            state.SkipWithError("ffmpeg did not decode the stream");
            return;
        }
    }
    std::vector<double> playingStops{StopMilliseconds(player)};
    for (int i = 1; i < kStops; ++i) {
        player.Start({"rtsp://" + path, "viewer", kPassword, RtspTransport::Tcp}, video.Handle());
        player.WaitForPicture(10s);
        std::this_thread::sleep_for(std::chrono::milliseconds(37 * i % 200));
        playingStops.push_back(StopMilliseconds(player));
    }
    SilentServer silent;
    std::vector<double> silentStops;
    for (int i = 0; i < kStops; ++i) {
        player.Start({"rtsp://127.0.0.1:" + std::to_string(silent.Port()) + "/stream", "viewer", kPassword, {}},
                     video.Handle());
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 37 * i % 200));
        silentStops.push_back(StopMilliseconds(player));
    }
    const double playerMs = decoded > 0 ? decodeCpu * 1000.0 / decoded : 0.0;
    const double ffmpegMs = reference.pictures > 0 ? reference.cpuSeconds * 1000.0 / reference.pictures : 0.0;
    state.counters["stream_fps"] = kRate;
    state.counters["received_fps"] = received / seconds;
    state.counters["painted_fps"] = painted / seconds;
    state.counters["painted_share"] = painted / (seconds * kRate);
    state.counters["painted_of_received"] = received > 0 ? painted / received : 0.0;
    state.counters["ui_ms_per_frame"] = painted > 0 ? uiCpu * 1000.0 / painted : 0.0;
    state.counters["decode_ms_per_frame"] = playerMs;
    state.counters["ffmpeg_ms_per_frame"] = ffmpegMs;
    state.counters["decode_vs_ffmpeg"] = ffmpegMs > 0 ? playerMs / ffmpegMs : 0.0;
    state.counters["stop_playing_max_ms"] = *std::max_element(playingStops.begin(), playingStops.end());
    state.counters["stop_silent_max_ms"] = *std::max_element(silentStops.begin(), silentStops.end());
    state.counters["area_w"] = video.width();
    state.counters["area_h"] = video.height();
}
BENCHMARK(BM_PaintRtspVideo)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
