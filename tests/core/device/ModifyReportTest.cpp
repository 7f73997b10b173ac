#include "ModifyReport.h"

#include "TestInfo.h"

#include <gtest/gtest.h>

TEST(ModifyReport, PortOnlyChangeIsOneStampedLine)
{
    const tagVtIpcInfo before = MakeCamera(0x5E, "192.168.5.10", 80);
    tagVtIpcInfo after = before;
    after.port = 8080;
    const auto lines = BuildModifyReport(before, after, ModifyLabels{});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].stamped);
    EXPECT_EQ(lines[0].text, L"[00:1A:2B:3C:4D:5E] Modify  Port:80->8080 successfully.");
}

TEST(ModifyReport, FourthChangeGoesOnAContinuationLineWithThirtyTwoBlanks)
{
    const tagVtIpcInfo before = MakeCamera(0x5E, "192.168.5.10", 80, "Cam");
    tagVtIpcInfo after = MakeCamera(0x5E, "192.168.6.10", 80, "Gate");
    std::snprintf(after.netmask, sizeof after.netmask, "255.255.0.0");
    std::snprintf(after.gateway, sizeof after.gateway, "192.168.6.1");
    const auto lines = BuildModifyReport(before, after, ModifyLabels{});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].stamped);
    EXPECT_EQ(lines[0].text,
              L"[00:1A:2B:3C:4D:5E] Modify Device Name:Cam->Gate  IP:192.168.5.10->192.168.6.10"
              L"  Netmask:255.255.255.0->255.255.0.0");
    EXPECT_FALSE(lines[1].stamped);
    EXPECT_EQ(lines[1].text, std::wstring(32, L' ') + L"  Gateway:192.168.5.1->192.168.6.1 successfully.");
}

TEST(ModifyReport, ThreeChangesWithDnsBreakBeforeDnsAndNothingChangedWritesNothing)
{
    const tagVtIpcInfo before = MakeCamera(0x5E, "192.168.5.10");
    tagVtIpcInfo after = MakeCamera(0x5E, "192.168.5.11");
    std::snprintf(after.netmask, sizeof after.netmask, "255.255.0.0");
    std::snprintf(after.gateway, sizeof after.gateway, "192.168.5.2");
    std::snprintf(after.dns, sizeof after.dns, "192.168.5.3");
    const auto lines = BuildModifyReport(before, after, ModifyLabels{});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].text.find(L"Gateway:"), std::wstring::npos);
    EXPECT_EQ(lines[1].text, std::wstring(32, L' ') + L"  DNS:192.168.5.1->192.168.5.3 successfully.");
    EXPECT_TRUE(BuildModifyReport(before, before, ModifyLabels{}).empty())
        << "a second reply for the same change writes no second line";
}

TEST(ModifyReport, LinesAreCutAtTheirLimitAndNamesReadAsUtf8)
{
    ModifyLabels labels;
    labels.modify = std::wstring(600, L'M');
    const tagVtIpcInfo before = MakeCamera(0x5E, "192.168.5.10");
    tagVtIpcInfo after = before;
    after.port = 81;
    EXPECT_EQ(BuildModifyReport(before, after, labels)[0].text.size(), 519u);

    tagVtIpcInfo named = before;
    std::snprintf(named.devName, sizeof named.devName, "\xe5\xa4\xa7\xe9\x97\xa8");
    EXPECT_EQ(BuildModifyReport(before, named, ModifyLabels{})[0].text,
              L"[00:1A:2B:3C:4D:5E] Modify Device Name:Cam->\x5927\x95e8 successfully.");
    EXPECT_EQ(BuildModifyFailure(before).text,
              L"[00:1A:2B:3C:4D:5E] Modify IP, Port, Netmask, Gateway, DNS failed. Username or password is "
              L"incorrect.");
    EXPECT_TRUE(BuildModifyFailure(before).stamped);
}
