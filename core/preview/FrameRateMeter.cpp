#include "FrameRateMeter.h"

namespace {
constexpr std::chrono::seconds kWindow{1};
}

void FrameRateMeter::Frame(Clock::time_point now)
{
    m_times.push_back(now);
    while (!m_times.empty() && now - m_times.front() > kWindow) {
        m_times.pop_front();
    }
}

double FrameRateMeter::Rate(Clock::time_point now) const
{
    std::size_t first = 0;
    while (first < m_times.size() && now - m_times[first] > kWindow) {
        ++first;
    }
    const std::size_t count = m_times.size() - first;
    if (count < 2) {
        return 0.0;
    }
    const double seconds = std::chrono::duration<double>(m_times.back() - m_times[first]).count();
    return seconds > 0 ? static_cast<double>(count - 1) / seconds : 0.0;
}
