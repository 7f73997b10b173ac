#pragma once
// The web servers of all simulated cameras: one listener per camera address
// and port, answering the camera protocol with the camera's own credentials.
// Connections are served by one shared pool, so thousands of cameras cost
// one listening thread each and a fixed number of workers.
#include "DigestAuth.h"
#include "LiveCamera.h"
#include "SelfSignedCertificate.h"
#include "WorkerPool.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>

namespace httplib {
class Server;
}

namespace camsim {

// The wait before a camera's next reboot of its own: uniformly random between
// half and one and a half times everySec, so a site's cameras do not reboot
// in step.
std::chrono::milliseconds SelfRebootDelay(int everySec, std::mt19937& random);

class CameraHttpService
{
public:
    // Called on the timer thread when a camera comes back from a reboot.
    using RebootedCallback = std::function<void(const std::shared_ptr<LiveCamera>&)>;
    // Called on the timer thread after the camera protocol moved a camera to a new port.
    using MovedCallback = std::function<void(const std::shared_ptr<LiveCamera>&)>;

    explicit CameraHttpService(size_t workers = 16);
    ~CameraHttpService();
    CameraHttpService(const CameraHttpService&) = delete;
    CameraHttpService& operator=(const CameraHttpService&) = delete;

    // Called on the timer thread just before a camera falls silent for a reboot or a flash.
    using GoingCallback = std::function<void(const std::shared_ptr<LiveCamera>&)>;
    // Called on the timer thread when an ONVIF camera took a new address or
    // port: the owner puts the address on the interface, calls Restart and
    // announces the camera.
    using ReaddressCallback = std::function<void(const std::shared_ptr<LiveCamera>&)>;

    // Called when a camera's server starts (true) or stops (false), so its
    // other servers (the ONVIF cameras' RTSP) follow it through reboots and moves.
    using ServingCallback = std::function<void(const std::shared_ptr<LiveCamera>&, bool serving)>;
    // Called after an ONVIF answer changed what the camera's streams show or who may play them.
    using RestreamCallback = std::function<void(const std::shared_ptr<LiveCamera>&)>;

    void SetRebootedCallback(RebootedCallback callback);
    void SetServingCallback(ServingCallback callback);
    void SetRestreamCallback(RestreamCallback callback);
    void SetMovedCallback(MovedCallback callback);
    void SetGoingCallback(GoingCallback callback);
    void SetReaddressCallback(ReaddressCallback callback);

    // Starts the camera's server on its current address and port; a camera
    // with the unreachable fault gets none. False when the address cannot be bound.
    bool Start(const std::shared_ptr<LiveCamera>& camera);
    void Stop(const std::shared_ptr<LiveCamera>& camera);
    // Moves the server to the camera's current address and port.
    bool Restart(const std::shared_ptr<LiveCamera>& camera);
    // Silent for the camera's reboot time, then back with a RebootedCallback.
    void Reboot(const std::shared_ptr<LiveCamera>& camera);
    // Silent while the image is written and the camera reboots, then back
    // with the image's version (when it names one) and a RebootedCallback.
    void Flash(const std::shared_ptr<LiveCamera>& camera, std::optional<std::string> version);
    // Reboots the camera by itself for as long as the service runs, each time
    // after SelfRebootDelay of its rebootEverySec; nothing when that is 0. A
    // camera already silent (rebooting or flashing) skips its turn.
    void RebootNowAndThen(const std::shared_ptr<LiveCamera>& camera, uint32_t seed);
    void StopAll();

private:
    struct Listener;

    std::unique_ptr<httplib::Server> MakeServer(const std::shared_ptr<LiveCamera>& camera);
    void AddRoutes(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak, bool onvif);
    void Silence(const std::shared_ptr<LiveCamera>& camera, bool flashing,
                 std::optional<std::string> version);
    void ScheduleSelfReboot(const std::weak_ptr<LiveCamera>& camera, std::shared_ptr<std::mt19937> random);

    WorkerPool pool_;
    vtwire::DigestNonceIssuer nonces_;
    std::mutex mutex_;
    std::map<LiveCamera*, std::unique_ptr<Listener>> listeners_;
    std::map<LiveCamera*, TlsIdentity> identities_; // https cameras' keys, kept across restarts
    RebootedCallback rebooted_;
    MovedCallback moved_;
    GoingCallback going_;
    ReaddressCallback readdress_;
    ServingCallback serving_;
    RestreamCallback restream_;
    Scheduler scheduler_; // last: stopped first, before the servers go
};

} // namespace camsim
