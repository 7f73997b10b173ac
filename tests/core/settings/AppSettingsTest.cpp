#include "AppSettings.h"

#include <gtest/gtest.h>

TEST(AppSwitches, OnlyTheFirstTwoArgumentsCountAndCaseMatters)
{
    EXPECT_EQ(ParseSwitches({}).vtlog, 0);
    const AppSwitches both = ParseSwitches({"vtoem", "vtlog"});
    EXPECT_EQ(both.vtlog, 1);
    EXPECT_EQ(both.vtoem, 1);
    const AppSwitches reversed = ParseSwitches({"vtlog", "vtoem"});
    EXPECT_EQ(reversed.vtlog + reversed.vtoem, 2);
    EXPECT_EQ(ParseSwitches({"VTLOG"}).vtlog, 0);
    const AppSwitches third = ParseSwitches({"a", "b", "vtoem"});
    EXPECT_EQ(third.vtoem, 0);
}

TEST(AppSwitches, BasicModeTextReadsAsItsNumber)
{
    EXPECT_EQ(ParseBasicMode(L"1"), 1);
    EXPECT_EQ(ParseBasicMode(L"0"), 0);
    EXPECT_EQ(ParseBasicMode(L"yes"), 0);
    EXPECT_EQ(ParseBasicMode(L""), 0);
}

TEST(PendingWebAddress, TakenOnceAndCutToItsBuffer)
{
    SetPendingWebAddress("http://192.168.5.10:8080");
    EXPECT_EQ(TakePendingWebAddress(), "http://192.168.5.10:8080");
    EXPECT_EQ(TakePendingWebAddress(), "");
    SetPendingWebAddress(std::string(400, 'x'));
    EXPECT_EQ(TakePendingWebAddress().size(), 259u);
}
