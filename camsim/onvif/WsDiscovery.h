#pragma once
// WS-Discovery (2005/04) for the simulator's ONVIF cameras: answers Probe
// messages on 239.255.255.250:3702 with one ProbeMatches per live ONVIF
// camera, unicast to the prober from the camera's own address after a small
// random delay, and sends Hello when a camera comes up and Bye when it goes.
#include "CameraTable.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace camsim {

inline constexpr int kWsDiscoveryPort = 3702;
inline constexpr const char* kWsDiscoveryGroup = "239.255.255.250";
// The longest a camera waits before it answers a Probe (APP_MAX_DELAY).
inline constexpr std::chrono::milliseconds kMaxProbeDelay{500};

struct ProbeRequest
{
    std::string messageId;
    bool matches = false; // the Types and Scopes ask for a camera like ours
};

// A datagram that is a Probe; nullopt for anything else (other messages,
// malformed or oversized ones).
std::optional<ProbeRequest> ParseProbe(std::string_view datagram);

// The messages for one camera (the caller holds its mutex or has a copy).
std::string BuildProbeMatches(const SimCamera& camera, const std::string& uuid, const std::string& relatesTo,
                              uint64_t messageNumber);
std::string BuildHello(const SimCamera& camera, const std::string& uuid, uint64_t messageNumber);
std::string BuildBye(const std::string& uuid, uint64_t messageNumber);

struct DiscoveryCounters
{
    std::atomic<std::size_t> probes{0};
    std::atomic<std::size_t> ignored{0};
    std::atomic<std::size_t> sent{0};
    std::atomic<std::size_t> sendFailures{0};
};

class WsDiscoveryResponder
{
public:
    explicit WsDiscoveryResponder(CameraTable& cameras);
    ~WsDiscoveryResponder();
    WsDiscoveryResponder(const WsDiscoveryResponder&) = delete;
    WsDiscoveryResponder& operator=(const WsDiscoveryResponder&) = delete;

    // Joins the group on the interface and starts answering; false with a reason.
    bool Start(const std::string& interfaceName, std::string& error);
    void Stop();

    // Multicast announcements from the camera's current address; nothing for
    // a family camera. Safe from any thread.
    void Hello(const std::shared_ptr<LiveCamera>& camera);
    void Bye(const std::shared_ptr<LiveCamera>& camera);

    const DiscoveryCounters& Counters() const { return counters_; }

private:
    struct Pending
    {
        std::string message;
        std::string fromIp;
        uint32_t toAddress; // network order
        uint16_t toPort;    // network order
    };

    void Run();
    void Answer(const std::string& datagram, uint32_t fromAddress, uint16_t fromPort);
    void SendDue(std::chrono::steady_clock::time_point now);
    void SendFrom(const std::string& fromIp, uint32_t toAddress, uint16_t toPort, const std::string& message);

    CameraTable& cameras_;
    int socket_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> messageNumber_{0};
    std::mutex sendMutex_;
    std::mt19937 random_;
    std::multimap<std::chrono::steady_clock::time_point, Pending> pending_; // run thread only
    DiscoveryCounters counters_;
    std::thread thread_;
};

} // namespace camsim
