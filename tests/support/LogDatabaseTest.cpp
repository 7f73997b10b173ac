#include "LogDatabase.h"

#include "LogDbFiles.h"
#include "SqliteHelper.h"
#include "SupportTestFiles.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

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

TEST_F(LogDatabaseTest, AFileThatIsMoreThanALogIsRefusedAtOnce)
{
    // Each read of this file's page would make forty texts of 20 MB.
    const std::string generated = m_folder.Path() + "/generated.db";
    CreateGeneratedDetailLog(generated, 60, 20000000);
    // A view or a trigger of the file's own: nothing of the file may run.
    const std::string view = m_folder.Path() + "/view.db";
    CreateLogDatabase(view, FortyOneRows());
    ExecOnFile(view, "alter table log rename to stored; create view log as select * from stored");
    const std::string trigger = m_folder.Path() + "/trigger.db";
    CreateLogDatabase(trigger, FortyOneRows());
    ExecOnFile(trigger, "create trigger t after insert on log begin delete from log; end");
    const std::string missing = m_folder.Path() + "/missing.db";
    ExecOnFile(missing, "create table log(time integer, main_type integer, sub_type integer, user text)");

    const auto started = std::chrono::steady_clock::now();
    for (const std::string& path : {generated, view, trigger, missing}) {
        EXPECT_EQ(Count(Filter(0, 0, 0, 0), path), -101) << path;
        int n = 0;
        int status = 0;
        EXPECT_EQ(Page(Filter(0, 0, 0, 0), &n, &status, path), nullptr) << path;
        EXPECT_EQ(status, -1) << path;
        EXPECT_EQ(LogDbAddIndexes(path.c_str()), -1) << "such a file never becomes a cache: " << path;
        EXPECT_EQ(OpenDescriptorsOn(path), 0) << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << "not seconds per page";

    // A camera that keeps a column more still has its log read.
    ExecOnFile(m_path, "alter table log add column channel integer");
    EXPECT_EQ(Count(Filter(0, 0, 0, 0)), 41);
    EXPECT_EQ(LogDbAddIndexes(m_path.c_str()), 0);
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

namespace {
// Every filter shape of the queries, at the first and a later page.
std::vector<tagLogFilter> FilterShapes()
{
    std::vector<tagLogFilter> filters;
    for (const tagLogFilter& f : {Filter(0, 0, 0, 0), Filter(1005, 1030, 0, 0), Filter(0, 0, 2, 0),
                                  Filter(0, 0, 1, 12), Filter(1002, 1039, 3, 0), Filter(1000, 1041, 1, 11)}) {
        filters.push_back(f);
        tagLogFilter later = f;
        later.offset = 3;
        later.count = 5;
        filters.push_back(later);
    }
    return filters;
}

std::vector<std::tuple<int, int, int, std::string>> Keys(const tagLogRow* rows, int n)
{
    std::vector<std::tuple<int, int, int, std::string>> keys;
    for (int i = 0; i < n; ++i) {
        keys.emplace_back(rows[i].time, rows[i].mainType, rows[i].subType, rows[i].user);
    }
    return keys;
}

std::string QueryPlan(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, ("explain query plan " + sql).c_str(), -1, &stmt, nullptr);
    std::string plan;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        plan += reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3));
        plan += '\n';
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return plan;
}
} // namespace

TEST_F(LogDatabaseTest, IndexesChangeNoAnswerAndSpareEveryQueryTheSort)
{
    const std::string copy = m_folder.Path() + "/indexed.db";
    std::filesystem::copy_file(m_path, copy);
    ASSERT_EQ(LogDbAddIndexes(copy.c_str()), 0);
    EXPECT_EQ(LogDbAddIndexes(copy.c_str()), 0) << "a second time changes nothing";
    for (const tagLogFilter& f : FilterShapes()) {
        EXPECT_EQ(Count(f, copy), Count(f)) << f.mainType << "/" << f.subType << "/" << f.startTime;
        int plainRows = 0;
        int indexedRows = 0;
        Rows plain = Page(f, &plainRows);
        Rows indexed = Page(f, &indexedRows, nullptr, copy);
        EXPECT_EQ(Keys(indexed.get(), indexedRows), Keys(plain.get(), plainRows));
    }
    // Every statement the queries make reads an index in time order: no
    // sorting and no scan of the table, so a late page costs what an early one does.
    for (const char* where :
         {"", " where time>=1 and time<9", " where main_type=2", " where main_type=2 and sub_type=203",
          " where main_type=2 and time>=1 and time<9",
          " where main_type=2 and sub_type=203 and time>=1 and time<9"}) {
        const std::string plan =
            QueryPlan(copy, std::string("select time,main_type,sub_type,sub_param,user,ip,detail from log") +
                                where + " order by time desc, rowid desc limit 99960, 40");
        EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << where << "\n" << plan;
        EXPECT_NE(plan.find("INDEX"), std::string::npos) << where << "\n" << plan;
    }
}

TEST_F(LogDatabaseTest, EntriesOfOneSecondArePagedWithoutRepeatsOrGaps)
{
    // 90 entries in three seconds: however the pages fall, each shows up once,
    // the later written first within its second.
    std::vector<LogRowData> rows;
    for (int i = 0; i < 90; ++i) {
        rows.push_back({5000 + i / 30, 1 + i % 4, 11, 0, "u" + std::to_string(i), "ip", "d"});
    }
    const std::string path = m_folder.Path() + "/ties.db";
    CreateLogDatabase(path, rows);
    for (const bool indexed : {false, true}) {
        if (indexed) {
            ASSERT_EQ(LogDbAddIndexes(path.c_str()), 0);
        }
        std::vector<std::string> seen;
        for (int offset = 0; offset < 90; offset += 7) {
            int n = 0;
            Rows page = Page(Filter(0, 0, 0, 0, offset, 7), &n, nullptr, path);
            for (int i = 0; i < n; ++i) {
                seen.emplace_back(page.get()[i].user);
            }
        }
        ASSERT_EQ(seen.size(), 90u);
        for (int i = 0; i < 90; ++i) {
            EXPECT_EQ(seen[static_cast<std::size_t>(i)], "u" + std::to_string(89 - i))
                << "indexed " << indexed;
        }
    }
}

TEST_F(LogDatabaseTest, IndexesNeedAWritableLogDatabase)
{
    EXPECT_EQ(LogDbAddIndexes(nullptr), -1);
    EXPECT_EQ(LogDbAddIndexes(""), -1);
    const std::string missing = m_folder.Path() + "/missing.db";
    EXPECT_EQ(LogDbAddIndexes(missing.c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(missing)) << "no file is made";
    const std::string other = m_folder.Path() + "/other.db";
    ExecOnFile(other, "create table events(x integer)");
    EXPECT_EQ(LogDbAddIndexes(other.c_str()), -1);
    const std::string text = m_folder.Path() + "/text.db";
    std::ofstream(text) << "half a download, not a database";
    EXPECT_EQ(LogDbAddIndexes(text.c_str()), -1);
    EXPECT_EQ(OpenDescriptorsOn(text), 0);
}
