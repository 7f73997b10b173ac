#include "CameraHttpService.h"

#include "CameraRoutes.h"
#include "OnvifRoutes.h"
#include "OnvifService.h"
#include "SoapMessage.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <httplib.h>
#include <random>
#include <thread>
#include <utility>

namespace camsim {
namespace {

constexpr auto kAfterAnswer = std::chrono::milliseconds(100);

// Hands one server's connections to the shared pool, and on shutdown waits
// until every connection it handed over is done, because those still use the
// server object.
class ServerQueue : public httplib::TaskQueue
{
public:
    explicit ServerQueue(WorkerPool& pool) : pool_(pool) {}

    void enqueue(std::function<void()> fn) override
    {
        {
            std::lock_guard lock(mutex_);
            ++inFlight_;
        }
        pool_.Post([this, fn = std::move(fn)] {
            fn();
            std::lock_guard lock(mutex_);
            if (--inFlight_ == 0) {
                idle_.notify_all();
            }
        });
    }

    void shutdown() override
    {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return inFlight_ == 0; });
    }

private:
    WorkerPool& pool_;
    std::mutex mutex_;
    std::condition_variable idle_;
    size_t inFlight_ = 0;
};

std::string RandomSecret()
{
    std::random_device device;
    std::string secret;
    for (int i = 0; i < 4; ++i) {
        secret += std::to_string(device());
    }
    return secret;
}

// An answer that promises more than it sends, then hangs up.
void BreakAnswer(httplib::Response& res)
{
    res.status = 200;
    res.set_content_provider(4096, "application/json", [](size_t, size_t, httplib::DataSink& sink) {
        sink.write("{\"broken\": tru", 14);
        return false;
    });
}

} // namespace

struct CameraHttpService::Listener
{
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    std::weak_ptr<LiveCamera> camera;
};

CameraHttpService::CameraHttpService(size_t workers) : pool_(workers), nonces_(RandomSecret()) {}

CameraHttpService::~CameraHttpService()
{
    scheduler_.Stop();
    StopAll();
}

void CameraHttpService::SetRebootedCallback(RebootedCallback callback)
{
    rebooted_ = std::move(callback);
}

void CameraHttpService::SetServingCallback(ServingCallback callback)
{
    serving_ = std::move(callback);
}

void CameraHttpService::SetRestreamCallback(RestreamCallback callback)
{
    restream_ = std::move(callback);
}

void CameraHttpService::SetMovedCallback(MovedCallback callback)
{
    moved_ = std::move(callback);
}

void CameraHttpService::SetGoingCallback(GoingCallback callback)
{
    going_ = std::move(callback);
}

void CameraHttpService::SetReaddressCallback(ReaddressCallback callback)
{
    readdress_ = std::move(callback);
}

std::unique_ptr<httplib::Server> CameraHttpService::MakeServer(const std::shared_ptr<LiveCamera>& camera)
{
    std::unique_ptr<httplib::Server> server;
    bool https = false;
    std::string commonName;
    {
        std::lock_guard lock(camera->mutex);
        https = camera->sim.IsOnvif() && camera->sim.https;
        commonName = camera->sim.name.empty() ? camera->sim.model : camera->sim.name;
    }
    if (https) {
        TlsIdentity identity;
        {
            std::lock_guard lock(mutex_);
            identity = identities_[camera.get()];
        }
        std::string error;
        if (!identity.certificate) {
            auto made = MakeSelfSignedCertificate(commonName, error);
            if (!made) {
                return nullptr;
            }
            identity = *made;
            std::lock_guard lock(mutex_);
            identities_[camera.get()] = identity;
        }
        {
            std::lock_guard lock(camera->mutex);
            camera->onvif.certificateFingerprint = CertificateFingerprint(identity.certificate.get());
        }
        server = std::make_unique<httplib::SSLServer>(identity.certificate.get(), identity.key.get());
    } else {
        server = std::make_unique<httplib::Server>();
    }
    server->new_task_queue = [this] { return new ServerQueue(pool_); };
    server->set_keep_alive_max_count(1);
    server->set_read_timeout(5, 0);
    server->set_write_timeout(5, 0);
    server->set_payload_max_length(kMaxImageRequest);
    std::weak_ptr<LiveCamera> weak = camera;
    server->set_pre_routing_handler([this, weak](const httplib::Request& req, httplib::Response& res) {
        const auto locked = weak.lock();
        if (!locked) {
            res.status = 503;
            return httplib::Server::HandlerResponse::Handled;
        }
        SimCamera sim;
        {
            std::lock_guard lock(locked->mutex);
            sim = locked->sim;
        }
        if (sim.Has(kFaultSlowHttp)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(sim.slowMs));
        }
        if (sim.Has(kFaultBrokenHttp)) {
            BreakAnswer(res);
            return httplib::Server::HandlerResponse::Handled;
        }
        const bool upload = sim.IsOnvif() ? IsOnvifUploadPath(req.path) : IsUploadPath(req.path);
        const size_t bodyLimit = sim.IsOnvif() ? kMaxSoapRequest : kMaxJsonRequest;
        if (!upload && (req.has_header("Transfer-Encoding") ||
                        std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10) > bodyLimit)) {
            res.status = 413;
            return httplib::Server::HandlerResponse::Handled;
        }
        // An ONVIF camera checks the login per request, after it knows the action.
        if (req.path == "/" || sim.IsOnvif()) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        const auto verdict = vtwire::VerifyDigest(req.get_header_value("Authorization"), req.method,
                                                  req.target, sim.user, sim.password, nonces_, now);
        if (verdict == vtwire::DigestVerdict::Accepted) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        res.status = 401;
        res.set_header("WWW-Authenticate",
                       vtwire::BuildDigestChallenge(nonces_, now, verdict == vtwire::DigestVerdict::Stale));
        res.set_content("{\"error\":\"authentication required\"}", "application/json");
        return httplib::Server::HandlerResponse::Handled;
    });
    bool onvif = false;
    {
        std::lock_guard lock(camera->mutex);
        onvif = camera->sim.IsOnvif();
    }
    AddRoutes(*server, weak, onvif);
    return server;
}

void CameraHttpService::AddRoutes(httplib::Server& server, const std::weak_ptr<LiveCamera>& weak, bool onvif)
{
    const auto reboot = [this, weak] {
        if (const auto locked = weak.lock()) {
            Reboot(locked);
        }
    };
    const auto flash = [this, weak](std::optional<std::string> version) {
        if (const auto locked = weak.lock()) {
            Flash(locked, std::move(version));
        }
    };
    if (onvif) {
        const auto readdress = [this, weak] {
            scheduler_.After(kAfterAnswer, [this, weak] {
                if (const auto locked = weak.lock(); locked && readdress_) {
                    readdress_(locked);
                }
            });
        };
        const auto restream = [this, weak] {
            if (const auto locked = weak.lock(); locked && restream_) {
                restream_(locked);
            }
        };
        AddOnvifRoutes(server, weak, OnvifActions{reboot, readdress, flash, restream}, nonces_);
        return;
    }
    const auto moveLater = [this, weak] {
        scheduler_.After(kAfterAnswer, [this, weak] {
            if (const auto locked = weak.lock(); locked && Restart(locked) && moved_) {
                moved_(locked);
            }
        });
    };
    AddCameraRoutes(server, weak, CameraActions{reboot, moveLater, flash});
}

bool CameraHttpService::Start(const std::shared_ptr<LiveCamera>& camera)
{
    std::string ip;
    int port = 0;
    {
        std::lock_guard lock(camera->mutex);
        if (camera->sim.Has(kFaultUnreachable) || camera->sim.silent) {
            return true;
        }
        ip = camera->sim.ip;
        port = camera->sim.port;
    }
    auto listener = std::make_unique<Listener>();
    listener->camera = camera;
    listener->server = MakeServer(camera);
    if (!listener->server || !listener->server->is_valid()) {
        return false;
    }
    if (port == 0) {
        port = listener->server->bind_to_any_port(ip);
        if (port <= 0) {
            return false;
        }
        std::lock_guard lock(camera->mutex);
        camera->sim.port = port;
        camera->settings.ports.httpPort = port;
        camera->settings.ports.httpPort2 = port;
    } else if (!listener->server->bind_to_port(ip, port)) {
        return false;
    }
    auto ended = std::make_shared<std::atomic<bool>>(false);
    listener->thread = std::thread([server = listener->server.get(), ended] {
        server->listen_after_bind();
        *ended = true;
    });
    // A stop before the accept loop runs would be lost, and the join would wait forever.
    while (!listener->server->is_running() && !*ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::unique_ptr<Listener> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(listeners_[camera.get()], std::move(listener));
    }
    if (previous) {
        previous->server->stop();
        previous->thread.join();
    }
    if (serving_) {
        serving_(camera, true);
    }
    return true;
}

void CameraHttpService::Stop(const std::shared_ptr<LiveCamera>& camera)
{
    std::unique_ptr<Listener> listener;
    {
        std::lock_guard lock(mutex_);
        const auto found = listeners_.find(camera.get());
        if (found == listeners_.end()) {
            return;
        }
        listener = std::move(found->second);
        listeners_.erase(found);
    }
    listener->server->stop();
    listener->thread.join();
    if (serving_) {
        serving_(camera, false);
    }
}

bool CameraHttpService::Restart(const std::shared_ptr<LiveCamera>& camera)
{
    Stop(camera);
    return Start(camera);
}

void CameraHttpService::Reboot(const std::shared_ptr<LiveCamera>& camera)
{
    Silence(camera, false, std::nullopt);
}

void CameraHttpService::Flash(const std::shared_ptr<LiveCamera>& camera, std::optional<std::string> version)
{
    Silence(camera, true, std::move(version));
}

void CameraHttpService::Silence(const std::shared_ptr<LiveCamera>& camera, bool flashing,
                                std::optional<std::string> version)
{
    std::weak_ptr<LiveCamera> weak = camera;
    scheduler_.After(kAfterAnswer, [this, weak, flashing, version] {
        const auto locked = weak.lock();
        if (!locked) {
            return;
        }
        if (going_) {
            going_(locked);
        }
        int silentMs = 0;
        {
            std::lock_guard lock(locked->mutex);
            locked->sim.silent = true;
            silentMs = locked->sim.rebootMs + (flashing ? locked->sim.flashMs : 0);
        }
        Stop(locked);
        scheduler_.After(std::chrono::milliseconds(silentMs), [this, weak, version] {
            const auto back = weak.lock();
            if (!back) {
                return;
            }
            bool moved = false;
            {
                std::lock_guard lock(back->mutex);
                back->sim.silent = false;
                back->sim.upSince = std::chrono::steady_clock::now();
                if (version) {
                    back->sim.version = *version;
                }
                moved = TakePendingAddress(*back);
            }
            if (moved && readdress_) {
                readdress_(back);
                return;
            }
            Start(back);
            if (rebooted_) {
                rebooted_(back);
            }
        });
    });
}

std::chrono::milliseconds SelfRebootDelay(int everySec, std::mt19937& random)
{
    const long long every = std::chrono::milliseconds(std::chrono::seconds(everySec)).count();
    std::uniform_int_distribution<long long> spread(every / 2, every + every / 2);
    return std::chrono::milliseconds(spread(random));
}

void CameraHttpService::RebootNowAndThen(const std::shared_ptr<LiveCamera>& camera, uint32_t seed)
{
    ScheduleSelfReboot(camera, std::make_shared<std::mt19937>(seed));
}

void CameraHttpService::ScheduleSelfReboot(const std::weak_ptr<LiveCamera>& camera,
                                           std::shared_ptr<std::mt19937> random)
{
    const auto live = camera.lock();
    if (!live) {
        return;
    }
    int everySec = 0;
    {
        std::lock_guard lock(live->mutex);
        everySec = live->sim.rebootEverySec;
    }
    if (everySec <= 0) {
        return;
    }
    scheduler_.After(SelfRebootDelay(everySec, *random), [this, camera, random] {
        const auto due = camera.lock();
        if (!due) {
            return;
        }
        bool silent = false;
        {
            std::lock_guard lock(due->mutex);
            silent = due->sim.silent;
        }
        if (!silent) {
            Reboot(due);
        }
        ScheduleSelfReboot(camera, random);
    });
}

void CameraHttpService::StopAll()
{
    std::map<LiveCamera*, std::unique_ptr<Listener>> listeners;
    {
        std::lock_guard lock(mutex_);
        listeners.swap(listeners_);
    }
    for (auto& [camera, listener] : listeners) {
        listener->server->stop();
    }
    for (auto& [camera, listener] : listeners) {
        listener->thread.join();
    }
    if (serving_) {
        for (const auto& [camera, listener] : listeners) {
            serving_(listener->camera.lock(), false);
        }
    }
}

} // namespace camsim
