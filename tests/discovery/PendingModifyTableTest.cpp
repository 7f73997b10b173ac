#include "PendingModifyTable.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using Clock = tivox::PendingModifyTable::Clock;
using std::chrono::milliseconds;

tagVtIpcInfo Request(unsigned char last, const char* ip = "10.0.0.1")
{
    tagVtIpcInfo info{};
    const unsigned char mac[6] = {0x02, 0, 0, 0, 0, last};
    std::memcpy(info.mac, mac, 6);
    std::strcpy(info.ip, ip);
    std::strcpy(info.user, "admin");
    std::strcpy(info.password, "pw");
    return info;
}

TEST(PendingModifyTable, ExpiresAfterFifteenSecondsWithTheRequestAsSent)
{
    tivox::PendingModifyTable table;
    const auto t0 = Clock::now();
    ASSERT_TRUE(table.Insert(Request(1, "10.9.9.9"), t0));
    EXPECT_TRUE(table.TakeExpired(t0 + milliseconds(14999)).empty());
    const auto expired = table.TakeExpired(t0 + milliseconds(15000));
    ASSERT_EQ(expired.size(), 1u);
    EXPECT_EQ(expired[0].result, 1);
    EXPECT_STREQ(expired[0].info.ip, "10.9.9.9");
    EXPECT_STREQ(expired[0].info.password, "pw");
    // Reported once only.
    EXPECT_TRUE(table.TakeExpired(t0 + milliseconds(30000)).empty());
}

TEST(PendingModifyTable, ReplyClearsEverySlotOfTheCameraOnly)
{
    tivox::PendingModifyTable table;
    const auto t0 = Clock::now();
    table.Insert(Request(1), t0);
    table.Insert(Request(2), t0);
    table.Insert(Request(1), t0);
    tagVtIpcInfo sameSixBytes = Request(1);
    sameSixBytes.mac[6] = 0x55; // the two bytes after the address do not count
    table.Insert(sameSixBytes, t0);
    const unsigned char camera1[6] = {0x02, 0, 0, 0, 0, 1};
    EXPECT_EQ(table.ClearCamera(camera1), 3u);
    const auto expired = table.TakeExpired(t0 + std::chrono::seconds(20));
    ASSERT_EQ(expired.size(), 1u);
    EXPECT_EQ(expired[0].info.mac[5], 2);
}

TEST(PendingModifyTable, HoldsOneHundredTwentyEightAndReusesTheLowestFreeSlot)
{
    tivox::PendingModifyTable table;
    const auto t0 = Clock::now();
    for (unsigned i = 0; i < 128; ++i) {
        ASSERT_TRUE(table.Insert(Request(static_cast<unsigned char>(i)), t0)) << i;
    }
    EXPECT_FALSE(table.Insert(Request(200), t0));
    const unsigned char camera5[6] = {0x02, 0, 0, 0, 0, 5};
    table.ClearCamera(camera5);
    // A later request takes the freed slot 5, so it is reported in 6th place.
    EXPECT_TRUE(table.Insert(Request(201), t0 + std::chrono::seconds(1)));
    const auto expired = table.TakeExpired(t0 + std::chrono::seconds(16));
    ASSERT_EQ(expired.size(), 128u);
    EXPECT_EQ(expired[5].info.mac[5], 201);
    for (const auto& msg : expired) {
        EXPECT_NE(msg.info.mac[5], 200);
    }
}

} // namespace
