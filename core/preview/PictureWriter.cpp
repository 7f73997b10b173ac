#include "PictureWriter.h"

#include "ImagingApply.h"

#include <cstring>

namespace {
bool SameCamera(const tagVtIpcInfo& a, const tagVtIpcInfo& b)
{
    return std::memcmp(a.mac, b.mac, sizeof a.mac) == 0;
}
} // namespace

PictureWriter::PictureWriter(LoggedIn loggedIn) : m_loggedIn(std::move(loggedIn))
{
    m_thread = std::thread([this] { Run(); });
}

PictureWriter::~PictureWriter()
{
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
        m_pending.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

std::deque<PictureWriter::Pending>::iterator PictureWriter::FindLocked(const tagVtIpcInfo& camera)
{
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (SameCamera(it->target.camera, camera)) {
            return it;
        }
    }
    return m_pending.end();
}

void PictureWriter::Move(const PictureTarget& target, PictureValue which, int position)
{
    {
        std::lock_guard lock(m_lock);
        auto found = FindLocked(target.camera);
        if (found == m_pending.end()) {
            m_pending.push_back(Pending{target, {}});
            found = std::prev(m_pending.end());
        } else if (target.loggedIn || !found->target.loggedIn) {
            found->target = target;
        }
        found->positions[static_cast<std::size_t>(which)] = position;
    }
    m_wake.notify_one();
}

void PictureWriter::Drop(const tagVtIpcInfo& camera)
{
    std::lock_guard lock(m_lock);
    const auto found = FindLocked(camera);
    if (found != m_pending.end()) {
        m_pending.erase(found);
    }
    if (m_pending.empty() && !m_writing) {
        m_idle.notify_all();
    }
}

void PictureWriter::WaitIdle()
{
    std::unique_lock lock(m_lock);
    m_idle.wait(lock, [this] { return m_stop || (m_pending.empty() && !m_writing); });
}

uint64_t PictureWriter::Writes() const
{
    std::lock_guard lock(m_lock);
    return m_writes;
}

void PictureWriter::Run()
{
    std::unique_lock lock(m_lock);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || !m_pending.empty(); });
        if (m_stop) {
            break;
        }
        Pending job = std::move(m_pending.front());
        m_pending.pop_front();
        m_writing = true;
        lock.unlock();
        Write(job);
        lock.lock();
        m_writing = false;
        if (m_pending.empty()) {
            m_idle.notify_all();
        }
    }
    m_writing = false;
    m_idle.notify_all();
}

void PictureWriter::Write(Pending& job)
{
    std::shared_ptr<Camera> camera = job.target.loggedIn;
    if (!camera) {
        // A failed login here is not reported: the selection already said so.
        camera = LoginCamera(job.target.camera, job.target.login);
        if (!camera) {
            return;
        }
        {
            std::lock_guard lock(m_lock);
            const auto later = FindLocked(job.target.camera);
            if (later != m_pending.end() && !later->target.loggedIn) {
                later->target.loggedIn = camera;
            }
        }
        if (m_loggedIn) {
            m_loggedIn(job.target.camera, camera);
        }
    }
    ImagingSettingsRecord record{};
    if (!camera->GetImagingSettings(record).Done()) {
        return;
    }
    MergePicturePositions(record, job.positions, job.target.aModel);
    camera->SetImagingSettings(record);
    std::lock_guard lock(m_lock);
    ++m_writes;
}
