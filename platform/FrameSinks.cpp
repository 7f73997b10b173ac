#include "FrameSinks.h"

#include <map>
#include <mutex>
#include <shared_mutex>

namespace {

struct Sink
{
    FrameSinkFn fn = nullptr;
    void* user = nullptr;
};

// Deliveries hold the lock shared, a change holds it alone: a removal waits
// for the deliveries running and none starts while it waits.
struct SinkTable
{
    std::shared_mutex lock;
    std::map<uint32_t, Sink> sinks;
};

SinkTable& Table()
{
    static SinkTable table;
    return table;
}

} // namespace

void SetFrameSink(uint32_t window, FrameSinkFn sink, void* user)
{
    SinkTable& table = Table();
    std::unique_lock lock(table.lock);
    if (sink == nullptr) {
        table.sinks.erase(window);
    } else {
        table.sinks[window] = Sink{sink, user};
    }
}

bool DeliverFrame(uint32_t window, const uint8_t* rgb, int width, int height, int stride)
{
    SinkTable& table = Table();
    std::shared_lock lock(table.lock);
    const auto found = table.sinks.find(window);
    if (found == table.sinks.end()) {
        return false;
    }
    found->second.fn(found->second.user, window, rgb, width, height, stride);
    return true;
}

bool DeliverNoPicture(uint32_t window)
{
    return DeliverFrame(window, nullptr, 0, 0, 0);
}
