// The process's table of video windows: pictures reach the sink of their own
// window only, and removing a sink waits for a delivery that is running, so a
// video area that goes away is never handed a picture after it went.
#include "FrameSinks.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct SlowSink
{
    std::atomic<int> pictures{0};
    std::atomic<int> noPicture{0};
    std::atomic<bool> inside{false};
    std::atomic<bool> release{true};

    static void Receive(void* user, uint32_t, const uint8_t* rgb, int, int, int)
    {
        auto* sink = static_cast<SlowSink*>(user);
        sink->inside = true;
        while (!sink->release) {
            std::this_thread::sleep_for(1ms);
        }
        ++(rgb != nullptr ? sink->pictures : sink->noPicture);
        sink->inside = false;
    }
};

} // namespace

TEST(FrameSinksTest, PicturesReachTheirWindowAndRemovalWaitsForADelivery)
{
    SlowSink first;
    SlowSink second;
    SetFrameSink(0x9101, &SlowSink::Receive, &first);
    SetFrameSink(0x9102, &SlowSink::Receive, &second);
    const uint8_t rgb[3] = {1, 2, 3};
    EXPECT_TRUE(DeliverFrame(0x9101, rgb, 1, 1, 3));
    EXPECT_TRUE(DeliverNoPicture(0x9102));
    EXPECT_FALSE(DeliverFrame(0x9103, rgb, 1, 1, 3));
    EXPECT_EQ(first.pictures, 1);
    EXPECT_EQ(first.noPicture, 0);
    EXPECT_EQ(second.noPicture, 1);

    first.release = false;
    std::thread player([&] { DeliverFrame(0x9101, rgb, 1, 1, 3); });
    while (!first.inside) {
        std::this_thread::sleep_for(1ms);
    }
    std::atomic<bool> removed{false};
    std::thread closer([&] {
        SetFrameSink(0x9101, nullptr, nullptr);
        removed = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(removed) << "the sink went while a picture was handed to it";
    first.release = true;
    closer.join();
    player.join();
    EXPECT_TRUE(removed);
    EXPECT_EQ(first.pictures, 2);
    EXPECT_FALSE(DeliverFrame(0x9101, rgb, 1, 1, 3));
    SetFrameSink(0x9102, nullptr, nullptr);
}
