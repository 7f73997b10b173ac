#include "RebootQueue.h"

#include "CameraAccess.h"
#include "OperationLog.h"

namespace {
// "Reboot successfully." (82008), "Reboot failed. Can not access device."
// (82013), "Reboot failed." (82015).
unsigned RebootLineKey(const CameraResult& result)
{
    if (result.Done()) {
        return 82008;
    }
    return result.status == CameraStatus::Unreachable ? 82013 : 82015;
}

CameraResult CameraReboot(Camera& camera)
{
    return camera.Reboot();
}
} // namespace

RebootQueue::RebootQueue(Reboot reboot, OpenWeb openWeb, RebootDone rebootDone,
                         std::chrono::milliseconds tick)
    : m_reboot(reboot ? std::move(reboot) : Reboot(CameraReboot)), m_openWeb(std::move(openWeb)),
      m_rebootDone(std::move(rebootDone)), m_tick(tick)
{
    m_worker = std::thread([this] { Run(); });
}

RebootQueue::~RebootQueue()
{
    {
        std::lock_guard lock(m_lock);
        m_running = false;
    }
    m_wake.notify_all();
    m_worker.join();
    // The operator was told these cameras would restart; the panel is gone,
    // so the operation log keeps the word that they did not.
    for (const Entry& entry : m_entries) {
        TraceW(1, L"%ls", CameraLine(entry.camera->Info(), 82016).text.c_str());
    }
}

void RebootQueue::Append(std::shared_ptr<Camera> camera, bool tellSuccess)
{
    std::lock_guard lock(m_lock);
    m_entries.push_back({std::move(camera), tellSuccess});
}

std::size_t RebootQueue::Pending() const
{
    std::lock_guard lock(m_lock);
    return m_entries.size() + static_cast<std::size_t>(m_rebooting);
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
    Entry entry;
    {
        std::lock_guard lock(m_lock);
        if (m_pauseTicks >= 0) {
            if (++m_pauseTicks >= kRestorePauseTicks) {
                m_pauseTicks = -1;
            }
            return;
        }
        if (!m_entries.empty()) {
            entry = m_entries.front();
            m_entries.pop_front();
            ++m_rebooting;
        }
    }
    if (entry.camera) {
        const CameraResult result = m_reboot(*entry.camera);
        if (m_rebootDone && (!result.Done() || entry.tellSuccess)) {
            m_rebootDone(CameraLine(entry.camera->Info(), RebootLineKey(result)), result.Done());
        }
        std::lock_guard lock(m_lock);
        --m_rebooting;
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
