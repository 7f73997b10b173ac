#pragma once
#include "ZxExport.h"

#include <chrono>
#include <deque>

// The rate at which pictures are shown, over the last second: what the
// preview shows in a corner of its video area.
class ZX_EXPORT FrameRateMeter
{
public:
    using Clock = std::chrono::steady_clock;

    void Frame(Clock::time_point now);
    // Pictures per second over the frames of the second before `now`; 0 when
    // fewer than two fell into it.
    double Rate(Clock::time_point now) const;
    void Reset() { m_times.clear(); }

private:
    std::deque<Clock::time_point> m_times;
};
