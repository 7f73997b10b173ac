#include "LiveVideo.h"

#include "FrameSinks.h"
#include "MjpegParser.h"

#include <string>
#include <turbojpeg.h>
#include <vector>

namespace vtclient {
namespace {

// A decompressor for one play's thread.
class Decoder
{
public:
    Decoder() : handle_(tjInitDecompress()) {}
    ~Decoder()
    {
        if (handle_ != nullptr) {
            tjDestroy(handle_);
        }
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // False for a picture that is not a JPEG of a sane size.
    bool Decode(std::string_view jpeg, std::vector<uint8_t>& rgb, int& width, int& height)
    {
        int subsampling = 0;
        int colorspace = 0;
        auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
        const auto size = static_cast<unsigned long>(jpeg.size());
        if (handle_ == nullptr ||
            tjDecompressHeader3(handle_, data, size, &width, &height, &subsampling, &colorspace) != 0 ||
            width <= 0 || height <= 0 || width > 8192 || height > 8192) {
            return false;
        }
        rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        return tjDecompress2(handle_, data, size, rgb.data(), width, width * 3, height, TJPF_RGB, 0) == 0;
    }

private:
    tjhandle handle_;
};

} // namespace

LiveVideo::~LiveVideo()
{
    StopAll();
}

void LiveVideo::Deliver(uint32_t window, const uint8_t* rgb, int width, int height)
{
    if (DeliverFrame(window, rgb, width, height, width * 3)) {
        ++delivered_;
    }
}

void LiveVideo::Start(int handle, std::shared_ptr<CameraSession> session, uint32_t window, int stream)
{
    Stop(handle);
    auto play = std::make_unique<Play>();
    Play& running = *play;
    play->thread = std::thread([this, &running, session = std::move(session), window, stream] {
        Run(running, session, window, stream);
    });
    std::lock_guard lock(playsLock_);
    plays_[handle] = std::move(play);
}

bool LiveVideo::Stop(int handle)
{
    std::unique_ptr<Play> play;
    {
        std::lock_guard lock(playsLock_);
        const auto found = plays_.find(handle);
        if (found == plays_.end()) {
            return false;
        }
        play = std::move(found->second);
        plays_.erase(found);
    }
    play->stop.Cancel();
    play->thread.join();
    return true;
}

void LiveVideo::StopAll()
{
    std::map<int, std::unique_ptr<Play>> plays;
    {
        std::lock_guard lock(playsLock_);
        plays.swap(plays_);
    }
    for (auto& [handle, play] : plays) {
        play->stop.Cancel();
    }
    for (auto& [handle, play] : plays) {
        play->thread.join();
    }
}

void LiveVideo::Run(Play& play, const std::shared_ptr<CameraSession>& session, uint32_t window, int stream)
{
    Decoder decoder;
    std::vector<uint8_t> rgb;
    MjpegParser pictures([&](std::string_view jpeg) {
        int width = 0;
        int height = 0;
        if (decoder.Decode(jpeg, rgb, width, height)) {
            Deliver(window, rgb.data(), width, height);
        }
        return !play.stop.Cancelled();
    });
    const std::string target = "/vtipc/v1/live?stream=" + std::to_string(stream == 0 ? 0 : 1);
    // The stream ends when the camera goes, breaks the format or stop is asked.
    session->Stream(
        target, [&](std::string_view bytes) { return !play.stop.Cancelled() && pictures.Feed(bytes); },
        play.stop);
}

} // namespace vtclient
