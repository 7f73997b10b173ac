// The worker behind the batch set page's loads: a newer job stops older ones,
// and the owner going stops and joins every thread, also the ones still in a
// long call.
#include "BatchSetReading.h"
#include "LatestJob.h"
#include "VtIpcSDK.h"

#include <condition_variable>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace {
// Blocks a job until the test lets it go, as a camera that has not answered.
class Gate
{
public:
    void Open()
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    void Pass()
    {
        std::unique_lock<std::mutex> hold(m_lock);
        m_changed.wait(hold, [this] { return m_open; });
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
};
} // namespace

TEST(LatestJob, ANewerJobStopsTheOlderOnesWhichAreJoinedOnceTheyReturn)
{
    Gate firstCall;
    std::promise<bool> firstSawStop;
    std::promise<void> firstStarted;
    std::promise<bool> secondSawStop;
    Gate secondCall;
    {
        LatestJob jobs;
        jobs.Start([&](const std::atomic<bool>& stop) {
            firstStarted.set_value();
            firstCall.Pass(); // a call to the camera in flight
            firstSawStop.set_value(stop.load());
        });
        firstStarted.get_future().wait();
        jobs.Start([&](const std::atomic<bool>& stop) {
            secondCall.Pass();
            secondSawStop.set_value(stop.load());
        });
        EXPECT_EQ(jobs.Threads(), 2u) << "the first job is still in its call";
        firstCall.Open();
        EXPECT_TRUE(firstSawStop.get_future().get()) << "the newer job told the older one to stop";
        // The first thread is reaped once its job returned; the second runs on.
        while (jobs.Threads() != 1u) {
            std::this_thread::yield();
        }
        secondCall.Open();
        EXPECT_FALSE(secondSawStop.get_future().get()) << "the newest job is left to finish";
    }
}

TEST(LatestJob, TheOwnerGoingStopsEveryJobAndWaitsForIt)
{
    std::atomic<int> finished{0};
    std::vector<bool> sawStop(3, false);
    std::promise<void> allStarted;
    std::atomic<int> started{0};
    {
        LatestJob jobs;
        for (int i = 0; i < 3; ++i) {
            jobs.Start([&, i](const std::atomic<bool>& stop) {
                if (++started == 3) {
                    allStarted.set_value();
                }
                while (!stop) {
                    std::this_thread::yield();
                }
                sawStop[static_cast<std::size_t>(i)] = true;
                ++finished;
            });
        }
        allStarted.get_future().wait();
    }
    EXPECT_EQ(finished.load(), 3) << "every thread was joined before the owner went";
    EXPECT_EQ(sawStop, std::vector<bool>(3, true));

    LatestJob jobs;
    std::promise<bool> stopped;
    jobs.Start([&](const std::atomic<bool>& stop) {
        while (!stop) {
            std::this_thread::yield();
        }
        stopped.set_value(true);
    });
    jobs.Stop();
    EXPECT_TRUE(stopped.get_future().get()) << "Stop reaches a running job without a newer one";
}

// The reads of one load: a stopped load makes no call to the camera, and a
// camera that cannot be reached gives the failure line and no readings.
TEST(BatchSetReading, AStoppedLoadCallsNothingAndAFailedLoginReadsNothing)
{
    tagVtIpcInfo camera{};
    std::memcpy(camera.mac, "\x00\x1A\x2B\x3C\x4D\x5E", 6);
    std::strcpy(camera.ip, "127.0.0.1");
    camera.port = 9; // nothing listens on the discard port of loopback
    const std::atomic<bool> stopped{true};
    const BatchSetReading none = ReadBatchSetCamera(camera, {"admin", "x"}, stopped);
    EXPECT_FALSE(none.loginFailure);
    EXPECT_FALSE(none.system.date);
    EXPECT_FALSE(none.network.ports);
    EXPECT_FALSE(none.video.osd);
    EXPECT_FALSE(ReadReferenceCamera(camera, {"admin", "x"}, stopped).loggedIn);

    ASSERT_EQ(Vt_Sdk_Init(), 0);
    const std::atomic<bool> running{false};
    const BatchSetReading failed = ReadBatchSetCamera(camera, {"admin", "x"}, running);
    ASSERT_TRUE(failed.loginFailure);
    EXPECT_EQ(failed.loginFailure->text,
              L"[00:1A:2B:3C:4D:5E] 127.0.0.1 Can not access device. Please check it's network settings.");
    EXPECT_FALSE(failed.system.date);
    EXPECT_FALSE(failed.network.ddns);
    EXPECT_FALSE(failed.video.primary);
    const ReferenceReading reference = ReadReferenceCamera(camera, {"admin", "x"}, running);
    EXPECT_FALSE(reference.loggedIn);
    EXPECT_FALSE(reference.video.secondary);
    Vt_Sdk_Destroy();
}
