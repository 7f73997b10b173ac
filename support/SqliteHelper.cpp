#include "SqliteHelper.h"

#include "OperationLog.h"

#include <atomic>
#include <cstring>
#include <sqlite3.h>
#include <thread>
#include <utility>

namespace {
std::atomic<long long> g_busyLimitMs{30000};
std::atomic<long long> g_workLimitMs{2000};

// How many virtual machine steps pass between two looks at the clock.
constexpr int kStepsBetweenChecks = 1000;

// The end of the statement this thread runs: a connection runs one statement
// at a time, on the thread that called sqlite_query_record.
thread_local std::chrono::steady_clock::time_point t_workDeadline;

void StartWorkClock()
{
    t_workDeadline = std::chrono::steady_clock::now() + SqliteWorkLimit();
}

// Non-zero stops the statement with SQLITE_INTERRUPT.
int PastWorkLimit(void* /*unused*/)
{
    return std::chrono::steady_clock::now() > t_workDeadline ? 1 : 0;
}

// A database file comes from a camera: its schema may name functions,
// triggers and views, and its values may be of any size. None of that may run
// here or make one of our statements big.
void Harden(sqlite3* db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    const std::pair<int, int> limits[] = {
        {SQLITE_LIMIT_LENGTH, kSqliteMaxLength},
        {SQLITE_LIMIT_SQL_LENGTH, 100000},
        {SQLITE_LIMIT_COLUMN, 100},
        {SQLITE_LIMIT_EXPR_DEPTH, 10},
        {SQLITE_LIMIT_COMPOUND_SELECT, 3},
        {SQLITE_LIMIT_VDBE_OP, 25000},
        {SQLITE_LIMIT_FUNCTION_ARG, 8},
        {SQLITE_LIMIT_ATTACHED, 0},
        {SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 50},
        {SQLITE_LIMIT_VARIABLE_NUMBER, 10},
        {SQLITE_LIMIT_TRIGGER_DEPTH, 10},
        {SQLITE_LIMIT_WORKER_THREADS, 0},
    };
    for (const auto& [limit, value] : limits) {
        sqlite3_limit(db, limit, value);
    }
    // Cells whose sizes do not add up are refused as they are read.
    sqlite3_exec(db, "pragma cell_size_check=on", nullptr, nullptr, nullptr);
}

// Diagnostics that nobody reads: kept as calls so each failure names itself
// in the code, but nothing is written anywhere.
void SilentTrace(const char* /*format*/, ...) {}

// Runs one library call again every millisecond while the database is busy,
// for at most the busy limit; the time waited does not count as work.
template <typename Call> int RetryWhileBusy(Call call)
{
    const auto deadline = std::chrono::steady_clock::now() + SqliteBusyLimit();
    int rc = call();
    while (rc == SQLITE_BUSY && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        StartWorkClock();
        rc = call();
    }
    return rc;
}
} // namespace

std::chrono::milliseconds SqliteBusyLimit()
{
    return std::chrono::milliseconds(g_busyLimitMs.load());
}

void SqliteSetBusyLimit(std::chrono::milliseconds limit)
{
    g_busyLimitMs.store(limit.count());
}

std::chrono::milliseconds SqliteWorkLimit()
{
    return std::chrono::milliseconds(g_workLimitMs.load());
}

void SqliteSetWorkLimit(std::chrono::milliseconds limit)
{
    g_workLimitMs.store(limit.count());
}

std::mutex& LogDatabaseLock()
{
    static std::mutex lock;
    return lock;
}

int sqlite_open_db(const char* path, sqlite3** db)
{
    if (path == nullptr || db == nullptr) {
        SilentTrace("param is invalid, SqlFile:%x  Handle:%x\n", path, db);
        return -1;
    }
    // An existing file only: a missing path must not leave an empty database
    // behind, the log files are never written.
    const int rc = sqlite3_open_v2(path, db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        SilentTrace("open sqlite fail with:%d", rc);
        sqlite3_close(*db); // the library hands out a handle even when it fails
        *db = nullptr;
        return -1;
    }
    Harden(*db);
    return 0;
}

int sqlite_close_db(sqlite3* db)
{
    if (db == nullptr) {
        return -1;
    }
    if (sqlite3_close(db) != SQLITE_OK) {
        SilentTrace("sqlite close fail, error:%s\n", sqlite3_errmsg(db));
        return -1;
    }
    return 0;
}

int sqlite_query_record(sqlite3* db, const char* sql, sqlite3_stmt** stmt, int* columnCount)
{
    if (db == nullptr || sql == nullptr || stmt == nullptr || columnCount == nullptr) {
        SilentTrace("sql query record, param is invalid\n");
        return -1;
    }
    StartWorkClock();
    sqlite3_progress_handler(db, kStepsBetweenChecks, PastWorkLimit, nullptr);
    const int prepared = RetryWhileBusy([&] { return sqlite3_prepare(db, sql, -1, stmt, nullptr); });
    if (prepared != SQLITE_OK) {
        TraceA(1, "sqlite_query_record sqlite3_prepare fail:%d===sql:%s", prepared, sql);
        SilentTrace("sql query record fail, %s\n", sql);
        return -1;
    }
    const int stepped = RetryWhileBusy([&] { return sqlite3_step(*stmt); });
    if (stepped == SQLITE_DONE) {
        return 1;
    }
    if (stepped != SQLITE_ROW) {
        // A broken or still-busy file, or one that took too long, is a
        // failure, not an empty result.
        TraceA(1, "sqlite_query_record sqlite3_step fail:%d===sql:%s", stepped, sql);
        return -1;
    }
    *columnCount = sqlite3_column_count(*stmt);
    return 0;
}

int sqlite_next_record(sqlite3_stmt* stmt)
{
    if (stmt == nullptr) {
        SilentTrace("sql query record fail, param is invalid\n");
        return -1;
    }
    // After the last row the library would start the query over on the next
    // step; a finished statement stays finished instead.
    if (!sqlite3_stmt_busy(stmt)) {
        return 1;
    }
    return RetryWhileBusy([&] { return sqlite3_step(stmt); }) == SQLITE_ROW ? 0 : 1;
}

int sqlite_query_data(sqlite3_stmt* stmt, int column, char* out, int size)
{
    if (stmt == nullptr || column < 0 || out == nullptr || size < 1) {
        SilentTrace("sql query data fail, param is invalid\n");
        return -1;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    if (text == nullptr) {
        return 0;
    }
    const auto room = static_cast<std::size_t>(size - 1);
    const std::size_t length = strnlen(text, room);
    std::memcpy(out, text, length < room ? length + 1 : room);
    return 0;
}

int sqlite_clear(sqlite3_stmt* stmt)
{
    if (stmt == nullptr) {
        SilentTrace("sql clear fail\n");
        return -1;
    }
    sqlite3_finalize(stmt);
    return 0;
}
