#pragma once
// A one-way switch that wakes every exchange waiting on it: once cancelled it
// stays cancelled, and its descriptor stays readable, so a poll that includes
// it returns at once whatever the camera does.
#include <atomic>

namespace vtclient {

class CancelSignal
{
public:
    CancelSignal();
    ~CancelSignal();
    CancelSignal(const CancelSignal&) = delete;
    CancelSignal& operator=(const CancelSignal&) = delete;

    void Cancel();
    bool Cancelled() const { return cancelled_.load(); }
    // Readable once cancelled; -1 when no descriptor could be had, and the
    // waiters then look at Cancelled() between short waits.
    int fd() const { return fd_; }

private:
    int fd_;
    std::atomic<bool> cancelled_{false};
};

} // namespace vtclient
