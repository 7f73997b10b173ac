#include "SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {
constexpr const wchar_t* kKey = L"SOFTWARE\\Vantrel Zendrix";

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("zx-settings-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        ::setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(m_folder);
    }

    static std::wstring Read(const wchar_t* name, const wchar_t* fallback, std::size_t chars = 64)
    {
        std::wstring out(chars, L'#');
        RegReadString(RegRootCurrentUser, kKey, name, fallback, out.data(), chars);
        return out.c_str();
    }

    static int Write(const wchar_t* name, const std::wstring& value)
    {
        return RegWriteValue(RegRootCurrentUser, kKey, name, value.data(), value.size() * sizeof(wchar_t),
                             RegTypeString);
    }

    std::filesystem::path m_folder;
};
} // namespace

TEST_F(SettingsStoreTest, FirstStartGivesDefaultsAndWritesCreateAPrivateFile)
{
    EXPECT_EQ(Read(L"BasicMode", L"1"), L"1");
    EXPECT_EQ(Read(L"User", L"admin"), L"admin");
    EXPECT_FALSE(std::filesystem::exists(RegStoreFile()));

    ASSERT_EQ(Write(L"BasicMode", L"0"), 1);
    ASSERT_EQ(Write(L"Password", L"qr7319"), 1);
    EXPECT_EQ(RegStoreFile(), (m_folder / "Vantrel Zendrix" / "settings.ini").string());
    struct stat info
    {
    };
    ASSERT_EQ(::stat(RegStoreFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Read(L"BasicMode", L"1"), L"0");
    EXPECT_EQ(Read(L"basicmode", L"1"), L"0") << "value names ignore case";
    EXPECT_EQ(Read(L"Password", L""), L"qr7319");
}

TEST_F(SettingsStoreTest, ValuesSurviveOddCharactersAndOverwrite)
{
    const std::wstring tricky = L"a=b\\c\n[x]\x4e2d\x6587 '";
    ASSERT_EQ(Write(L"Password", tricky), 1);
    ASSERT_EQ(Write(L"User", L"first"), 1);
    ASSERT_EQ(Write(L"User", L"second"), 1);
    EXPECT_EQ(Read(L"Password", L""), tricky);
    EXPECT_EQ(Read(L"User", L""), L"second");
    std::ifstream in(RegStoreFile());
    const std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(body.find("first"), std::string::npos) << "an overwritten value is not kept twice";
}

TEST_F(SettingsStoreTest, ReadsAreCutToTheBufferAndBadArgumentsFail)
{
    ASSERT_EQ(Write(L"User", L"administrator"), 1);
    EXPECT_EQ(Read(L"User", L"", 6), L"admin");
    EXPECT_EQ(Read(L"Missing", L"defaultvalue", 4), L"def");

    EXPECT_EQ(RegCreateKeyPath(RegRootNone, kKey, nullptr), 0);
    EXPECT_EQ(RegCreateKeyPath(RegRootCurrentUser, L"", nullptr), 0);
    EXPECT_EQ(RegCreateKeyPath(RegRootCurrentUser, nullptr, nullptr), 0);
    RegKey* key = nullptr;
    EXPECT_EQ(RegCreateKeyPath(RegRootCurrentUser, L"SOFTWARE\\Other", &key), 1);
    EXPECT_NE(key, nullptr);
    RegCloseKeyPath(key);

    std::wstring out(8, L'#');
    RegReadString(RegRootNone, kKey, L"User", L"dflt", out.data(), out.size());
    EXPECT_STREQ(out.c_str(), L"dflt");
}

TEST_F(SettingsStoreTest, UnwritableFolderReportsFailure)
{
    std::filesystem::create_directories(m_folder);
    // A plain file where the store's folder belongs makes every write fail.
    std::ofstream(m_folder / "Vantrel Zendrix") << "not a folder";
    EXPECT_EQ(Write(L"User", L"admin"), 0);
    EXPECT_EQ(RegCreateKeyPath(RegRootCurrentUser, kKey, nullptr), 0);
    EXPECT_EQ(Read(L"User", L"admin"), L"admin");
}
