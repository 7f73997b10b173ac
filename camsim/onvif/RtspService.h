#pragma once
// The RTSP side of the simulator's ONVIF cameras, on GStreamer's RTSP
// server: per camera one server on its address and RTSP port with the paths
// /profile_1 and /profile_2, Digest or Basic login with the camera's users,
// RTP over UDP or interleaved in the TCP connection. A stream's pipeline is
// made when the first client plays it and shared by the clients after it,
// so hundreds of cameras that nobody plays cost one listening socket each.
// All servers run on one GLib main loop thread of the service's own.
#include "LiveCamera.h"

#include <functional>
#include <map>
#include <memory>
#include <thread>

struct _GMainContext;
struct _GMainLoop;

namespace camsim {

class RtspService
{
public:
    RtspService();
    ~RtspService();
    RtspService(const RtspService&) = delete;
    RtspService& operator=(const RtspService&) = delete;

    // Serves the camera's streams on its current address and RTSP port,
    // moving them there when they were served elsewhere; stops them when
    // the camera no longer offers RTSP. Nothing for a family camera. False
    // when the address cannot be bound.
    bool Serve(const std::shared_ptr<LiveCamera>& camera);
    // Stops the camera's streams and drops their clients.
    void Stop(const std::shared_ptr<LiveCamera>& camera);
    // The camera's settings changed: running streams take its picture
    // settings (brightness, texts) at once, the next client its encoder
    // settings, logins its users' passwords, and a new port moves it.
    void Refresh(const std::shared_ptr<LiveCamera>& camera);

private:
    struct Camera;

    // Runs work on the loop thread and waits until it is done.
    void RunOnLoop(const std::function<void()>& work);
    bool StartServer(Camera& served, const std::shared_ptr<LiveCamera>& camera);
    void StopServer(Camera& served);
    void CleanSessions();

    _GMainContext* context_ = nullptr;
    _GMainLoop* loop_ = nullptr;
    std::thread thread_;
    std::map<LiveCamera*, std::unique_ptr<Camera>> cameras_; // the loop thread's only
};

} // namespace camsim
