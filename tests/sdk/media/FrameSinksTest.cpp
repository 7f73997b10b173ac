// Frame sinks: a removed sink is never running and never called again.
#include "FrameSinks.h"

#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using vtmedia::FrameSinks;

struct SlowSink
{
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
    std::promise<void> entered;
    std::atomic<bool> release{false};

    static void Call(void* user, const VtVideoFrame*)
    {
        auto* self = static_cast<SlowSink*>(user);
        if (self->calls++ == 0) {
            self->inside = true;
            self->entered.set_value();
            while (!self->release) {
                std::this_thread::sleep_for(1ms);
            }
            self->inside = false;
        }
    }
};

TEST(FrameSinksTest, PicturesGoToTheSinkOfTheirWindowOnly)
{
    FrameSinks sinks;
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    const auto count = [](void* user, const VtVideoFrame*) { ++*static_cast<std::atomic<int>*>(user); };
    sinks.Set(1, count, &first);
    sinks.Set(2, count, &second);
    const VtVideoFrame frame{};
    EXPECT_TRUE(sinks.Deliver(1, frame));
    EXPECT_TRUE(sinks.Deliver(1, frame));
    EXPECT_TRUE(sinks.Deliver(2, frame));
    EXPECT_FALSE(sinks.Deliver(3, frame));
    sinks.Set(1, nullptr, nullptr);
    EXPECT_FALSE(sinks.Deliver(1, frame));
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 1);
}

TEST(FrameSinksTest, RemovingASinkWaitsForItsRunningCall)
{
    FrameSinks sinks;
    SlowSink slow;
    sinks.Set(7, &SlowSink::Call, &slow);
    std::thread decoder([&] { sinks.Deliver(7, VtVideoFrame{}); });
    slow.entered.get_future().wait();
    auto removed = std::async(std::launch::async, [&] {
        sinks.Set(7, nullptr, nullptr);
        return slow.inside.load();
    });
    EXPECT_EQ(removed.wait_for(100ms), std::future_status::timeout) << "the removal did not wait";
    slow.release = true;
    EXPECT_FALSE(removed.get()) << "the removal returned while the sink was still running";
    decoder.join();
    EXPECT_FALSE(sinks.Deliver(7, VtVideoFrame{}));
    EXPECT_EQ(slow.calls, 1);
}

TEST(FrameSinksTest, ASinkMayRemoveItselfFromItsOwnCall)
{
    static FrameSinks sinks;
    static int calls = 0;
    sinks.Set(
        9,
        [](void*, const VtVideoFrame*) {
            ++calls;
            sinks.Set(9, nullptr, nullptr);
        },
        nullptr);
    EXPECT_TRUE(sinks.Deliver(9, VtVideoFrame{}));
    EXPECT_FALSE(sinks.Deliver(9, VtVideoFrame{}));
    EXPECT_EQ(calls, 1);
}

} // namespace
