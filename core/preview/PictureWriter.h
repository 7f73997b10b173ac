#pragma once
#include "CameraAccess.h"
#include "PreviewRules.h"
#include "Tivox.h"
#include "ZxExport.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// The camera a picture value is written to, with the login to use when no
// logged-in camera is held.
struct PictureTarget
{
    tagVtIpcInfo camera{};
    LoginCredentials login;
    std::shared_ptr<Camera> loggedIn;
    bool aModel = false;
};

// Writes slider moves to cameras on a thread of its own, so that a drag never
// waits for a camera: each camera's latest position per slider wins, and at
// most one write is in flight. A write reads the camera's picture values,
// replaces those of the sliders moved since the last write and writes the
// record back, so the camera ends at the positions last moved to.
class ZX_EXPORT PictureWriter
{
public:
    // Called on the writer's thread after it logged in for a camera that had
    // no login; the caller may keep the camera for later calls.
    using LoggedIn = std::function<void(const tagVtIpcInfo& camera, std::shared_ptr<Camera> loggedIn)>;

    explicit PictureWriter(LoggedIn loggedIn = {});
    // Forgets what is not yet written and waits for the write in flight.
    ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    // A slider of the camera moved to position (0-100).
    void Move(const PictureTarget& target, PictureValue which, int position);
    // Forgets the camera's moves that are not yet written.
    void Drop(const tagVtIpcInfo& camera);
    // Returns once nothing is pending or being written.
    void WaitIdle();
    // Records written to cameras so far.
    uint64_t Writes() const;

private:
    struct Pending
    {
        PictureTarget target;
        std::array<std::optional<int>, kPictureValueCount> positions;
    };

    void Run();
    void Write(Pending& job);
    std::deque<Pending>::iterator FindLocked(const tagVtIpcInfo& camera);

    LoggedIn m_loggedIn;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Pending> m_pending;
    bool m_writing = false;
    bool m_stop = false;
    uint64_t m_writes = 0;
    std::thread m_thread;
};
