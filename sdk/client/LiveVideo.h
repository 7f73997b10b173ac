#pragma once
// Live video: one thread per playing login handle reads the camera's MJPEG
// stream, decodes each picture to RGB and hands it to the frame sink that the
// program registered for the play's window handle (FrameSinks.h).
#include "CameraSession.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace vtclient {

class LiveVideo
{
public:
    ~LiveVideo();

    // Plays `stream` (1 primary, 0 secondary) of the handle's camera into the
    // window, replacing a play of the same handle.
    void Start(int handle, std::shared_ptr<CameraSession> session, uint32_t window, int stream);
    // Stops and joins the handle's play, at once whatever the camera does
    // (only a sink still drawing a picture is waited for); false when none played.
    bool Stop(int handle);
    void StopAll();

    // Frames decoded and handed to a sink so far (all plays).
    uint64_t FramesDelivered() const { return delivered_; }

private:
    struct Play
    {
        CancelSignal stop;
        std::thread thread;
    };

    void Run(Play& play, const std::shared_ptr<CameraSession>& session, uint32_t window, int stream);
    void Deliver(uint32_t window, const uint8_t* rgb, int width, int height);

    std::mutex playsLock_;
    std::map<int, std::unique_ptr<Play>> plays_;
    std::atomic<uint64_t> delivered_{0};
};

} // namespace vtclient
