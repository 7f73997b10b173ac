#include "FrameSinks.h"

namespace vtmedia {

FrameSinks& FrameSinks::Instance()
{
    static FrameSinks sinks;
    return sinks;
}

void FrameSinks::Set(uint32_t window, VtFrameSink sink, void* user)
{
    std::shared_ptr<Entry> previous;
    {
        std::lock_guard lock(mutex_);
        const auto found = entries_.find(window);
        if (found != entries_.end()) {
            previous = std::move(found->second);
            entries_.erase(found);
        }
        if (sink != nullptr) {
            auto entry = std::make_shared<Entry>();
            entry->sink = sink;
            entry->user = user;
            entries_.emplace(window, std::move(entry));
        }
    }
    if (previous) {
        // Waits for a call in progress; later calls find the entry cleared.
        std::lock_guard calling(previous->calling);
        previous->sink = nullptr;
    }
}

bool FrameSinks::Deliver(uint32_t window, const VtVideoFrame& frame)
{
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard lock(mutex_);
        const auto found = entries_.find(window);
        if (found == entries_.end()) {
            return false;
        }
        entry = found->second;
    }
    std::lock_guard calling(entry->calling);
    if (entry->sink == nullptr) {
        return false;
    }
    entry->sink(entry->user, &frame);
    return true;
}

} // namespace vtmedia
