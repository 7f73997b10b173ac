#include "LogRules.h"

#include "TargetRules.h"

#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Local time is UTC for the tests that turn dates into seconds and back.
class UtcZone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override
    {
        ::unsetenv("TZ");
        ::tzset();
    }
};

TEST(LogRules, SubTypeListsAndTheirCodesAgree)
{
    // Main type: size of its list, the code of entry 1 and of the last entry.
    struct Expected
    {
        int mainType;
        std::size_t entries;
        int firstCode;
        int lastCode;
    };
    for (const Expected& e : {Expected{0, 1, 10, 10}, Expected{1, 8, 11, 17}, Expected{2, 19, 100, 117},
                              Expected{3, 8, 300, 306}, Expected{4, 8, 200, 206}}) {
        const std::vector<int> codes = SubTypeCodes(e.mainType);
        ASSERT_EQ(codes.size(), e.entries) << e.mainType;
        EXPECT_EQ(codes.front(), kAllSubTypes) << "the entry for all sub types leads every list";
        EXPECT_EQ(codes.back(), e.lastCode);
        if (e.entries > 1) {
            EXPECT_EQ(codes[1], e.firstCode);
        }
        // What the query saves for entry k is the code the list shows at k.
        for (std::size_t k = 0; k < codes.size(); ++k) {
            EXPECT_EQ(SubTypeCode(e.mainType, static_cast<int>(k)), codes[k]) << e.mainType << " entry " << k;
        }
    }
    // The closed forms: n + 9, n + 10, n + 99, n + 299, n + 199.
    EXPECT_EQ(SubTypeCode(1, 3), 13);
    EXPECT_EQ(SubTypeCode(2, 18), 117);
    EXPECT_EQ(SubTypeCode(3, 7), 306);
    EXPECT_EQ(SubTypeCode(4, 1), 200);
    // Entries past the list, negative entries and unknown main types select all.
    EXPECT_EQ(SubTypeCode(1, 8), kAllSubTypes);
    EXPECT_EQ(SubTypeCode(2, -1), kAllSubTypes);
    EXPECT_EQ(SubTypeCode(9, 1), kAllSubTypes);
    EXPECT_EQ(SubTypeCodes(-1), SubTypeCodes(0));
    EXPECT_EQ(TypeKey(117), 31117u);
}

TEST(LogRules, TypesWithoutATextShowTheirKeyNumber)
{
    EXPECT_EQ(TypeText(901), L"31901");
}

TEST(LogRules, TheRangeMustStartBeforeItEnds)
{
    const LogDateTime noon{2024, 3, 5, 12, 0, 0};
    EXPECT_FALSE(IsValidTimeRange(noon, noon)) << "equal start and end";
    EXPECT_TRUE(IsValidTimeRange(noon, {2024, 3, 5, 12, 0, 1})) << "one second apart";
    EXPECT_FALSE(IsValidTimeRange({2024, 3, 5, 12, 0, 1}, noon));
    // The date decides before the time of day does.
    EXPECT_TRUE(IsValidTimeRange({2024, 3, 4, 23, 59, 59}, {2024, 3, 5, 0, 0, 0}));
    EXPECT_TRUE(IsValidTimeRange({2024, 1, 31, 18, 0, 0}, {2024, 2, 1, 6, 0, 0}));
    EXPECT_TRUE(IsValidTimeRange({2023, 12, 31, 0, 0, 0}, {2024, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(IsValidTimeRange({2024, 2, 1, 6, 0, 0}, {2024, 1, 31, 18, 0, 0}));
}

TEST_F(UtcZone, LocalTimesBecomeSecondsAndBack)
{
    EXPECT_EQ(LocalSeconds({2024, 1, 1, 0, 0, 0}), 1704067200);
    EXPECT_EQ(LocalSeconds({2024, 2, 29, 13, 45, 7}), 1709214307);
    EXPECT_EQ(FormatLogTime(1709214307), "2024-02-29 13:45:07");
    const LogDateTime back = LocalDateTime(1709214307);
    EXPECT_EQ(LocalSeconds(back), 1709214307);
    // Beyond the 32 bits the log keeps, the range is clamped, not wrapped.
    EXPECT_EQ(LocalSeconds({2100, 1, 1, 0, 0, 0}), INT32_MAX);
}

TEST(LogRules, PagesHoldFortyRowsAndTheLastOneTheRest)
{
    EXPECT_EQ(PageCount(0, 40), 0);
    EXPECT_EQ(PageCount(-5, 40), 0);
    EXPECT_EQ(PageCount(1, 40), 1);
    EXPECT_EQ(PageCount(40, 40), 1);
    EXPECT_EQ(PageCount(41, 40), 2);
    EXPECT_EQ(PageCount(100000, 40), 2500);
    EXPECT_EQ(PageCount(100001, 40), 2501);
    EXPECT_EQ(PageOffset(1, 40), 0);
    EXPECT_EQ(PageOffset(2500, 40), 99960);
    EXPECT_EQ(PageOffset(0, 40), 0);
    EXPECT_EQ(PageOffset(INT_MAX, 40), INT_MAX) << "no overflow into a negative offset";
    EXPECT_EQ(RowNumber(1, 0, 40), 1);
    EXPECT_EQ(RowNumber(2, 0, 40), 41);
    EXPECT_EQ(RowNumber(3, 39, 40), 120);
}

TEST(LogRules, ThePageBoxReadsLikeADecimalNumber)
{
    EXPECT_EQ(ParsePageNumber(L"12"), 12);
    EXPECT_EQ(ParsePageNumber(L"  7  "), 7);
    EXPECT_EQ(ParsePageNumber(L"3rd"), 3);
    EXPECT_EQ(ParsePageNumber(L"abc"), 0);
    EXPECT_EQ(ParsePageNumber(L""), 0);
    EXPECT_EQ(ParsePageNumber(L"-4"), -4);
    EXPECT_EQ(ParsePageNumber(L"+5"), 5);
    EXPECT_EQ(ParsePageNumber(L"99999999999999999999"), INT_MAX);
    EXPECT_FALSE(IsPageInRange(0, 3));
    EXPECT_FALSE(IsPageInRange(-1, 3));
    EXPECT_FALSE(IsPageInRange(4, 3));
    EXPECT_FALSE(IsPageInRange(1, 0)) << "nothing shown, nothing to go to";
    EXPECT_TRUE(IsPageInRange(1, 3));
    EXPECT_TRUE(IsPageInRange(3, 3));
}

TEST(LogRules, AnAddressUsedTwiceBlocksLogWork)
{
    const std::vector<std::string> ips{"10.0.0.1", "10.0.0.2", "10.0.0.1", "CAM.local", "cam.LOCAL"};
    EXPECT_TRUE(SharesAddress(ips, 0));
    EXPECT_FALSE(SharesAddress(ips, 1));
    EXPECT_TRUE(SharesAddress(ips, 2));
    EXPECT_TRUE(SharesAddress(ips, 4)) << "compared without regard to case";
    EXPECT_FALSE(SharesAddress(ips, 9));
    EXPECT_FALSE(SharesAddress({"10.0.0.1"}, 0));
}

TEST_F(UtcZone, FileNamesCarryTheCameraAndTheTime)
{
    const unsigned char mac[6] = {0x02, 0x5a, 0x0b, 0xc1, 0x00, 0xfe};
    EXPECT_EQ(CacheFileName(mac), "025A0BC100FE_Log.db");
    const std::time_t when = 1709214307; // 2024-02-29 13:45:07
    EXPECT_EQ(SavedLogFileName("192.168.1.20", when), "192.168.1.20_2024-02-29_13-45-07_Log.db");
    EXPECT_EQ(ConfigFileName("192.168.1.20", when), "192.168.1.20_2024-02-29_13-45-07_Config.txt");
    EXPECT_EQ(CustomFileName("192.168.1.20", when, "record/clip_0001.avi"),
              "192.168.1.20_2024-02-29_13-45-07_clip_0001.avi");
    EXPECT_EQ(CustomFileName("192.168.1.20", when, "version.txt"),
              "192.168.1.20_2024-02-29_13-45-07_version.txt");
}

TEST(LogRules, TheRemoteNameIsCutAfterItsLastSeparator)
{
    EXPECT_EQ(RemoteNameTail("record/clip_0001.avi"), "clip_0001.avi");
    EXPECT_EQ(RemoteNameTail("record\\clip.avi"), "clip.avi");
    EXPECT_EQ(RemoteNameTail("version.txt"), "version.txt");
    EXPECT_EQ(RemoteNameTail("a\\b/c.txt"), "c.txt");
    // A "\" after the last "/" separates as well: nothing of the path stays.
    EXPECT_EQ(RemoteNameTail("a/b\\..\\c.txt"), "c.txt");
    EXPECT_EQ(RemoteNameTail("record/"), "");
    EXPECT_EQ(RemoteNameTail(std::string(300, 'x')).size(), 255u);
}

TEST(LogRules, NoRemoteNameOrAddressLeadsOutOfTheFolder)
{
    namespace fs = std::filesystem;
    const fs::path folder = "/srv/zendrix/CustomDownloadFiles";
    const std::time_t when = 1709214307;
    for (const std::string& name :
         std::vector<std::string>{"../../etc/passwd", "..", "/etc/passwd", "C:\\Windows\\system.ini", "a/..",
                                  "..\\..\\x", "x/\x01\n.", "dir/....", std::string("nul\0in", 6)}) {
        const std::string file = CustomFileName("10.0.0.1", when, name);
        EXPECT_EQ(file.find('/'), std::string::npos) << name;
        EXPECT_EQ(file.find('\\'), std::string::npos) << name;
        for (const char c : file) {
            EXPECT_GE(static_cast<unsigned char>(c), 0x20) << name;
        }
        const fs::path path = (folder / file).lexically_normal();
        EXPECT_EQ(path.parent_path(), folder) << name;
        EXPECT_LE(file.size(), kMaxFileNameBytes);
    }
    // An address as a hostile camera reports it cannot lead out either.
    for (const std::string ip : {"../..", "/tmp/x", "..\\.."}) {
        for (const std::string& file :
             {SavedLogFileName(ip, when), ConfigFileName(ip, when), CustomFileName(ip, when, "f")}) {
            EXPECT_EQ((folder / file).lexically_normal().parent_path(), folder) << file;
        }
    }
    EXPECT_EQ(SafeNamePart(".."), "");
    EXPECT_EQ(SafeNamePart("a..b"), "a..b");
}

TEST(LogRules, LongNamesFitOneFolderEntryWithoutBreakingACharacter)
{
    // 200 three-byte characters: the name is cut to the entry limit at a
    // character boundary.
    std::string wide;
    for (int i = 0; i < 200; ++i) {
        wide += "\xE6\x97\xA5";
    }
    const std::string file = CustomFileName("192.168.100.200", 1709214307, "sd/" + wide);
    EXPECT_LE(file.size(), kMaxFileNameBytes);
    EXPECT_GT(file.size(), kMaxFileNameBytes - 3);
    const std::string tail = file.substr(file.rfind('_') + 1);
    EXPECT_EQ(tail.size() % 3, 0u) << "no character was split";
    EXPECT_EQ(CutUtf8("ab\xE6\x97\xA5", 4), "ab");
    EXPECT_EQ(CutUtf8("ab\xE6\x97\xA5", 5), "ab\xE6\x97\xA5");
    EXPECT_EQ(CutUtf8("abc", 0), "");
}

} // namespace
