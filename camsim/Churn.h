#pragma once
// Cameras that come and go at random, as on a busy site: one reboots, one
// drops its discovery replies for a while, one is given a new address, one
// vanishes for a while (some for longer than any test waits). Events are
// drawn from a seed, so a run can be repeated. The parts that touch the world
// outside the table (web servers, interface addresses, announcements) are
// actions the simulator supplies.
#include "CameraTable.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace camsim {

enum class ChurnEvent
{
    Reboot,
    DropReplies,
    Move,
    Vanish
};

struct ChurnActions
{
    // Reboots the camera: silent for its reboot time, then back and announced.
    std::function<void(const std::shared_ptr<LiveCamera>&)> reboot;
    // The camera is silent now: its web server goes.
    std::function<void(const std::shared_ptr<LiveCamera>&)> vanished;
    // The camera answers again (on its current address): web server up, announced.
    std::function<void(const std::shared_ptr<LiveCamera>&)> returned;
    // The camera has a new address in the table: the interface gets it, the
    // web server moves there, the camera announces itself.
    std::function<void(const std::shared_ptr<LiveCamera>&)> moved;
};

struct ChurnCounters
{
    std::size_t reboots = 0;
    std::size_t drops = 0;
    std::size_t moves = 0;
    std::size_t vanishes = 0;
    std::size_t returns = 0;
};

class Churn
{
public:
    using Clock = std::chrono::steady_clock;

    // rebootMs: how long the table's cameras stay silent on a reboot, so a
    // rebooting camera is not picked again before it is back.
    Churn(CameraTable& cameras, ChurnActions actions, std::uint32_t seed, int rebootMs);
    ~Churn();
    Churn(const Churn&) = delete;
    Churn& operator=(const Churn&) = delete;

    // One random event on one camera not already busy with another; ends the
    // timed events that are due first. False when every camera is busy.
    bool Step(Clock::time_point now);
    // Ends the dropped replies and the vanishes whose time has come.
    void EndDue(Clock::time_point now);
    // Ends every dropped reply; the cameras still vanished stay gone for good.
    void Settle();
    // The cameras that answer discovery (or will, once a reboot is over): not
    // vanished. After Settle, what a listing of the segment should show.
    std::vector<SimCamera> Present() const;
    // True when no camera is rebooting any more.
    bool RebootsOver() const;
    ChurnCounters Counters() const;

    // A thread that steps every `between` until a report is asked for; then
    // it settles, waits for the reboots to end, and hands `report` one line
    // per present camera ("present MAC IP") and "churn end N".
    void Start(std::chrono::milliseconds between, std::function<void(const std::string&)> report);
    // Safe in a signal handler.
    void RequestReport() { m_reportWanted = true; }
    void Stop();

private:
    struct Busy
    {
        ChurnEvent event;
        Clock::time_point until;
    };

    std::string NextAddress();
    void Apply(ChurnEvent event, const std::shared_ptr<LiveCamera>& camera, Clock::time_point now);
    void End(const std::shared_ptr<LiveCamera>& camera, ChurnEvent event);
    void Run(std::chrono::milliseconds between, const std::function<void(const std::string&)>& report);

    CameraTable& m_cameras;
    ChurnActions m_actions;
    std::mt19937 m_random;
    int m_rebootMs;
    std::uint32_t m_nextAddress = 0; // host order; moves take fresh addresses above every camera's
    mutable std::mutex m_lock;
    std::map<LiveCamera*, Busy> m_busy;
    std::map<LiveCamera*, std::shared_ptr<LiveCamera>> m_gone; // vanished for good after Settle
    ChurnCounters m_counters;

    std::atomic<bool> m_reportWanted{false};
    std::atomic<bool> m_stop{false};
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    std::thread m_thread;
};

} // namespace camsim

namespace camsim {

struct SimOptions;
class CameraHttpService;
class RawFrameResponder;
class WsDiscoveryResponder;

// The churn the options ask for (none without --churn), acting on the
// simulator's web servers, interface, frame side and WS-Discovery (Bye when
// a camera vanishes, Hello when it returns or moves); its report lines go to
// standard output.
std::unique_ptr<Churn> StartChurn(const SimOptions& options, CameraTable& table, CameraHttpService& web,
                                  RawFrameResponder& responder, WsDiscoveryResponder& discovery);

} // namespace camsim
