#pragma once
#include "ZxExport.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

// Runs jobs on threads of their own where only the newest one matters, such
// as reading the settings of the camera clicked last: starting a job tells
// every earlier one to stop at its next check. A job stuck in a slow call
// cannot be interrupted, so its thread is kept and joined once it returns;
// destroying the owner stops every job and waits for all of them.
// Start, Stop and the destructor belong to one owner thread.
class ZX_EXPORT LatestJob
{
public:
    // Runs on the job's thread; stop is set once a newer job started or the
    // owner stopped it, and should be checked between long calls.
    using Job = std::function<void(const std::atomic<bool>& stop)>;

    LatestJob() = default;
    ~LatestJob();
    LatestJob(const LatestJob&) = delete;
    LatestJob& operator=(const LatestJob&) = delete;

    void Start(Job job);
    // Tells every job to stop, without waiting.
    void Stop();
    // Threads not joined yet (jobs still running or just returned).
    std::size_t Threads();

private:
    struct Run
    {
        std::shared_ptr<std::atomic<bool>> stop;
        std::shared_ptr<std::atomic<bool>> done;
        std::thread thread;
    };
    // Joins the threads whose job returned.
    void Reap();

    std::vector<Run> m_runs;
};
