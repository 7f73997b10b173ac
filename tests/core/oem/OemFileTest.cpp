#include "OemFile.h"

#include "DiskFull.h"
#include "ProgramFolder.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
OemInfo Info(std::wstring company, std::wstring version, std::wstring website = {}, std::wstring model = {})
{
    return {std::move(company), std::move(website), std::move(model), std::move(version)};
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class OemFileFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder =
            fs::temp_directory_path() / ("oemfile-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
};
} // namespace

TEST(OemFileText, IsSixCrLfLinesWithTheCompanyTwice)
{
    EXPECT_EQ(OemFileText(Info(L"Acme", L"2")),
              "[oemsec]\r\ncompany=Acme\r\nmanufacture=Acme\r\nwebsite=\r\nmodel=\r\nsoftversion=2\r\n");
    EXPECT_EQ(
        OemFileText(Info(L"  Vantrel Ltd ", L" 4 ", L" www.vantrel.example ", L"VT-C6102")),
        "[oemsec]\r\ncompany=Vantrel Ltd\r\nmanufacture=Vantrel Ltd\r\nwebsite= www.vantrel.example \r\n"
        "model=VT-C6102\r\nsoftversion=4\r\n")
        << "company and version are trimmed, website and model kept as typed";
}

TEST(OemFileText, VersionCountsItsLeadingDigitsOnly)
{
    EXPECT_EQ(OemSoftVersion(L"3"), 3);
    EXPECT_EQ(OemSoftVersion(L"12ab"), 12);
    EXPECT_EQ(OemSoftVersion(L" 0042 "), 42);
    EXPECT_EQ(OemSoftVersion(L"v3"), 0);
    EXPECT_EQ(OemSoftVersion(L"-3"), 0);
    EXPECT_EQ(OemSoftVersion(L""), 0);
    // Eight characters in the box, seven bytes in the file.
    EXPECT_EQ(OemSoftVersion(L"99999999"), 9999999);
    EXPECT_NE(OemFileText(Info(L"Acme", L"b2")).find("\r\nsoftversion=0\r\n"), std::string::npos);
}

TEST(OemFileText, QuotesApostrophesAndBackslashesAndCutsToTheCameraSizes)
{
    const std::string text = OemFileText(Info(L"O'Neil", L"1", L"http://o'neil.example/a\\b", L"C'1"));
    EXPECT_EQ(text, "[oemsec]\r\ncompany=O\\'Neil\r\nmanufacture=O\\'Neil\r\n"
                    "website=http://o\\'neil.example/a\\\\b\r\nmodel=C\\'1\r\nsoftversion=1\r\n");

    // 24 bytes with the terminator: 23 of the company reach the file.
    const std::string company(30, 'x');
    EXPECT_NE(OemFileText(Info(std::wstring(company.begin(), company.end()), L"1"))
                  .find("\r\ncompany=" + std::string(23, 'x') + "\r\n"),
              std::string::npos);
    // The cut would fall between the backslash and the apostrophe it escapes:
    // the lone backslash would make the camera read the line end as escaped.
    const std::wstring cut = std::wstring(22, L'y') + L"'z";
    EXPECT_NE(OemFileText(Info(cut, L"1")).find("\r\ncompany=" + std::string(22, 'y') + "\r\n"),
              std::string::npos);
    // An escaped backslash that fits whole stays whole.
    const std::wstring pair = std::wstring(21, L'y') + L"\\z";
    EXPECT_NE(OemFileText(Info(pair, L"1")).find("\r\ncompany=" + std::string(21, 'y') + "\\\\\r\n"),
              std::string::npos);
}

TEST(OemFileText, ALineBreakInAValueCannotStartALineOfItsOwn)
{
    const std::string text = OemFileText(Info(L"Acme", L"1", L"a\r\nsoftversion=9", L"m\n[x]\t"));
    EXPECT_EQ(text, "[oemsec]\r\ncompany=Acme\r\nmanufacture=Acme\r\nwebsite=asoftversion=9\r\nmodel=m[x]\r\n"
                    "softversion=1\r\n");
}

TEST(OemFileText, ChineseCompanyIsCutOnACharacterBoundary)
{
    // The system code page of the tests is UTF-8: three bytes a character.
    const std::string text =
        OemFileText(Info(L"\u5357\u4eac\u5a01\u8fbe\u5149\u7535\u6280\u672f\u516c\u53f8", L"1"));
    const std::string seven =
        "\xe5\x8d\x97\xe4\xba\xac\xe5\xa8\x81\xe8\xbe\xbe\xe5\x85\x89\xe7\x94\xb5\xe6\x8a\x80";
    EXPECT_NE(text.find("\r\ncompany=" + seven + "\r\n"), std::string::npos) << text;
}

TEST(OemFilePath, WithoutAProgramFolderTheFileHasNoPlace)
{
    // A user who owns neither the program's folder nor a data folder has no
    // program folder: the file must not go to the root of the disk instead.
    if (::geteuid() != 0) {
        GTEST_SKIP() << "acting as another user needs root";
    }
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::string savedDataHome = dataHome != nullptr ? dataHome : "";
    ::setenv("XDG_DATA_HOME", "/proc/zendrix-nowhere", 1);
    PlatformSetProgramFolder("");
    ASSERT_EQ(::seteuid(65534), 0);
    const std::string folder = PlatformProgramFolder();
    const std::string path = OemFilePath();
    const bool written = WriteOemFile(path, Info(L"Acme", L"2"));
    ASSERT_EQ(::seteuid(0), 0);
    if (dataHome != nullptr) {
        ::setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
    }
    EXPECT_EQ(folder, "");
    EXPECT_EQ(path, "");
    EXPECT_FALSE(written);
}

TEST_F(OemFileFolder, IsWrittenInTheProgramFolderWholeOrNotAtAll)
{
    PlatformSetProgramFolder(m_folder.string());
    EXPECT_EQ(OemFilePath(), (m_folder / "vtoem.cfg").string());
    PlatformSetProgramFolder("");

    const fs::path path = m_folder / "vtoem.cfg";
    ASSERT_TRUE(WriteOemFile(path.string(), Info(L"Acme", L"2")));
    EXPECT_EQ(ReadAll(path), OemFileText(Info(L"Acme", L"2")));
    ASSERT_TRUE(WriteOemFile(path.string(), Info(L"B", L"3")));
    EXPECT_EQ(ReadAll(path), OemFileText(Info(L"B", L"3"))) << "overwritten on every upload";

    // A disk that fills midway: the earlier file stays as it was, and no
    // scratch file is left behind.
    bool written = true;
    {
        const DiskFull full(16);
        ASSERT_TRUE(full.Active());
        written = WriteOemFile(path.string(), Info(L"Other Company", L"4"));
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), OemFileText(Info(L"B", L"3")));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);

    EXPECT_FALSE(WriteOemFile((m_folder / "missing" / "vtoem.cfg").string(), Info(L"Acme", L"2")));
    fs::create_directory(m_folder / "taken");
    fs::create_directory(m_folder / "taken" / "vtoem.cfg");
    EXPECT_FALSE(WriteOemFile((m_folder / "taken" / "vtoem.cfg").string(), Info(L"Acme", L"2")));
}
