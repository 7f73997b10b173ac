#include "RtspPlayer.h"

#include "AppSettings.h"
#include "FrameSinks.h"
#include "PercentEncoding.h"
#include "VideoDecoder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <csignal>
#include <malloc.h>
#include <pthread.h>
#include <cctype>
#include <cwctype>
#include <mutex>
#include <thread>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

namespace {

using Clock = std::chrono::steady_clock;

// What FFmpeg may read and buffer before the first picture: the stream's
// parameters come with the camera's description, so little probing is needed.
constexpr int64_t kProbeBytes = 256 * 1024;
constexpr int64_t kAnalyzeMicroseconds = 500'000;
constexpr int kReorderMicroseconds = 500'000;
constexpr int kLargestStreamCount = 4;
// FFmpeg reads a reply's body (a description) into one allocation of the
// length the server names; no allocation of the process's FFmpeg may be
// larger than this (a 4K picture's luma plane is 9 MB).
constexpr size_t kLargestAllocation = 32u << 20;

void PrepareFfmpeg()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // FFmpeg's own messages would name addresses and fill stderr with
        // every broken packet; the play's state says what went wrong.
        av_log_set_level(AV_LOG_QUIET);
        // Process-wide: this player is the only user of FFmpeg in the process.
        av_max_alloc(kLargestAllocation);
        avformat_network_init();
    });
}

constexpr std::chrono::milliseconds kWakeEvery{3};

void IgnoreSignal(int) {}

// A real-time signal whose only effect is to end the waiting system call of
// the thread it is sent to; 0 when the process gave every candidate a
// meaning of its own (Stop then waits for FFmpeg's next look).
int WakeSignal()
{
    static const int wake = [] {
        for (int candidate = SIGRTMAX - 2; candidate > SIGRTMIN + 4; --candidate) {
            struct sigaction current{};
            if (sigaction(candidate, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
                struct sigaction action{};
                action.sa_handler = &IgnoreSignal;
                sigemptyset(&action.sa_mask);
                // No SA_RESTART: the wait must end with EINTR.
                action.sa_flags = 0;
                if (sigaction(candidate, &action, nullptr) == 0) {
                    return candidate;
                }
            }
        }
        return 0;
    }();
    return wake;
}

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

RtspFailure FailureOf(int error)
{
    switch (error) {
    case AVERROR_HTTP_UNAUTHORIZED:
    case AVERROR_HTTP_FORBIDDEN:
        return RtspFailure::Unauthorized;
    case AVERROR_HTTP_NOT_FOUND:
    case AVERROR_STREAM_NOT_FOUND:
        return RtspFailure::NotFound;
    default:
        return RtspFailure::Unreachable;
    }
}

// A broken stream makes FFmpeg allocate and free parameter sets and
// pictures of ever other sizes, which fragments the heap: the pages it freed
// stay resident. Handing them back to the system now and then while packets
// are broken keeps the process near what it really holds; a sound stream
// never pays for it.
class HeapTrimmer
{
public:
    void AfterBrokenPacket()
    {
        const Clock::time_point now = Clock::now();
        if (now - m_last >= kEvery) {
            malloc_trim(0);
            m_last = now;
        }
    }

private:
    static constexpr std::chrono::milliseconds kEvery{500};
    Clock::time_point m_last = Clock::now();
};

} // namespace

struct RtspPlayer::Play
{
    RtspSource source;
    std::string address;
    uint32_t window = 0;
    RtspTimings timings;
    std::atomic<bool> stop{false};
    // Steady-clock nanoseconds after which FFmpeg's wait is given up.
    std::atomic<int64_t> deadline{0};

    mutable std::mutex lock;
    mutable std::condition_variable changed;
    RtspStatus status;
    bool ended = false;
    std::thread thread;

    // The thread's body: plays until stopped or refused, then says it ended.
    void Run();
    void Loop();
    // One connection: until it fails, stalls or the play stops.
    void Session();
    void SetDeadline(std::chrono::milliseconds from_now)
    {
        deadline = (Clock::now() + from_now).time_since_epoch().count();
    }
    void Update(const std::function<void(RtspStatus&)>& change)
    {
        {
            std::lock_guard guard(lock);
            change(status);
        }
        changed.notify_all();
    }
    static int Interrupted(void* opaque)
    {
        const auto* play = static_cast<const Play*>(opaque);
        return play->stop.load() || Clock::now().time_since_epoch().count() > play->deadline.load() ? 1 : 0;
    }
};

void RtspPlayer::Play::Run()
{
    Loop();
    {
        std::lock_guard guard(lock);
        ended = true;
    }
    changed.notify_all();
}

void RtspPlayer::Play::Loop()
{
    PrepareFfmpeg();
    std::chrono::milliseconds pause = timings.firstRetry;
    while (!stop) {
        const uint64_t before = status.pictures;
        Session();
        if (stop) {
            break;
        }
        bool refused = false;
        bool announce = false;
        Update([&](RtspStatus& s) {
            refused = s.lastFailure == RtspFailure::Unauthorized;
            announce = s.state != RtspState::NoPicture;
            s.state = refused ? RtspState::Failed : RtspState::NoPicture;
        });
        if (announce || refused) {
            DeliverNoPicture(window);
        }
        if (refused) {
            // Trying a wrong password again and again could lock the user out.
            break;
        }
        if (status.pictures > before) {
            pause = timings.firstRetry;
        }
        std::unique_lock guard(lock);
        changed.wait_for(guard, pause, [this] { return stop.load(); });
        pause = std::min(pause * 2, timings.longestRetry);
    }
}

void RtspPlayer::Play::Session()
{
    AVFormatContext* format = avformat_alloc_context();
    if (format == nullptr) {
        return;
    }
    format->interrupt_callback = AVIOInterruptCB{&Play::Interrupted, this};
    format->probesize = kProbeBytes;
    format->max_analyze_duration = kAnalyzeMicroseconds;
    format->max_delay = kReorderMicroseconds;
    format->max_streams = kLargestStreamCount;
    format->flags |= AVFMT_FLAG_NOBUFFER;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "rtsp_transport", source.transport == RtspTransport::Udp ? "udp" : "tcp", 0);
    av_dict_set(&options, "allowed_media_types", "video", 0);
    SetDeadline(timings.connectWithin);
    const int opened = avformat_open_input(&format, address.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        // avformat_open_input frees the context when it fails.
        Update([&](RtspStatus& s) { s.lastFailure = FailureOf(opened); });
        return;
    }
    VideoDecoder decoder;
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0 || !decoder.Open(*format->streams[video]->codecpar)) {
        Update([](RtspStatus& s) { s.lastFailure = RtspFailure::Unsupported; });
        avformat_close_input(&format);
        return;
    }
    // The first picture may take the rest of the connect time; each one
    // after it gives the stream another stallAfter.
    Update([](RtspStatus& s) { ++s.connections; });
    double sinkCpu = 0;
    const VideoDecoder::PictureFn deliver = [&](const uint8_t* rgb, int width, int height, int stride) {
        SetDeadline(timings.stallAfter);
        const double sinkStart = ThreadCpuSeconds();
        DeliverFrame(window, rgb, width, height, stride);
        sinkCpu += ThreadCpuSeconds() - sinkStart;
        Update([](RtspStatus& s) {
            s.state = RtspState::Playing;
            ++s.pictures;
        });
    };
    AVPacket* packet = av_packet_alloc();
    HeapTrimmer trimmer;
    double accounted = ThreadCpuSeconds();
    while (packet != nullptr && !stop) {
        const int read = av_read_frame(format, packet);
        if (read == AVERROR(EAGAIN)) {
            continue;
        }
        if (read < 0) {
            break;
        }
        const bool clean = packet->stream_index != video || decoder.Decode(*packet, deliver);
        av_packet_unref(packet);
        if (!clean) {
            trimmer.AfterBrokenPacket();
        }
        const double now = ThreadCpuSeconds();
        const double cpu = now - accounted - sinkCpu;
        accounted = now;
        sinkCpu = 0;
        Update([&](RtspStatus& s) {
            s.brokenPackets += clean ? 0 : 1;
            s.decodeCpuSeconds += cpu;
        });
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    Update([](RtspStatus& s) { s.lastFailure = RtspFailure::Stalled; });
}

RtspPlayer::RtspPlayer(RtspTimings timings) : m_timings(timings) {}

RtspPlayer::~RtspPlayer()
{
    Stop();
}

bool RtspPlayer::Start(const RtspSource& source, uint32_t window)
{
    Stop();
    std::string address = RtspAddressWithLogin(source);
    if (address.empty()) {
        return false;
    }
    auto play = std::make_unique<Play>();
    play->source = source;
    play->address = std::move(address);
    play->window = window;
    play->timings = m_timings;
    play->status.state = RtspState::Connecting;
    Play* running = play.get();
    play->thread = std::thread([running] { running->Run(); });
    m_play = std::move(play);
    return true;
}

void RtspPlayer::Stop()
{
    if (!m_play) {
        return;
    }
    m_play->stop = true;
    m_play->changed.notify_all();
    {
        // FFmpeg looks at its interrupt callback between waits of up to
        // 100 ms; a signal ends such a wait at once, and is sent again until
        // the thread is out, in case one came just before a wait began.
        const int wake = WakeSignal();
        std::unique_lock guard(m_play->lock);
        while (!m_play->changed.wait_for(guard, kWakeEvery, [this] { return m_play->ended; })) {
            if (wake != 0) {
                pthread_kill(m_play->thread.native_handle(), wake);
            }
        }
    }
    m_play->thread.join();
    m_play.reset();
}

RtspStatus RtspPlayer::Status() const
{
    if (!m_play) {
        return {};
    }
    std::lock_guard guard(m_play->lock);
    return m_play->status;
}

RtspState RtspPlayer::WaitForPicture(std::chrono::milliseconds timeout) const
{
    if (!m_play) {
        return RtspState::Stopped;
    }
    std::unique_lock guard(m_play->lock);
    m_play->changed.wait_for(guard, timeout, [this] {
        const RtspStatus& s = m_play->status;
        return s.pictures > 0 || s.state == RtspState::Failed;
    });
    return m_play->status.state;
}

std::string RtspAddressWithLogin(const RtspSource& source)
{
    const std::string& uri = source.uri;
    const size_t scheme = uri.find("://");
    if (scheme == std::string::npos) {
        return {};
    }
    std::string name = uri.substr(0, scheme);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name != "rtsp" && name != "rtsps") {
        return {};
    }
    const size_t authority = scheme + 3;
    const size_t pathStart = std::min(uri.find('/', authority), uri.size());
    // Credentials the address already carries give way to the login's.
    const size_t at = uri.rfind('@', pathStart == uri.size() ? std::string::npos : pathStart);
    const size_t host = at != std::string::npos && at >= authority ? at + 1 : authority;
    if (host >= pathStart || uri.find_first_of(" \r\n", 0) != std::string::npos) {
        return {};
    }
    std::string login;
    if (!source.user.empty() || !source.password.empty()) {
        login = vtwire::PercentEncode(source.user) + ":" + vtwire::PercentEncode(source.password) + "@";
    }
    return name + "://" + login + uri.substr(host);
}

RtspTransport ParseRtspTransport(const std::wstring& text)
{
    std::wstring lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
    return lower == L"udp" ? RtspTransport::Udp : RtspTransport::Tcp;
}

RtspTransport StoredRtspTransport()
{
    return ParseRtspTransport(ReadSetting(L"RtspTransport", L"tcp"));
}
