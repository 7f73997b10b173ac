#pragma once
#include "Camera.h"
#include "PanelLine.h"
#include "ZxExport.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Cameras to reboot later and web addresses to open, worked through by one
// thread: every tick it reboots the camera at the head of the queue and opens
// the pending web address. After a factory restore the work pauses for 125
// ticks (25 seconds), so the restored cameras are left alone while they come
// back. A camera's reboot line is written from the reboot call's answer, not
// when it is queued. The queue is not worked off when the object goes: each
// camera still waiting gets a line in the operation log saying it was not
// restarted.
class ZX_EXPORT RebootQueue
{
public:
    // Reboots a logged-in camera; Done when the camera took the reboot.
    using Reboot = std::function<CameraResult(Camera& camera)>;
    // Takes the pending web address (empty when there is none) and opens it.
    using OpenWeb = std::function<void()>;
    // A reboot's line, from the worker thread; rebooted is false for a
    // failure.
    using RebootDone = std::function<void(const PanelLine& line, bool rebooted)>;

    static constexpr int kRestorePauseTicks = 125;
    static constexpr std::chrono::milliseconds kTick{200};

    // reboot defaults to the camera's own reboot.
    explicit RebootQueue(Reboot reboot = {}, OpenWeb openWeb = {}, RebootDone rebootDone = {},
                         std::chrono::milliseconds tick = kTick);
    ~RebootQueue();
    RebootQueue(const RebootQueue&) = delete;
    RebootQueue& operator=(const RebootQueue&) = delete;

    // Queues a logged-in camera. A failed reboot is always told;
    // "Reboot successfully." only when tellSuccess is set.
    void Append(std::shared_ptr<Camera> camera, bool tellSuccess);
    // Cameras queued whose reboot call has not returned yet.
    std::size_t Pending() const;
    void StartRestorePause();
    bool RestorePaused() const;

    // One tick of the worker; public so that tests step it by hand.
    void Tick();

private:
    struct Entry
    {
        std::shared_ptr<Camera> camera;
        bool tellSuccess = false;
    };

    void Run();

    Reboot m_reboot;
    OpenWeb m_openWeb;
    RebootDone m_rebootDone;
    std::chrono::milliseconds m_tick;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Entry> m_entries;
    int m_rebooting = 0; // entries taken off the queue whose reboot call runs
    int m_pauseTicks = -1; // -1: no pause
    bool m_running = true;
    std::thread m_worker;
};
