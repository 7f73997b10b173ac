#include "LogDatabase.h"

#include "LogDbFiles.h"
#include "SqliteHelper.h"
#include "SupportTestFiles.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace {
struct RowsDeleter
{
    void operator()(tagLogRow* rows) const { LogDbFreeRows(rows); }
};
using Rows = std::unique_ptr<tagLogRow, RowsDeleter>;

tagLogFilter Filter(int start, int end, int mainType, int subType, int offset = 0, int count = kLogPageRows)
{
    return tagLogFilter{start, end, mainType, subType, offset, count};
}

// 41 rows, one a second from time 1000; main types 1-4 in turn, sub type
// 11 + (i % 3) for events and 100 + i otherwise.
std::vector<LogRowData> FortyOneRows()
{
    std::vector<LogRowData> rows;
    for (int i = 0; i < 41; ++i) {
        const int mainType = 1 + i % 4;
        rows.push_back({1000 + i, mainType, mainType == 1 ? 11 + i % 3 : 100 + i, i,
                        "user" + std::to_string(i), "10.0.0." + std::to_string(i),
                        "detail " + std::to_string(i)});
    }
    return rows;
}

class LogDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_folder.Path() + "/TempFiles_Log.db";
        CreateLogDatabase(m_path, FortyOneRows());
    }
    void TearDown() override { SqliteSetBusyLimit(std::chrono::seconds(30)); }

    int Count(const tagLogFilter& filter, const std::string& path = {})
    {
        int count = -7;
        const int status = LogDbCount((path.empty() ? m_path : path).c_str(), &filter, &count);
        return status == 0 ? count : -100 + status;
    }

    Rows Page(const tagLogFilter& filter, int* rowCount, int* status = nullptr, const std::string& path = {})
    {
        tagLogRow* rows = nullptr;
        const int s = LogDbQueryPage((path.empty() ? m_path : path).c_str(), &filter, &rows, rowCount);
        if (status != nullptr) {
            *status = s;
        }
        return Rows(rows);
    }

    TempProgramFolder m_folder;
    std::string m_path;
};

TEST_F(LogDatabaseTest, PagesComeNewestFirstAndTheLastPageHoldsTheRest)
{
    EXPECT_EQ(Count(Filter(5, 5, 0, 0)), 41);
    int n = 0;
    Rows page = Page(Filter(5, 5, 0, 0), &n);
    ASSERT_EQ(n, 40);
    EXPECT_EQ(page.get()[0].time, 1040);
    EXPECT_EQ(page.get()[39].time, 1001);
    const tagLogRow& newest = page.get()[0];
    EXPECT_EQ(newest.mainType, 1);
    EXPECT_EQ(newest.subType, 12);
    EXPECT_EQ(newest.subParam, 40);
    EXPECT_STREQ(newest.user, "user40");
    EXPECT_STREQ(newest.ip, "10.0.0.40");
    EXPECT_STREQ(newest.detail, "detail 40");

    page = Page(Filter(5, 5, 0, 0, 40), &n);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(page.get()[0].time, 1000);
    EXPECT_EQ(page.get()[1].time, 0); // the rest of the array stays zero-filled
}

TEST_F(LogDatabaseTest, FiltersByTypeAndTime)
{
    // Main type above 0, sub type 10 or less: every sub type of that main type.
    EXPECT_EQ(Count(Filter(0, 0, 1, 10)), 11);
    EXPECT_EQ(Count(Filter(0, 0, 1, 12)), 4);
    EXPECT_EQ(Count(Filter(1000, 1020, 1, 0)), 5);
    EXPECT_EQ(Count(Filter(1000, 1020, 1, 11)), 2);
    // The sub type counts only with a main type.
    EXPECT_EQ(Count(Filter(1000, 1010, 0, 11)), 10);
    // A start after the end means no time filter at all.
    EXPECT_EQ(Count(Filter(2000, 1000, 2, 0)), 10);

    int n = 0;
    Rows page = Page(Filter(1000, 1020, 1, 11), &n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(page.get()[0].time, 1012);
    EXPECT_EQ(page.get()[1].time, 1000);
}

TEST_F(LogDatabaseTest, LongTextsArriveCutAndTerminated)
{
    const std::string path = m_folder.Path() + "/long.db";
    CreateLogDatabase(path,
                      {{7, 1, 11, 0, std::string(40, 'u'), std::string(70, 'i'), std::string(300, 'd')}});
    int n = 0;
    Rows page = Page(Filter(0, 0, 0, 0), &n, nullptr, path);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(std::string(page.get()[0].user), std::string(31, 'u'));
    EXPECT_EQ(std::string(page.get()[0].ip), std::string(63, 'i'));
    EXPECT_EQ(std::string(page.get()[0].detail), std::string(255, 'd'));
}

TEST_F(LogDatabaseTest, NullColumnsReadAsZeroAndEmpty)
{
    ExecOnFile(m_path, "insert into log values(5000, 3, NULL, NULL, NULL, '10.1.1.1', NULL)");
    int n = 0;
    Rows page = Page(Filter(0, 0, 0, 0, 0, 1), &n);
    ASSERT_EQ(n, 1);
    const tagLogRow& row = page.get()[0];
    EXPECT_EQ(row.time, 5000);
    EXPECT_EQ(row.mainType, 3);
    EXPECT_EQ(row.subType, 0); // not the main type left over in the buffer
    EXPECT_EQ(row.subParam, 0);
    EXPECT_STREQ(row.user, "");
    EXPECT_STREQ(row.ip, "10.1.1.1");
    EXPECT_STREQ(row.detail, "");
}

TEST_F(LogDatabaseTest, BadArgumentsAndBadFilesFailWithoutLeavingAConnection)
{
    const tagLogFilter filter = Filter(0, 0, 0, 0);
    int count = 0;
    tagLogRow* rows = reinterpret_cast<tagLogRow*>(&count);
    int n = 5;
    EXPECT_EQ(LogDbCount(nullptr, &filter, &count), -1);
    EXPECT_EQ(LogDbCount("", &filter, &count), -1);
    EXPECT_EQ(LogDbCount(m_path.c_str(), nullptr, &count), -1);
    EXPECT_EQ(LogDbCount(m_path.c_str(), &filter, nullptr), -1);
    EXPECT_EQ(LogDbQueryPage(m_path.c_str(), nullptr, &rows, &n), -1);
    EXPECT_EQ(rows, nullptr);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(LogDbQueryPage("", &filter, &rows, &n), -1);
    EXPECT_EQ(LogDbQueryPage(m_path.c_str(), &filter, nullptr, &n), -1);
    EXPECT_EQ(LogDbQueryPage(m_path.c_str(), &filter, &rows, nullptr), -1);
    for (int bad : {0, -1, kLogMaxPageRows + 1}) {
        const tagLogFilter unbounded = Filter(0, 0, 0, 0, 0, bad);
        EXPECT_EQ(LogDbQueryPage(m_path.c_str(), &unbounded, &rows, &n), -1) << bad;
    }

    const std::string noTable = m_folder.Path() + "/empty.db";
    ExecOnFile(noTable, "create table other(x)");
    EXPECT_EQ(Count(filter, noTable), -101);
    EXPECT_EQ(OpenDescriptorsOn(noTable), 0);
    int status = 0;
    EXPECT_EQ(Page(filter, &n, &status, noTable), nullptr);
    EXPECT_EQ(status, -1);

    const std::string corrupt = m_folder.Path() + "/corrupt.db";
    WriteBytes(corrupt, std::string(4096, '\x5A'));
    EXPECT_EQ(Count(filter, corrupt), -101);
    EXPECT_EQ(Page(filter, &n, &status, corrupt), nullptr);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(OpenDescriptorsOn(corrupt), 0);

    // A valid file whose pages were damaged after the header.
    const std::string damaged = m_folder.Path() + "/damaged.db";
    std::string bytes = ReadBytes(m_path);
    ASSERT_GT(bytes.size(), 4096u);
    std::fill(bytes.begin() + 100, bytes.end(), '\xEE');
    WriteBytes(damaged, bytes);
    EXPECT_LT(Count(filter, damaged), -99);
    EXPECT_EQ(OpenDescriptorsOn(damaged), 0);
}

TEST_F(LogDatabaseTest, AnEmptyResultIsNoRow)
{
    int status = 0;
    int n = 3;
    EXPECT_EQ(Page(Filter(0, 0, 4, 250), &n, &status), nullptr);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(n, 0);
}

TEST_F(LogDatabaseTest, QueriesWaitForTheLogDatabaseLockAndABusyFile)
{
    std::atomic<bool> done{false};
    int count = 0;
    std::unique_lock held(LogDatabaseLock());
    std::thread query([&] {
        const tagLogFilter filter = Filter(0, 0, 0, 0);
        EXPECT_EQ(LogDbCount(m_path.c_str(), &filter, &count), 0);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done);
    held.unlock();
    query.join();
    EXPECT_EQ(count, 41);

    BusyHolder holder(m_path);
    std::thread releaser([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        holder.Release();
    });
    int n = 0;
    Rows page = Page(Filter(0, 0, 0, 0), &n);
    EXPECT_TRUE(holder.Released());
    EXPECT_EQ(n, 40);
    releaser.join();
}
} // namespace
