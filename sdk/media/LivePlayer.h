#pragma once
// One login's live video: an MJPEG answer read, cut into pictures and decoded
// on a thread of its own, each picture handed to the frame sink of the
// player's current window. Players are kept per login handle.
#include "CameraSession.h"
#include "MjpegStreamParser.h"
#include "TcpConnection.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vtmedia {

struct LiveLimits
{
    int connectMs = 3000;
    int ioMs = 5000;       // a camera silent this long has stopped streaming
    int openMs = 10000;    // the answer's head must be in by then
    int pictureMs = 10000; // a stream without a whole picture for this long is cut off
    MjpegLimits mjpeg;
    int maxPixels = 4096 * 4096; // larger pictures are skipped, not decoded
};

class LivePlayer
{
public:
    LivePlayer(std::shared_ptr<vtclient::CameraSession> session, int stream, uint32_t window,
               LiveLimits limits = {});
    ~LivePlayer(); // stops and joins
    LivePlayer(const LivePlayer&) = delete;
    LivePlayer& operator=(const LivePlayer&) = delete;

    // Asks the camera for its video and, once it answered with a stream,
    // starts the decode thread. A VtSdkError.
    int Start();
    void Stop();
    void MoveTo(uint32_t window) { window_ = window; }
    int Stream() const { return stream_; }
    // The camera ended the video, or it broke a bound.
    bool Ended() const { return ended_; }

private:
    int Open(std::string& early, std::string& boundary);
    void Run(std::string early, std::string boundary);

    std::shared_ptr<vtclient::CameraSession> session_;
    const int stream_;
    std::atomic<uint32_t> window_;
    const LiveLimits limits_;
    TcpConnection connection_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

// True on a decode thread, that is inside a frame sink: starting or
// stopping live play from there would have the thread wait for itself.
bool OnDecodeThread();

// The players of all logins, by login handle.
class LivePlayers
{
public:
    static LivePlayers& Instance();

    int Play(int handle, std::shared_ptr<vtclient::CameraSession> session, int stream, uint32_t window);
    void Stop(int handle);
    void StopAll();

private:
    std::mutex mutex_;
    std::map<int, std::unique_ptr<LivePlayer>> players_;
};

} // namespace vtmedia
