#pragma once
// Live video: one thread per playing login handle reads the camera's MJPEG
// stream, decodes each picture to RGB and hands it to the frame sink that the
// program registered for the play's window handle.
#include "CameraSession.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

namespace vtclient {

// rgb: height rows of width * 3 bytes, `stride` bytes apart; valid during the call.
using FrameSinkFn = void (*)(void* user, uint32_t window, const uint8_t* rgb, int width, int height,
                             int stride);

class LiveVideo
{
public:
    ~LiveVideo();

    // A null function removes the window's sink; returns after any delivery
    // to the old sink has finished.
    void SetSink(uint32_t window, FrameSinkFn sink, void* user);

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
    struct Sink
    {
        FrameSinkFn fn = nullptr;
        void* user = nullptr;
    };

    void Run(Play& play, const std::shared_ptr<CameraSession>& session, uint32_t window, int stream);
    void Deliver(uint32_t window, const uint8_t* rgb, int width, int height);

    std::mutex playsLock_;
    std::map<int, std::unique_ptr<Play>> plays_;
    std::shared_mutex sinksLock_;
    std::map<uint32_t, Sink> sinks_;
    std::atomic<uint64_t> delivered_{0};
};

} // namespace vtclient
