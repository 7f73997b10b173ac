#include "SettingsStore.h"

#include "PrivateFolder.h"

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

namespace {
std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
} // namespace

TEST_F(SettingsStoreTest, PlantedLinksAreNeitherFollowedNorWrittenThrough)
{
    const std::filesystem::path folder = m_folder / "Vantrel Zendrix";
    const std::filesystem::path victim = m_folder / "victim.txt";
    std::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), 0700);
    std::ofstream(victim) << "precious";
    // The store file and the scratch name older versions used, both links to another file.
    std::filesystem::create_symlink(victim, folder / "settings.ini");
    std::filesystem::create_symlink(victim, folder / "settings.ini.tmp");
    EXPECT_EQ(Read(L"User", L"admin"), L"admin") << "a linked store is not read";
    ASSERT_EQ(Write(L"Password", L"s3cret"), 1);
    EXPECT_EQ(ReadAll(victim), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "settings.ini")) << "the link was replaced";
    EXPECT_EQ(Read(L"Password", L""), L"s3cret");
    struct stat info
    {
    };
    ASSERT_EQ(::lstat(RegStoreFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    size_t scratch = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        scratch += entry.path().filename().string().find(".settings.ini.") == 0 ? 1 : 0;
    }
    EXPECT_EQ(scratch, 0u) << "no scratch file stays behind";

    // The folder itself a link to a folder of someone else's choosing.
    std::filesystem::remove_all(folder);
    const std::filesystem::path elsewhere = m_folder / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    std::filesystem::create_directory_symlink(elsewhere, folder);
    EXPECT_EQ(Write(L"Password", L"s3cret"), 0);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
}

TEST_F(SettingsStoreTest, AFolderOthersControlIsRefused)
{
    const std::filesystem::path folder = m_folder / "Vantrel Zendrix";
    ASSERT_EQ(Write(L"Password", L"mine"), 1);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(Write(L"Password", L"other"), 0) << "others may write to the folder";
    EXPECT_EQ(Read(L"Password", L"default"), L"default") << "nor is anything read from it";
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(Read(L"Password", L"default"), L"mine");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        EXPECT_EQ(Write(L"Password", L"other"), 0) << "another user's folder";
        EXPECT_EQ(Read(L"Password", L"default"), L"default");
    }
}

TEST_F(SettingsStoreTest, WithoutHomeTheStoreIsInTheUsersOwnHomeNeverInTmp)
{
    const char* home = std::getenv("HOME");
    const std::string saved = home != nullptr ? home : "";
    ::unsetenv("HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    const std::string file = RegStoreFile();
    if (home != nullptr) {
        ::setenv("HOME", saved.c_str(), 1);
    }
    EXPECT_EQ(file, PlatformHomeFolder() + "/.config/Vantrel Zendrix/settings.ini");
    EXPECT_NE(file.rfind("/tmp/", 0), 0u);
}

TEST_F(SettingsStoreTest, DeletedValuesAreGoneAndOthersStay)
{
    ASSERT_EQ(Write(L"User", L"admin2"), 1);
    ASSERT_EQ(Write(L"Password", L"pw"), 1);
    EXPECT_EQ(RegDeleteValue(RegRootCurrentUser, kKey, L"password"), 1);
    EXPECT_EQ(Read(L"Password", L"default"), L"default");
    EXPECT_EQ(Read(L"User", L""), L"admin2");
    EXPECT_EQ(RegDeleteValue(RegRootCurrentUser, kKey, L"Password"), 1) << "already gone";
    EXPECT_EQ(ReadAll(RegStoreFile()).find("pw"), std::string::npos);
}
