// A camera's files: remote names stay inside their folder, OEM files are
// bounded, the event log covers every type.
#include "CameraFiles.h"

#include "EventLogDatabase.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using camsim::CameraFiles;

class CameraFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ("vtcamfiles-" + std::to_string(getpid()));
        files_ = CameraFiles(root_ / "025A00000001", 7);
        std::string error;
        ASSERT_TRUE(files_.Prepare(error)) << error;
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path root_;
    CameraFiles files_{{}, 0};
};

TEST_F(CameraFilesTest, RemoteNamesResolveInsideTheirFolderOnly)
{
    EXPECT_TRUE(files_.Resolve(0, "record/20261201/080000.avi"));
    EXPECT_TRUE(files_.Resolve(0, "\\record\\20261201\\080000.avi"));
    EXPECT_TRUE(files_.Resolve(0, "//alarm.txt"));
    EXPECT_TRUE(files_.Resolve(1, "messages"));
    EXPECT_FALSE(files_.Resolve(1, "alarm.txt")) << "an SD card file is not another file";
    EXPECT_FALSE(files_.Resolve(2, "alarm.txt"));
    for (const char* name : {"", "/", "record", "../other/messages", "record/../alarm.txt", "..",
                             "./alarm.txt", "/etc/passwd", "..\\log.db"}) {
        EXPECT_FALSE(files_.Resolve(0, name)) << name;
    }
    std::ofstream(root_ / "outside.txt") << "secret";
    fs::create_symlink(root_ / "outside.txt", root_ / "025A00000001/sd/link.txt");
    EXPECT_FALSE(files_.Resolve(0, "link.txt")) << "a link out of the card";
    EXPECT_FALSE(files_.Resolve(0, std::string("alarm.txt\0x", 11)));
}

TEST_F(CameraFilesTest, OemFilesNeedPlainNamesAndRoom)
{
    EXPECT_TRUE(files_.OemTarget("vtoem.cfg"));
    for (const char* name : {"", ".", "..", "a/b", "a\\b"}) {
        EXPECT_FALSE(files_.OemTarget(name)) << name;
    }
    EXPECT_FALSE(files_.OemTarget(std::string(256, 'n')));
    for (size_t i = 0; i < camsim::kMaxOemFiles; ++i) {
        std::ofstream(root_ / "025A00000001/other/oem" / ("image" + std::to_string(i))) << i;
    }
    EXPECT_FALSE(files_.OemTarget("one-more.bmp"));
    EXPECT_TRUE(files_.OemTarget("image3")) << "replacing a held file needs no room";
}

TEST_F(CameraFilesTest, TheEventLogHoldsEveryTypeOverWeeks)
{
    std::string error;
    const int64_t now = 1796630400;
    const auto path = files_.EventLog(now, 400, error);
    ASSERT_TRUE(path) << error;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path->c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(db,
                           "select count(*), count(distinct main_type), count(distinct sub_type), min(time), "
                           "max(time), sum(main_type=1 and sub_type between 11 and 17), "
                           "sum(main_type=2 and sub_type between 100 and 117), "
                           "sum(main_type=3 and sub_type between 300 and 306), "
                           "sum(main_type=4 and sub_type between 200 and 206) from log",
                           -1, &statement, nullptr),
        SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 400);
    EXPECT_EQ(sqlite3_column_int(statement, 1), 4);
    EXPECT_EQ(sqlite3_column_int(statement, 2), 7 + 18 + 7 + 7);
    EXPECT_LT(sqlite3_column_int64(statement, 3), now - 20 * 24 * 3600);
    EXPECT_LT(sqlite3_column_int64(statement, 4), now);
    EXPECT_EQ(sqlite3_column_int(statement, 5) + sqlite3_column_int(statement, 6) +
                  sqlite3_column_int(statement, 7) + sqlite3_column_int(statement, 8),
              400)
        << "a row outside its main type's sub types";
    sqlite3_finalize(statement);
    sqlite3_close(db);
    // The log is written once and then kept as it is.
    const auto again = files_.EventLog(now + 1000, 10, error);
    ASSERT_TRUE(again);
    EXPECT_EQ(fs::file_size(*again), fs::file_size(*path));
}

} // namespace
