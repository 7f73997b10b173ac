#include "TargetRules.h"

#include <cstring>
#include <gtest/gtest.h>

TEST(TargetRules, ATickedRowSharingItsAddressBlocksTheTargets)
{
    const std::vector<std::string> ips{"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.2"};
    EXPECT_FALSE(SharesAddress(ips, 0));
    EXPECT_TRUE(SharesAddress(ips, 1));
    EXPECT_TRUE(SharesAddress(ips, 3));
    EXPECT_FALSE(SharesAddress(ips, 9));
    // Two ticked rows, one of them sharing with a third, unticked row.
    EXPECT_EQ(FirstTickedConflict(ips, {true, false, true, true}), std::optional<std::size_t>(3));
    EXPECT_EQ(FirstTickedConflict(ips, {true, false, true, false}), std::nullopt);
    EXPECT_EQ(FirstTickedConflict(ips, {false, true, false, true}), std::optional<std::size_t>(1));
    // Address texts compare without regard to case.
    EXPECT_TRUE(SharesAddress({"fe80::A", "fe80::a"}, 0));
}

TEST(TargetRules, FilterLooksInIdentityAndFirmwareButNotThePort)
{
    tagVtIpcInfo info{};
    std::memcpy(info.mac, "\x02\x5a\x00\x00\x00\x1f", 6);
    std::strcpy(info.devName, "Lobby");
    std::strcpy(info.ip, "10.0.0.7");
    std::strcpy(info.netmask, "255.255.0.0");
    std::strcpy(info.gateway, "10.0.0.1");
    std::strcpy(info.model, "VT-C6102");
    std::strcpy(info.version, "31.4.0.90");
    info.port = 8080;
    const auto fields = IdentityMatchFields(info, 0);
    EXPECT_EQ(fields, (std::vector<std::wstring>{L"Lobby", L"02:5A:00:00:00:1F", L"025A0000001F", L"10.0.0.7",
                                                 L"255.255.0.0", L"10.0.0.1", L"VT-C6102", L"31.4.0.90"}));
}
