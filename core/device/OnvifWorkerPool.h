#pragma once
#include "ZxExport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed number of worker threads that run queued jobs, for the logins and
// changes of ONVIF cameras. Its queue of reads is bounded: anyone on the
// camera segment can announce made-up cameras, and each would cost a login
// that waits for a timeout, so beyond the bound a read is turned away
// (counted) rather than queued. Changes the user asked for are never turned
// away and run before waiting reads.
//
// Threads: Submit from any thread; jobs run on the workers and get the stop
// flag, which is set when the pool stops (a job should give up soon then).
// The destructor sets it and joins every worker; queued jobs are dropped.
class ZX_EXPORT OnvifWorkerPool
{
public:
    using Job = std::function<void(const std::atomic<bool>& stop)>;

    OnvifWorkerPool(std::size_t workers, std::size_t readLimit);
    ~OnvifWorkerPool();
    OnvifWorkerPool(const OnvifWorkerPool&) = delete;
    OnvifWorkerPool& operator=(const OnvifWorkerPool&) = delete;

    // False when the queue of reads is full.
    bool SubmitRead(Job job);
    void SubmitChange(Job job);
    // Waits until nothing is queued or running, or the time is up; true when idle.
    bool WaitIdle(std::chrono::milliseconds limit);
    std::uint64_t TurnedAway() const { return m_turnedAway.load(); }

private:
    void Run();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_changes;
    std::deque<Job> m_reads;
    std::size_t m_readLimit;
    std::size_t m_running = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_turnedAway{0};
    std::vector<std::thread> m_workers;
};
