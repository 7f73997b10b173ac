#pragma once
#include "CameraStop.h"
#include "PanelLine.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Applies one operation to many cameras, several at once, off the caller's
// thread. Each camera's lines stay together. By default they are handed on in
// target order, however the cameras finish, so the operation panel reads like
// a one-by-one run; long jobs (uploads) hand them on as each camera finishes,
// so a slow camera holds back no one else's result. Knows nothing of
// windows: the pages wrap it, the terminal tool calls it.
class ZX_EXPORT BatchEngine
{
public:
    // What the operation does to one camera; runs on a worker thread and
    // returns that camera's panel lines. index is the camera's place in the
    // target list. An operation that throws gets the line "Operation failed."
    // for its camera.
    using Operation = std::function<std::vector<PanelLine>(const tagVtIpcInfo& camera, std::size_t index)>;
    // Called for each camera, from a worker thread, one call at a time.
    using CameraDone = std::function<void(std::size_t index, std::vector<PanelLine> lines)>;
    // Called once after the last camera's lines, from a worker thread;
    // cancelled is true when cameras were skipped by Cancel.
    using Finished = std::function<void(bool cancelled)>;

    static constexpr int kDefaultParallel = 8;

    // When a camera's lines are handed on.
    enum class Delivery
    {
        TargetOrder, // after those of every camera before it in the target list
        AsFinished,  // as soon as its operation returns
    };

    explicit BatchEngine(int maxParallel = kDefaultParallel);
    // Skips the cameras not yet started and waits for the running ones.
    ~BatchEngine();
    BatchEngine(const BatchEngine&) = delete;
    BatchEngine& operator=(const BatchEngine&) = delete;

    void SetMaxParallel(int maxParallel);
    int MaxParallel() const { return m_maxParallel; }
    // For the batches started from now on.
    void SetDelivery(Delivery delivery);

    // Starts a batch; false (and nothing started) while another one runs.
    bool Start(std::vector<tagVtIpcInfo> targets, Operation operation, CameraDone cameraDone,
               Finished finished);
    // Cameras not started yet are skipped; the calls of cameras opened by the
    // batch's operations end soon (CameraStop.h).
    void Cancel();
    // Blocks until the batch has finished and its threads are joined.
    void Wait();
    bool Running() const;

    // Runs a batch on the calling thread's behalf and returns when it is done.
    static void Run(std::vector<tagVtIpcInfo> targets, const Operation& operation,
                    const CameraDone& cameraDone, int maxParallel = kDefaultParallel,
                    Delivery delivery = Delivery::TargetOrder);

private:
    void Work();
    void Deliver(std::size_t index, std::vector<PanelLine> lines);

    int m_maxParallel;
    Delivery m_delivery = Delivery::TargetOrder;
    Delivery m_runDelivery = Delivery::TargetOrder; // of the batch running
    mutable std::mutex m_lock;
    std::condition_variable m_idle;
    std::vector<std::thread> m_threads;
    std::vector<tagVtIpcInfo> m_targets;
    std::vector<std::optional<std::vector<PanelLine>>> m_results;
    Operation m_operation;
    CameraDone m_cameraDone;
    Finished m_finished;
    std::size_t m_nextToStart = 0;
    std::size_t m_nextToDeliver = 0;
    std::size_t m_endOfRun = 0; // cameras past this are skipped
    int m_activeThreads = 0;
    bool m_running = false;
    std::mutex m_deliveryLock; // keeps the CameraDone calls in order and one at a time
    // Named on every worker; cleared when a batch starts. Cameras a batch
    // opened may be used by the next one (a login batch, then the upgrade),
    // so the flag is the engine's, not one batch's.
    CameraStopFlag m_stop = std::make_shared<std::atomic<bool>>(false);
};
