#include "SqliteHelper.h"

#include "DebugOutput.h"
#include "LogDbFiles.h"
#include "SupportTestFiles.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {
class SqliteHelperTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = m_folder.Path() + "/log.db";
        CreateLogDatabase(m_path, {{100, 1, 11, 0, "admin", "10.0.0.9", "first"},
                                   {200, 2, 101, 5, "guest", "10.0.0.8", "second"}});
        ASSERT_EQ(sqlite_open_db(m_path.c_str(), &m_db), 0);
        ASSERT_NE(m_db, nullptr);
        PlatformSetDebugSink([this](std::string_view text) { m_trace += text; });
    }
    void TearDown() override
    {
        PlatformSetDebugSink({});
        SqliteSetBusyLimit(std::chrono::seconds(30));
        SqliteSetWorkLimit(std::chrono::seconds(2));
        if (m_db != nullptr) {
            EXPECT_EQ(sqlite_close_db(m_db), 0);
        }
    }

    TempProgramFolder m_folder;
    std::string m_path;
    sqlite3* m_db = nullptr;
    std::string m_trace;
};

TEST_F(SqliteHelperTest, WalksTheRowsOfAQuery)
{
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    ASSERT_EQ(sqlite_query_record(m_db, "select time, user from log order by time", &stmt, &columns), 0);
    EXPECT_EQ(columns, 2);
    char value[32] = {};
    EXPECT_EQ(sqlite_query_data(stmt, 0, value, sizeof value), 0);
    EXPECT_STREQ(value, "100");
    EXPECT_EQ(sqlite_next_record(stmt), 0);
    EXPECT_EQ(sqlite_query_data(stmt, 1, value, sizeof value), 0);
    EXPECT_STREQ(value, "guest");
    EXPECT_EQ(sqlite_next_record(stmt), 1);
    EXPECT_EQ(sqlite_next_record(stmt), 1);
    EXPECT_EQ(sqlite_clear(stmt), 0);
    EXPECT_EQ(m_trace, "");
}

TEST_F(SqliteHelperTest, AnEmptyResultIsOneAndLeavesTheCountAlone)
{
    sqlite3_stmt* stmt = nullptr;
    int columns = 77;
    EXPECT_EQ(sqlite_query_record(m_db, "select * from log where time > 1000", &stmt, &columns), 1);
    EXPECT_EQ(columns, 77);
    ASSERT_NE(stmt, nullptr);
    EXPECT_EQ(sqlite_clear(stmt), 0);
}

TEST_F(SqliteHelperTest, SqlThatDoesNotCompileFailsWithOneTraceLine)
{
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    EXPECT_EQ(sqlite_query_record(m_db, "select * from nothing", &stmt, &columns), -1);
    EXPECT_EQ(stmt, nullptr);
    EXPECT_EQ(m_trace, "[zendrix]sqlite_query_record sqlite3_prepare fail:1===sql:select * from nothing\n");
}

TEST_F(SqliteHelperTest, MissingArgumentsAreRefused)
{
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    char buffer[8];
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite_open_db(nullptr, &db), -1);
    EXPECT_EQ(sqlite_open_db(m_path.c_str(), nullptr), -1);
    EXPECT_EQ(sqlite_close_db(nullptr), -1);
    EXPECT_EQ(sqlite_query_record(nullptr, "select 1", &stmt, &columns), -1);
    EXPECT_EQ(sqlite_query_record(m_db, nullptr, &stmt, &columns), -1);
    EXPECT_EQ(sqlite_query_record(m_db, "select 1", nullptr, &columns), -1);
    EXPECT_EQ(sqlite_query_record(m_db, "select 1", &stmt, nullptr), -1);
    EXPECT_EQ(sqlite_next_record(nullptr), -1);
    EXPECT_EQ(sqlite_query_data(nullptr, 0, buffer, 8), -1);
    EXPECT_EQ(sqlite_clear(nullptr), -1);
    EXPECT_EQ(m_trace, "");
}

TEST_F(SqliteHelperTest, QueryDataCopiesBoundedBytesAndLeavesNullsAlone)
{
    ExecOnFile(m_path, "create table t(a text, b text)");
    ExecOnFile(m_path, "insert into t values('abcdefgh', NULL)");
    ExecOnFile(m_path, "insert into t values(X'E4B8ADFF', 'abc')");
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    ASSERT_EQ(sqlite_query_record(m_db, "select a, b from t order by rowid", &stmt, &columns), 0);

    char buffer[9];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(sqlite_query_data(stmt, 0, buffer, 0), -1);
    EXPECT_EQ(sqlite_query_data(stmt, 0, buffer, -3), -1);
    EXPECT_EQ(sqlite_query_data(stmt, -1, buffer, 9), -1);
    EXPECT_EQ(sqlite_query_data(stmt, 0, nullptr, 9), -1);
    EXPECT_EQ(sqlite_query_data(stmt, 0, buffer, 1), 0);
    EXPECT_EQ(buffer[0], '#'); // a size of 1 copies nothing
    // Eight bytes into nine: exactly eight, the ninth untouched.
    EXPECT_EQ(sqlite_query_data(stmt, 0, buffer, 9), 0);
    EXPECT_EQ(std::string(buffer, 9), "abcdefgh#");
    // Into eight: seven bytes, the eighth untouched.
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(sqlite_query_data(stmt, 0, buffer, 8), 0);
    EXPECT_EQ(std::string(buffer, 8), "abcdefg#");
    // Into five: four bytes.
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(sqlite_query_data(stmt, 0, buffer, 5), 0);
    EXPECT_EQ(std::string(buffer, 5), "abcd#");
    // NULL leaves the buffer as it was.
    EXPECT_EQ(sqlite_query_data(stmt, 1, buffer, 5), 0);
    EXPECT_EQ(std::string(buffer, 5), "abcd#");
    // A column past the last is a NULL as well.
    EXPECT_EQ(sqlite_query_data(stmt, 9, buffer, 5), 0);
    EXPECT_EQ(std::string(buffer, 5), "abcd#");

    ASSERT_EQ(sqlite_next_record(stmt), 0);
    char raw[8] = {};
    EXPECT_EQ(sqlite_query_data(stmt, 0, raw, sizeof raw), 0);
    EXPECT_STREQ(raw, "\xE4\xB8\xAD\xFF"); // byte for byte, no change of code page
    // A shorter text is copied with its terminator.
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(sqlite_query_data(stmt, 1, buffer, 9), 0);
    EXPECT_EQ(std::string(buffer, 9), std::string("abc\0#####", 9));
    EXPECT_EQ(sqlite_clear(stmt), 0);
}

TEST_F(SqliteHelperTest, ABusyDatabaseIsWaitedFor)
{
    ASSERT_EQ(sqlite_close_db(m_db), 0);
    m_db = nullptr;
    // Waiting is no work: the wait outlasts what a statement may work.
    SqliteSetWorkLimit(std::chrono::milliseconds(100));
    BusyHolder holder(m_path);
    std::thread releaser([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.Release();
    });
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite_open_db(m_path.c_str(), &db), 0);
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    EXPECT_EQ(sqlite_query_record(db, "select count(*) from log", &stmt, &columns), 0);
    EXPECT_TRUE(holder.Released());
    char value[8] = {};
    sqlite_query_data(stmt, 0, value, sizeof value);
    EXPECT_STREQ(value, "2");
    sqlite_clear(stmt);
    sqlite_close_db(db);
    releaser.join();
    EXPECT_EQ(m_trace, "");
}

TEST_F(SqliteHelperTest, ADatabaseBusyBeyondTheLimitFails)
{
    SqliteSetBusyLimit(std::chrono::milliseconds(100));
    BusyHolder holder(m_path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite_open_db(m_path.c_str(), &db), 0);
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    EXPECT_EQ(sqlite_query_record(db, "select count(*) from log", &stmt, &columns), -1);
    EXPECT_FALSE(holder.Released());
    EXPECT_EQ(m_trace,
              "[zendrix]sqlite_query_record sqlite3_prepare fail:5===sql:select count(*) from log\n");
    if (stmt != nullptr) {
        sqlite_clear(stmt);
    }
    sqlite_close_db(db);
}

TEST_F(SqliteHelperTest, AStatementThatWorksTooLongIsStopped)
{
    SqliteSetWorkLimit(std::chrono::milliseconds(100));
    const char* endless = "with recursive n(x) as (select 1 union all select x + 1 from n) ";
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    EXPECT_EQ(
        sqlite_query_record(m_db, (std::string(endless) + "select count(*) from n").c_str(), &stmt, &columns),
        -1);
    EXPECT_NE(m_trace.find("sqlite3_step fail"), std::string::npos) << m_trace;
    sqlite_clear(stmt);
    // Stopped among its rows, a statement has no further row.
    stmt = nullptr;
    ASSERT_EQ(sqlite_query_record(m_db, (std::string(endless) + "select x from n").c_str(), &stmt, &columns),
              0);
    int rows = 1;
    while (sqlite_next_record(stmt) == 0) {
        ++rows;
    }
    EXPECT_GT(rows, 1);
    EXPECT_EQ(sqlite3_reset(stmt), SQLITE_INTERRUPT);
    sqlite_clear(stmt);
}

TEST_F(SqliteHelperTest, BrokenFilesFailCleanly)
{
    const std::string corrupt = m_folder.Path() + "/corrupt.db";
    std::string noise(8192, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 131 + 7) % 251);
    }
    WriteBytes(corrupt, noise);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite_open_db(corrupt.c_str(), &db), 0);
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    EXPECT_EQ(sqlite_query_record(db, "select * from log", &stmt, &columns), -1);
    EXPECT_EQ(m_trace, "[zendrix]sqlite_query_record sqlite3_prepare fail:26===sql:select * from log\n");
    EXPECT_EQ(sqlite_close_db(db), 0);

    // A missing file is not created.
    const std::string missing = m_folder.Path() + "/missing.db";
    db = reinterpret_cast<sqlite3*>(&columns);
    EXPECT_EQ(sqlite_open_db(missing.c_str(), &db), -1);
    EXPECT_EQ(db, nullptr);
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A folder cannot be opened: no connection is left behind.
    db = reinterpret_cast<sqlite3*>(&columns);
    EXPECT_EQ(sqlite_open_db(m_folder.Path().c_str(), &db), -1);
    EXPECT_EQ(db, nullptr);
}
} // namespace
