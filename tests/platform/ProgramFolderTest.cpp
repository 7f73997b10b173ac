#include "PrivateFolder.h"
#include "ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Points XDG_DATA_HOME at a fresh folder for one test.
class ProgramFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() /
                 ("zx-pf-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        ::chmod(m_root.c_str(), 0700);
        ::setenv("XDG_DATA_HOME", (m_root / "data").c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("XDG_DATA_HOME");
        PlatformSetProgramFolder("");
        fs::remove_all(m_root);
    }
    std::string DataFolder() const { return (m_root / "data" / "zendrix").string(); }

    fs::path m_root;
};

} // namespace

TEST_F(ProgramFolderTest, OverridePointsProgramAndLangFoldersAtOnePlace)
{
    PlatformSetProgramFolder("/tmp/zx-folder-test");
    EXPECT_EQ(PlatformProgramFolder(), "/tmp/zx-folder-test");
    EXPECT_EQ(PlatformLangFolder(), "/tmp/zx-folder-test/Lang");
    PlatformSetProgramFolder("");
    // The build tree's bin folder is the user's own, so it is the program
    // folder, exactly as for a portable copy.
    EXPECT_EQ(PlatformProgramFolder(), PlatformExecutableFolder());
    EXPECT_TRUE(fs::is_directory(PlatformExecutableFolder()));
}

TEST_F(ProgramFolderTest, AnInstalledProgramKeepsEachUsersFilesInTheirDataFolderAlsoForRoot)
{
    for (const char* installed : {"/usr/bin", "/usr/local/bin", "/opt/zendrix/bin", "/bin"}) {
        EXPECT_EQ(PlatformProgramFolderFor(installed), DataFolder()) << installed;
    }
    struct stat info
    {
    };
    ASSERT_EQ(::stat(DataFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, ::geteuid());

    const fs::path portable = m_root / "unpacked";
    fs::create_directories(portable);
    ::chmod(portable.c_str(), 0755);
    EXPECT_EQ(PlatformProgramFolderFor(portable.string()), portable.string());
    ::chmod(portable.c_str(), 0777);
    EXPECT_EQ(PlatformProgramFolderFor(portable.string()), DataFolder())
        << "a folder others may write to is nobody's own";
    if (::geteuid() == 0) {
        ::chmod(portable.c_str(), 0755);
        ASSERT_EQ(::chown(portable.c_str(), 65534, 65534), 0);
        EXPECT_EQ(PlatformProgramFolderFor(portable.string()), DataFolder())
            << "root's writes into another user's unpack";
    }
}

TEST_F(ProgramFolderTest, AForeignOrLinkedDataFolderIsRefusedNeverReplaced)
{
    const fs::path elsewhere = m_root / "elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directories(m_root / "data");
    fs::create_directory_symlink(elsewhere, DataFolder());
    EXPECT_EQ(PlatformProgramFolderFor("/usr/bin"), "") << "a planted link is not followed";
    EXPECT_TRUE(fs::is_empty(elsewhere));

    fs::remove(DataFolder());
    fs::create_directories(DataFolder());
    ::chmod(DataFolder().c_str(), 0777);
    EXPECT_EQ(PlatformProgramFolderFor("/usr/bin"), "");
    ::chmod(DataFolder().c_str(), 0700);
    EXPECT_EQ(PlatformProgramFolderFor("/usr/bin"), DataFolder());
}

TEST_F(ProgramFolderTest, WithoutHomeTheHomeComesFromThePasswordDatabase)
{
    const char* home = std::getenv("HOME");
    const std::string saved = home != nullptr ? home : "";
    ::setenv("HOME", "relative/home", 1); // not a path to trust: as if unset
    const std::string fromDatabase = PlatformHomeFolder();
    ::unsetenv("HOME");
    EXPECT_EQ(PlatformHomeFolder(), fromDatabase);
    ::setenv("XDG_DATA_HOME", "also-relative", 1);
    EXPECT_EQ(PlatformXdgFolder("XDG_DATA_HOME", ".local/share"), fromDatabase + "/.local/share");
    if (home != nullptr) {
        ::setenv("HOME", saved.c_str(), 1);
    }
    ASSERT_FALSE(fromDatabase.empty());
    EXPECT_EQ(fromDatabase[0], '/');
    EXPECT_NE(fromDatabase, "/tmp") << "never a shared folder";
}

TEST_F(ProgramFolderTest, TheLanguageChoiceIsKeptPerUserWhenTheLangFolderIsNotTheirs)
{
    const fs::path portable = m_root / "portable";
    fs::create_directories(portable / "Lang");
    PlatformSetProgramFolder(portable.string());
    EXPECT_EQ(PlatformLanguageSettingsFile(), (portable / "Lang" / "Language.ini").string());
    ::chmod((portable / "Lang").c_str(), 0777);
    EXPECT_EQ(PlatformLanguageSettingsFile(), (portable / "Language.ini").string());
    if (::geteuid() == 0) {
        ::chmod((portable / "Lang").c_str(), 0755);
        ASSERT_EQ(::chown((portable / "Lang").c_str(), 65534, 65534), 0);
        EXPECT_EQ(PlatformLanguageSettingsFile(), (portable / "Language.ini").string());
    }
}
