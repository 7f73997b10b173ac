#pragma once
// What showing live video costs, summed over a benchmark's rounds: pictures
// the video area received and painted, wall time, and the UI thread's
// processor time (the calling thread's, which runs the event loop).
#include "VideoWnd.h"

#include <QElapsedTimer>
#include <QTest>
#include <benchmark/benchmark.h>
#include <ctime>

class PaintTally
{
public:
    // Runs the event loop for one round and adds what the area did meanwhile.
    void Round(const CVideoWnd& video, int milliseconds)
    {
        const uint64_t paintedBefore = video.FramesPainted();
        const uint64_t receivedBefore = video.FramesReceived();
        const double cpuBefore = ThreadCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QTest::qWait(milliseconds);
        m_seconds += static_cast<double>(clock.nsecsElapsed()) / 1e9;
        m_cpu += ThreadCpuSeconds() - cpuBefore;
        m_painted += static_cast<double>(video.FramesPainted() - paintedBefore);
        m_received += static_cast<double>(video.FramesReceived() - receivedBefore);
    }

    // received_fps, painted_fps, painted_share of the stream's rate,
    // painted_of_received, ui_ms_per_frame and the area's size.
    void Report(benchmark::State& state, const CVideoWnd& video, double streamRate) const
    {
        state.counters["received_fps"] = m_received / m_seconds;
        state.counters["painted_fps"] = m_painted / m_seconds;
        state.counters["painted_share"] = m_painted / (m_seconds * streamRate);
        state.counters["painted_of_received"] = m_received > 0 ? m_painted / m_received : 0.0;
        state.counters["ui_ms_per_frame"] = m_painted > 0 ? m_cpu * 1000.0 / m_painted : 0.0;
        state.counters["area_w"] = video.width();
        state.counters["area_h"] = video.height();
    }

    static double ThreadCpuSeconds()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
    }

private:
    double m_painted = 0;
    double m_received = 0;
    double m_cpu = 0;
    double m_seconds = 0;
};
