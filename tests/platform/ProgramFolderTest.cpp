#include <gtest/gtest.h>

#include <filesystem>

#include "ProgramFolder.h"

TEST(ProgramFolder, OverridePointsProgramAndLangFoldersAtOnePlace)
{
    PlatformSetProgramFolder("/tmp/zx-folder-test");
    EXPECT_EQ(PlatformProgramFolder(), "/tmp/zx-folder-test");
    EXPECT_EQ(PlatformLangFolder(), "/tmp/zx-folder-test/Lang");
    PlatformSetProgramFolder("");
    // Without the override the build tree's bin folder is writable, so it is
    // the program folder, exactly as for a portable copy.
    EXPECT_EQ(PlatformProgramFolder(), PlatformExecutableFolder());
    EXPECT_TRUE(std::filesystem::is_directory(PlatformExecutableFolder()));
}
