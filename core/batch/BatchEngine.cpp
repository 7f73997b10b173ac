#include "BatchEngine.h"

#include "CameraAccess.h"
#include "OperationLog.h"

#include <algorithm>
#include <exception>

namespace {
constexpr unsigned kOperationFailedKey = 85002; // "Operation failed."
} // namespace

BatchEngine::BatchEngine(int maxParallel) : m_maxParallel(std::max(1, maxParallel)) {}

BatchEngine::~BatchEngine()
{
    Cancel();
    Wait();
}

void BatchEngine::SetMaxParallel(int maxParallel)
{
    std::lock_guard lock(m_lock);
    m_maxParallel = std::max(1, maxParallel);
}

void BatchEngine::SetDelivery(Delivery delivery)
{
    std::lock_guard lock(m_lock);
    m_delivery = delivery;
}

bool BatchEngine::Running() const
{
    std::lock_guard lock(m_lock);
    return m_running;
}

bool BatchEngine::Start(std::vector<tagVtIpcInfo> targets, Operation operation, CameraDone cameraDone,
                        Finished finished)
{
    std::unique_lock lock(m_lock);
    if (m_running) {
        return false;
    }
    // Threads of a finished batch may still be on their way out.
    std::vector<std::thread> old = std::move(m_threads);
    m_threads.clear();
    lock.unlock();
    for (std::thread& thread : old) {
        thread.join();
    }
    lock.lock();
    m_targets = std::move(targets);
    m_results.assign(m_targets.size(), std::nullopt);
    m_operation = std::move(operation);
    m_cameraDone = std::move(cameraDone);
    m_finished = std::move(finished);
    m_nextToStart = 0;
    m_nextToDeliver = 0;
    m_endOfRun = m_targets.size();
    m_runDelivery = m_delivery;
    m_stop->store(false);
    m_running = true;
    const int count = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(m_maxParallel),
                                                             std::max<std::size_t>(m_targets.size(), 1)));
    m_activeThreads = count;
    for (int i = 0; i < count; ++i) {
        m_threads.emplace_back([this] { Work(); });
    }
    return true;
}

void BatchEngine::Cancel()
{
    std::lock_guard lock(m_lock);
    m_endOfRun = std::min(m_endOfRun, m_nextToStart);
    m_stop->store(true);
}

void BatchEngine::Wait()
{
    std::unique_lock lock(m_lock);
    m_idle.wait(lock, [this] { return !m_running; });
    std::vector<std::thread> threads = std::move(m_threads);
    m_threads.clear();
    lock.unlock();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

void BatchEngine::Work()
{
    const CameraStopScope stopScope(m_stop);
    for (;;) {
        std::size_t index = 0;
        {
            std::lock_guard lock(m_lock);
            if (m_nextToStart >= m_endOfRun) {
                break;
            }
            index = m_nextToStart++;
        }
        std::vector<PanelLine> lines;
        // An operation must not take the program down with it, nor leave its
        // camera without a word.
        try {
            lines = m_operation(m_targets[index], index);
        } catch (const std::exception& error) {
            TraceA(1, "batch operation failed: %s", error.what());
            lines = {CameraLine(m_targets[index], kOperationFailedKey)};
        } catch (...) {
            TraceA(1, "batch operation failed");
            lines = {CameraLine(m_targets[index], kOperationFailedKey)};
        }
        Deliver(index, std::move(lines));
    }
    bool last = false;
    bool cancelled = false;
    {
        std::lock_guard lock(m_lock);
        last = --m_activeThreads == 0;
        cancelled = m_endOfRun < m_targets.size();
    }
    if (!last) {
        return;
    }
    if (m_finished) {
        m_finished(cancelled);
    }
    std::lock_guard lock(m_lock);
    m_running = false;
    m_idle.notify_all();
}

void BatchEngine::Deliver(std::size_t index, std::vector<PanelLine> lines)
{
    std::lock_guard delivery(m_deliveryLock);
    std::vector<std::pair<std::size_t, std::vector<PanelLine>>> ready;
    {
        std::lock_guard lock(m_lock);
        if (m_runDelivery == Delivery::AsFinished) {
            ready.emplace_back(index, std::move(lines));
        } else {
            m_results[index] = std::move(lines);
        }
        while (m_nextToDeliver < m_results.size() && m_results[m_nextToDeliver].has_value()) {
            ready.emplace_back(m_nextToDeliver, std::move(*m_results[m_nextToDeliver]));
            m_results[m_nextToDeliver].reset();
            ++m_nextToDeliver;
        }
    }
    if (!m_cameraDone) {
        return;
    }
    for (auto& [done, doneLines] : ready) {
        m_cameraDone(done, std::move(doneLines));
    }
}

void BatchEngine::Run(std::vector<tagVtIpcInfo> targets, const Operation& operation,
                      const CameraDone& cameraDone, int maxParallel, Delivery delivery)
{
    BatchEngine engine(maxParallel);
    engine.SetDelivery(delivery);
    engine.Start(std::move(targets), operation, cameraDone, {});
    engine.Wait();
}
