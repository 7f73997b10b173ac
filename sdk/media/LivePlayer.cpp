#include "LivePlayer.h"

#include "AnswerHeadReader.h"
#include "CameraRequest.h"
#include "FrameSinks.h"
#include "VtIpcSDK.h"

#include <chrono>
#include <turbojpeg.h>
#include <vector>

namespace vtmedia {
namespace {

// A turbojpeg decoder and the buffer its pictures go to.
class JpegDecoder
{
public:
    JpegDecoder() : handle_(tjInitDecompress()) {}
    ~JpegDecoder()
    {
        if (handle_ != nullptr) {
            tjDestroy(handle_);
        }
    }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Decodes into RGBX; false for a broken or too large picture.
    bool Decode(std::string_view jpeg, int maxPixels, VtVideoFrame& frame)
    {
        int width = 0;
        int height = 0;
        int subsampling = 0;
        int colorspace = 0;
        auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
        const auto size = static_cast<unsigned long>(jpeg.size());
        if (handle_ == nullptr ||
            tjDecompressHeader3(handle_, data, size, &width, &height, &subsampling, &colorspace) != 0 ||
            width <= 0 || height <= 0 || static_cast<long long>(width) * height > maxPixels) {
            return false;
        }
        pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        if (tjDecompress2(handle_, data, size, pixels_.data(), width, width * 4, height, TJPF_RGBX, 0) != 0) {
            return false;
        }
        frame.width = width;
        frame.height = height;
        frame.stride = width * 4;
        frame.pixels = pixels_.data();
        return true;
    }

private:
    tjhandle handle_;
    std::vector<unsigned char> pixels_;
};

thread_local bool t_decodeThread = false;

int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

LivePlayer::LivePlayer(std::shared_ptr<vtclient::CameraSession> session, int stream, uint32_t window,
                       LiveLimits limits)
    : session_(std::move(session)), stream_(stream), window_(window), limits_(limits)
{
}

LivePlayer::~LivePlayer()
{
    Stop();
}

int LivePlayer::Open(std::string& early, std::string& boundary)
{
    const std::string target = "/vtipc/v1/live?stream=" + std::to_string(stream_ == 1 ? 0 : 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int error = SendRequestHead(*session_, "GET", target, "Accept: multipart/x-mixed-replace\r\n",
                                          limits_.connectMs, limits_.ioMs, connection_);
        if (error != VT_ERR_NONE) {
            return error;
        }
        AnswerHeadReader answer;
        if (ReadAnswerHead(connection_, answer, limits_.openMs) != IoResult::Ok) {
            return HeadlessError(answer);
        }
        if (answer.Current() == AnswerHeadReader::State::Failed) {
            return VT_ERR_PROTOCOL;
        }
        const int status = answer.Head().status;
        if (status == 401) {
            const std::string* challenge = answer.Head().Header("www-authenticate");
            if (attempt == 0 && challenge != nullptr && session_->RenewChallenge(*challenge)) {
                continue;
            }
            return VT_ERR_AUTH_REFUSED;
        }
        if (status != 200) {
            const int refused = vtclient::ErrorForStatus(status);
            return refused == VT_ERR_NONE ? VT_ERR_PROTOCOL : refused;
        }
        const std::string* type = answer.Head().Header("content-type");
        const auto found = type != nullptr ? MultipartBoundary(*type) : std::nullopt;
        if (!found) {
            return VT_ERR_PROTOCOL;
        }
        boundary = *found;
        early = std::move(answer.Rest());
        return VT_ERR_NONE;
    }
    return VT_ERR_AUTH_REFUSED;
}

int LivePlayer::Start()
{
    std::string early;
    std::string boundary;
    const int error = Open(early, boundary);
    if (error != VT_ERR_NONE) {
        connection_ = TcpConnection();
        return error;
    }
    thread_ = std::thread([this, early = std::move(early), boundary = std::move(boundary)]() mutable {
        Run(std::move(early), std::move(boundary));
    });
    return VT_ERR_NONE;
}

void LivePlayer::Run(std::string early, std::string boundary)
{
    t_decodeThread = true;
    JpegDecoder decoder;
    uint32_t sequence = 0;
    int64_t lastPictureMs = SteadyMs();
    MjpegStreamParser parser(
        std::move(boundary),
        [&](std::string_view jpeg) {
            lastPictureMs = SteadyMs();
            VtVideoFrame frame{};
            if (stopping_ || !decoder.Decode(jpeg, limits_.maxPixels, frame)) {
                return;
            }
            frame.sequence = ++sequence;
            frame.timestampMs = SteadyMs();
            FrameSinks::Instance().Deliver(window_.load(), frame);
        },
        limits_.mjpeg);
    std::vector<char> buffer(64 * 1024);
    bool going = parser.Feed(early);
    while (going && !stopping_ && SteadyMs() - lastPictureMs <= limits_.pictureMs) {
        size_t received = 0;
        if (connection_.Receive(buffer.data(), buffer.size(), received, limits_.ioMs) != IoResult::Ok) {
            break;
        }
        going = parser.Feed(std::string_view(buffer.data(), received));
    }
    connection_.Shutdown();
    ended_ = true;
}

void LivePlayer::Stop()
{
    stopping_ = true;
    connection_.Shutdown();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool OnDecodeThread()
{
    return t_decodeThread;
}

LivePlayers& LivePlayers::Instance()
{
    static LivePlayers players;
    return players;
}

int LivePlayers::Play(int handle, std::shared_ptr<vtclient::CameraSession> session, int stream,
                      uint32_t window)
{
    std::unique_ptr<LivePlayer> previous;
    {
        std::lock_guard lock(mutex_);
        const auto found = players_.find(handle);
        if (found != players_.end() && found->second->Stream() == stream && !found->second->Ended()) {
            found->second->MoveTo(window);
            return VT_ERR_NONE;
        }
        if (found != players_.end()) {
            previous = std::move(found->second);
            players_.erase(found);
        }
    }
    previous.reset();
    auto player = std::make_unique<LivePlayer>(std::move(session), stream, window);
    const int error = player->Start();
    if (error != VT_ERR_NONE) {
        return error;
    }
    std::lock_guard lock(mutex_);
    auto& slot = players_[handle];
    previous = std::exchange(slot, std::move(player));
    return VT_ERR_NONE;
}

void LivePlayers::Stop(int handle)
{
    std::unique_ptr<LivePlayer> player;
    {
        std::lock_guard lock(mutex_);
        const auto found = players_.find(handle);
        if (found == players_.end()) {
            return;
        }
        player = std::move(found->second);
        players_.erase(found);
    }
    player.reset();
}

void LivePlayers::StopAll()
{
    std::map<int, std::unique_ptr<LivePlayer>> players;
    {
        std::lock_guard lock(mutex_);
        players.swap(players_);
    }
    players.clear();
}

} // namespace vtmedia
