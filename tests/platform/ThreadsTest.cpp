#include "Threads.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {
struct Shared
{
    MutexBlock* mutex = nullptr;
    long counter = 0;
};

unsigned AddMany(void* argument)
{
    auto* shared = static_cast<Shared*>(argument);
    for (int i = 0; i < 100000; ++i) {
        MutexScope scope(shared->mutex);
        ++shared->counter;
    }
    return 0;
}
} // namespace

TEST(Threads, MutexSerialisesThreadsAndJoinWaitsForThem)
{
    Shared shared;
    shared.mutex = MutexCreate();
    ASSERT_NE(shared.mutex, nullptr);
    ThreadBlock* a = ThreadCreate(AddMany, &shared);
    ThreadBlock* b = ThreadCreate(AddMany, &shared);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ThreadJoin(a), 0);
    EXPECT_EQ(ThreadJoin(b), 0);
    EXPECT_EQ(shared.counter, 200000);
    EXPECT_EQ(ThreadJoin(a), -1) << "a thread is joined once";
    ThreadFree(a);
    ThreadFree(b);
    MutexDestroy(shared.mutex);
}

TEST(Threads, NullBlocksAreRefused)
{
    EXPECT_EQ(ThreadCreate(nullptr, nullptr), nullptr);
    EXPECT_EQ(ThreadJoin(nullptr), -1);
    EXPECT_EQ(MutexLock(nullptr), -1);
    EXPECT_EQ(MutexUnlock(nullptr), -1);
    MutexDestroy(nullptr);
    ThreadFree(nullptr);
}

TEST(Threads, FreeingAnUnjoinedThreadWaitsForIt)
{
    static std::atomic<bool> finished{false};
    ThreadBlock* block = ThreadCreate(
        [](void*) -> unsigned {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            finished = true;
            return 0;
        },
        nullptr);
    ASSERT_NE(block, nullptr);
    ThreadFree(block);
    EXPECT_TRUE(finished.load());
}
