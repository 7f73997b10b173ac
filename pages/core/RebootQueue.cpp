#include "RebootQueue.h"

#include "VtIpcSDK.h"

RebootQueue::RebootQueue(Reboot reboot, OpenWeb openWeb, std::chrono::milliseconds tick)
    : m_reboot(reboot ? std::move(reboot) : Reboot([](int handle) { Vt_Ipc_RebootSystem(handle); })),
      m_openWeb(std::move(openWeb)), m_tick(tick)
{
    m_worker = std::thread([this] { Run(); });
}

RebootQueue::~RebootQueue()
{
    {
        std::lock_guard lock(m_lock);
        m_running = false;
        m_handles.clear();
    }
    m_wake.notify_all();
    m_worker.join();
}

void RebootQueue::Append(int handle)
{
    std::lock_guard lock(m_lock);
    m_handles.push_back(handle);
}

std::size_t RebootQueue::Pending() const
{
    std::lock_guard lock(m_lock);
    return m_handles.size();
}

void RebootQueue::StartRestorePause()
{
    std::lock_guard lock(m_lock);
    m_pauseTicks = 0;
}

bool RebootQueue::RestorePaused() const
{
    std::lock_guard lock(m_lock);
    return m_pauseTicks >= 0;
}

void RebootQueue::Tick()
{
    int handle = -1;
    {
        std::lock_guard lock(m_lock);
        if (m_pauseTicks >= 0) {
            if (++m_pauseTicks >= kRestorePauseTicks) {
                m_pauseTicks = -1;
            }
            return;
        }
        if (!m_handles.empty()) {
            handle = m_handles.front();
            m_handles.pop_front();
        }
    }
    if (handle >= 0) {
        m_reboot(handle);
    }
    if (m_openWeb) {
        m_openWeb();
    }
}

void RebootQueue::Run()
{
    std::unique_lock lock(m_lock);
    while (m_running) {
        if (m_wake.wait_for(lock, m_tick, [this] { return !m_running; })) {
            break;
        }
        lock.unlock();
        Tick();
        lock.lock();
    }
}
