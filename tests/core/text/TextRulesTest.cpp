#include "AddressRules.h"
#include "DeviceName.h"
#include "MacText.h"
#include "ModelCountRule.h"
#include "PanelLineText.h"
#include "RecordText.h"
#include "SearchFilter.h"

#include "TestInfo.h"

#include <gtest/gtest.h>

TEST(AddressCheck, AcceptsOnlyCanonicalAddressesInRange)
{
    EXPECT_TRUE(IsValidAddress("0.0.0.0"));
    EXPECT_TRUE(IsValidAddress("192.168.1.10"));
    EXPECT_TRUE(IsValidAddress("223.254.255.254"));
    EXPECT_FALSE(IsValidAddress("10.255.1.1")) << "second number 255";
    EXPECT_FALSE(IsValidAddress("224.0.0.1"));
    EXPECT_FALSE(IsValidAddress("192.168.1.255"));
    EXPECT_FALSE(IsValidAddress("192.168.001.010")) << "leading zeros";
    EXPECT_FALSE(IsValidAddress(" 192.168.1.10"));
    EXPECT_FALSE(IsValidAddress("192.168.1.10x"));
    EXPECT_FALSE(IsValidAddress("192.168.1"));
    EXPECT_FALSE(IsValidAddress("-1.2.3.4"));
    EXPECT_FALSE(IsValidAddress(""));
}

TEST(AddressCheck, NetmaskRangesDifferFromAddresses)
{
    EXPECT_TRUE(IsValidNetmask("255.0.255.0"));
    EXPECT_TRUE(IsValidNetmask("255.255.255.255"));
    EXPECT_FALSE(IsValidNetmask("0.255.255.255"));
    EXPECT_FALSE(IsValidNetmask("255.255.256.0"));
    EXPECT_FALSE(IsValidNetmask("255.255.255.00"));
}

TEST(SequentialAddresses, LastNumberRunsToTwoFiftyFourAndWrapsToOne)
{
    EXPECT_EQ(SequentialAddresses("192.168.5.253", 3),
              (std::vector<std::string>{"192.168.5.253", "192.168.5.254", "192.168.5.1"}));
    EXPECT_EQ(SequentialAddresses("192.168.5.250", 7),
              (std::vector<std::string>{"192.168.5.250", "192.168.5.251", "192.168.5.252", "192.168.5.253",
                                        "192.168.5.254", "192.168.5.1", "192.168.5.2"}));
    const auto many = SequentialAddresses("10.0.0.1", 300);
    EXPECT_EQ(many[253], "10.0.0.254");
    EXPECT_EQ(many[254], "10.0.0.1") << "wraps without ever giving .0 or .255";
    EXPECT_EQ(many[255], "10.0.0.2");
    EXPECT_EQ(SequentialAddresses("10.0.0.0", 2), (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
}

TEST(DeviceTexts, MacWebAddressAndRunUpTime)
{
    tagVtIpcInfo info = MakeCamera(0x5E, "192.168.5.10", 8080);
    EXPECT_EQ(FormatMac(info.mac), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(FormatMac(info.mac, false), "001A2B3C4D5E");
    EXPECT_EQ(MacPrefix(info.mac), L"[00:1A:2B:3C:4D:5E]");
    EXPECT_EQ(MacCellText(info.mac), "00:1A:2B:3C:4D:5E");
    const unsigned char unknown[8] = {};
    EXPECT_EQ(MacCellText(unknown), "") << "an ONVIF camera before its login";
    EXPECT_EQ(WebAddress(info), "http://192.168.5.10:8080");
    info.port = 80;
    EXPECT_EQ(WebAddress(info), "http://192.168.5.10");
    // The address is the camera's word: only a plain dotted address makes a
    // web address, so a camera cannot send the browser anywhere else.
    for (const char* hostile : {"evil.example", "10.0.0.1@evil.example", "10.0.0.1/x", "10.0.0.1:81",
                                "10.0.0.256", "10.0.0.1\n", "1.2.3", " 10.0.0.1", "010.0.0.1"}) {
        std::snprintf(info.ip, sizeof info.ip, "%s", hostile);
        EXPECT_EQ(WebAddress(info), "") << hostile;
    }
    std::snprintf(info.ip, sizeof info.ip, "10.0.0.255");
    EXPECT_EQ(WebAddress(info), "http://10.0.0.255");
    info.port = 70000;
    EXPECT_EQ(WebAddress(info), "");

    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 0;
    local.tm_mday = 2;
    local.tm_hour = 10;
    local.tm_isdst = -1;
    const std::time_t now = std::mktime(&local);
    EXPECT_EQ(RunUpTimeText(now, 3600 * 24 + 61), L"2026-01-01 09:58:59");
    EXPECT_EQ(RunUpTimeText(now, -1), L"") << "unknown, not the present moment";
}

TEST(SearchFilter, SubstringOfAnyTrimmedLowerCasedFieldButNeverTheDns)
{
    tagVtIpcInfo info = MakeCamera(0x5E, "192.168.5.10", 8080, "Front Door");
    std::snprintf(info.dns, sizeof info.dns, "8.8.4.4");
    const auto fields = NetworkMatchFields(info, std::time(nullptr));
    EXPECT_TRUE(MatchesFilter(fields, L""));
    EXPECT_TRUE(MatchesFilter(fields, NormaliseFilter(L"  FRONT ")));
    EXPECT_TRUE(MatchesFilter(fields, L"4d:5e"));
    EXPECT_TRUE(MatchesFilter(fields, L"3c4d5e"));
    EXPECT_TRUE(MatchesFilter(fields, L"8080"));
    EXPECT_TRUE(MatchesFilter(fields, L"vt-1080p"));
    EXPECT_TRUE(MatchesFilter(fields, L"v2.1"));
    EXPECT_FALSE(MatchesFilter(fields, L"8.8.4.4")) << "the DNS server is not searched";
    EXPECT_FALSE(MatchesFilter(fields, L"back door"));
}

TEST(NameRules, ForbiddenCharacters)
{
    for (const char* bad :
         {"a&b", "a/b", "a\\b", "a:b", "a*b", "a?b", "a'b", "a\"b", "a<b", "a>b", "a|b", "50%"}) {
        EXPECT_TRUE(HasForbiddenNameCharacter(bad)) << bad;
    }
    EXPECT_FALSE(HasForbiddenNameCharacter("Front Door-2 (east) \xe4\xb8\xad"));
}

TEST(CountByModel, OrderOfFirstAppearanceAndAtMostFortyEightModels)
{
    EXPECT_EQ(CountByModel({"A", "B", "A", "C", "A"}),
              (std::vector<std::pair<std::string, int>>{{"A", 3}, {"B", 1}, {"C", 1}}));
    std::vector<std::string> models;
    for (int i = 0; i < 50; ++i) {
        models.push_back("M" + std::to_string(i));
    }
    models.push_back("M0");
    models.push_back("M49");
    const auto counts = CountByModel(models);
    ASSERT_EQ(counts.size(), 48u);
    EXPECT_EQ(counts.front().second, 2);
    EXPECT_EQ(counts.back().first, "M47");
}

TEST(PanelLine, StampedAndContinuationLayout)
{
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    const std::time_t now = std::mktime(&local);
    EXPECT_EQ(FormatPanelLine(L"text", true, now), L"[2026-03-04 05:06:07] text");
    EXPECT_EQ(FormatPanelLine(L"text", false, now), std::wstring(38, L' ') + L"text");
    EXPECT_EQ(FormatPanelLine(std::wstring(5000, L'x'), true, now).size(), 2047u);
    // A camera's name cannot make a line of its own.
    EXPECT_EQ(FormatPanelLine(L"[00:1A] Modify Device Name:a->b\n[2026-01-01 00:00:00] forged\x1b", true, now),
              L"[2026-03-04 05:06:07] [00:1A] Modify Device Name:a->b\\n[2026-01-01 00:00:00] forged\\x1B");
}
