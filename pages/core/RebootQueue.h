#pragma once
#include "ZxExport.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// Cameras to reboot later and web addresses to open, worked through by one
// thread: every tick it reboots the camera at the head of the queue and opens
// the pending web address. After a factory restore the work pauses for 125
// ticks (25 seconds), so the restored cameras are left alone while they come
// back. The queue is discarded, never rebooted, when the object goes.
class ZX_EXPORT RebootQueue
{
public:
    using Reboot = std::function<void(int handle)>;
    // Takes the pending web address (empty when there is none) and opens it.
    using OpenWeb = std::function<void()>;

    static constexpr int kRestorePauseTicks = 125;

    // reboot defaults to the SDK's reboot call.
    explicit RebootQueue(Reboot reboot = {}, OpenWeb openWeb = {},
                         std::chrono::milliseconds tick = std::chrono::milliseconds(200));
    ~RebootQueue();
    RebootQueue(const RebootQueue&) = delete;
    RebootQueue& operator=(const RebootQueue&) = delete;

    void Append(int handle);
    std::size_t Pending() const;
    void StartRestorePause();
    bool RestorePaused() const;

    // One tick of the worker; public so that tests step it by hand.
    void Tick();

private:
    void Run();

    Reboot m_reboot;
    OpenWeb m_openWeb;
    std::chrono::milliseconds m_tick;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<int> m_handles;
    int m_pauseTicks = -1; // -1: no pause
    bool m_running = true;
    std::thread m_worker;
};
