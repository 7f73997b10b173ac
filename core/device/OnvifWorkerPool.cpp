#include "OnvifWorkerPool.h"

OnvifWorkerPool::OnvifWorkerPool(std::size_t workers, std::size_t readLimit) : m_readLimit(readLimit)
{
    for (std::size_t i = 0; i < workers; ++i) {
        m_workers.emplace_back([this] { Run(); });
    }
}

OnvifWorkerPool::~OnvifWorkerPool()
{
    {
        std::lock_guard scope(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
}

bool OnvifWorkerPool::SubmitRead(Job job)
{
    {
        std::lock_guard scope(m_lock);
        if (m_reads.size() >= m_readLimit) {
            ++m_turnedAway;
            return false;
        }
        m_reads.push_back(std::move(job));
    }
    m_wake.notify_one();
    return true;
}

void OnvifWorkerPool::SubmitChange(Job job)
{
    {
        std::lock_guard scope(m_lock);
        m_changes.push_back(std::move(job));
    }
    m_wake.notify_one();
}

bool OnvifWorkerPool::WaitIdle(std::chrono::milliseconds limit)
{
    std::unique_lock scope(m_lock);
    return m_idle.wait_for(scope, limit,
                           [this] { return m_changes.empty() && m_reads.empty() && m_running == 0; });
}

void OnvifWorkerPool::Run()
{
    std::unique_lock scope(m_lock);
    while (true) {
        m_wake.wait(scope, [this] { return m_stop || !m_changes.empty() || !m_reads.empty(); });
        if (m_stop) {
            return;
        }
        std::deque<Job>& queue = !m_changes.empty() ? m_changes : m_reads;
        Job job = std::move(queue.front());
        queue.pop_front();
        ++m_running;
        scope.unlock();
        job(m_stop);
        job = nullptr;
        scope.lock();
        --m_running;
        if (m_changes.empty() && m_reads.empty() && m_running == 0) {
            m_idle.notify_all();
        }
    }
}
