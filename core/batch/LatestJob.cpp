#include "LatestJob.h"

#include <algorithm>

LatestJob::~LatestJob()
{
    Stop();
    for (Run& run : m_runs) {
        run.thread.join();
    }
}

void LatestJob::Start(Job job)
{
    Stop();
    Reap();
    Run run{std::make_shared<std::atomic<bool>>(false), std::make_shared<std::atomic<bool>>(false), {}};
    run.thread = std::thread([job = std::move(job), stop = run.stop, done = run.done] {
        job(*stop);
        *done = true;
    });
    m_runs.push_back(std::move(run));
}

void LatestJob::Stop()
{
    for (Run& run : m_runs) {
        *run.stop = true;
    }
}

std::size_t LatestJob::Threads()
{
    Reap();
    return m_runs.size();
}

void LatestJob::Reap()
{
    const auto finished = std::stable_partition(m_runs.begin(), m_runs.end(), [](const Run& run) { return !*run.done; });
    for (auto it = finished; it != m_runs.end(); ++it) {
        it->thread.join();
    }
    m_runs.erase(finished, m_runs.end());
}
