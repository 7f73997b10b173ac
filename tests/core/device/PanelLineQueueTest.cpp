#include "PanelLineQueue.h"

#include "PanelLineText.h"


#include <gtest/gtest.h>

TEST(PanelLineQueue, OnlyTheFirstLineIntoAnEmptyQueueAsksTheUiThread)
{
    PanelLineQueue queue;
    EXPECT_TRUE(queue.Push({L"first", true}));
    EXPECT_FALSE(queue.Push({L"second", false}));
    const std::vector<PanelLine> lines = queue.TakeAll();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, L"first");
    EXPECT_TRUE(lines[0].stamped);
    EXPECT_EQ(lines[1].text, L"second");
    EXPECT_FALSE(lines[1].stamped);
    EXPECT_EQ(queue.Size(), 0u);
    EXPECT_TRUE(queue.Push({L"third", true})) << "an emptied queue asks again";
}

TEST(PanelLineQueue, AFloodKeepsItsNewestLinesInOrderWithinTheBound)
{
    PanelLineQueue queue;
    constexpr int kFlood = 1000;
    for (int i = 0; i < kFlood; ++i) {
        queue.Push({std::to_wstring(i), false});
        ASSERT_LE(queue.Size(), PanelLineQueue::MostWaiting());
    }
    const std::vector<PanelLine> lines = queue.TakeAll();
    // At least as many as the panel can show, ending with the newest, none
    // skipped in between.
    ASSERT_GE(lines.size(), static_cast<std::size_t>(kPanelLineLimit + 1));
    for (std::size_t k = 0; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k].text,
                  std::to_wstring(kFlood - static_cast<int>(lines.size()) + static_cast<int>(k)));
    }
}
