#pragma once
// The frame sinks the GUI registers per window handle, and the hand-over of a
// decoded picture to one of them. Removing a sink waits for a hand-over that
// is running on another thread, so a removed sink is never called again.
#include "VtIpcSDK.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace vtmedia {

class FrameSinks
{
public:
    static FrameSinks& Instance();

    // A null sink removes the window's sink.
    void Set(uint32_t window, VtFrameSink sink, void* user);
    // False when the window has no sink.
    bool Deliver(uint32_t window, const VtVideoFrame& frame);

private:
    struct Entry
    {
        std::recursive_mutex calling; // held during a call; recursive so a sink may unregister itself
        VtFrameSink sink = nullptr;
        void* user = nullptr;
    };

    std::mutex mutex_;
    std::map<uint32_t, std::shared_ptr<Entry>> entries_;
};

} // namespace vtmedia
