#include "RebootQueue.h"

#include <chrono>
#include <gtest/gtest.h>
#include <vector>

namespace {
// A tick far in the future: the tests step the queue by hand.
constexpr auto kManual = std::chrono::hours(1);
} // namespace

TEST(RebootQueue, RebootsOneCameraPerTickInOrderAndOpensTheWebAddress)
{
    std::vector<int> rebooted;
    int opened = 0;
    RebootQueue queue([&](int handle) { rebooted.push_back(handle); }, [&] { ++opened; }, kManual);
    queue.Append(7);
    queue.Append(3);
    EXPECT_EQ(queue.Pending(), 2U);
    queue.Tick();
    EXPECT_EQ(rebooted, std::vector<int>{7});
    queue.Tick();
    queue.Tick();
    EXPECT_EQ(rebooted, (std::vector<int>{7, 3}));
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(queue.Pending(), 0U);
}

TEST(RebootQueue, RestorePauseHoldsRebootsAndWebAddressesFor125Ticks)
{
    std::vector<int> rebooted;
    int opened = 0;
    RebootQueue queue([&](int handle) { rebooted.push_back(handle); }, [&] { ++opened; }, kManual);
    queue.Append(1);
    queue.StartRestorePause();
    for (int i = 0; i < RebootQueue::kRestorePauseTicks; ++i) {
        EXPECT_TRUE(queue.RestorePaused()) << "tick " << i;
        queue.Tick();
    }
    EXPECT_TRUE(rebooted.empty());
    EXPECT_EQ(opened, 0);
    EXPECT_FALSE(queue.RestorePaused());
    queue.Tick();
    EXPECT_EQ(rebooted, std::vector<int>{1});
    EXPECT_EQ(opened, 1);
}

TEST(RebootQueue, WorkerTicksOnItsOwnAndDiscardsTheQueueWhenDestroyed)
{
    std::vector<int> rebooted;
    {
        RebootQueue queue([&](int handle) { rebooted.push_back(handle); }, {}, std::chrono::milliseconds(5));
        queue.Append(4);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (queue.Pending() != 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(queue.Pending(), 0U);
    }
    EXPECT_EQ(rebooted, std::vector<int>{4});
    std::vector<int> never;
    {
        RebootQueue queue([&](int handle) { never.push_back(handle); }, {}, kManual);
        queue.Append(9);
    }
    EXPECT_TRUE(never.empty());
}
