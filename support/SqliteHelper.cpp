#include "SqliteHelper.h"

#include "OperationLog.h"

#include <atomic>
#include <cstring>
#include <sqlite3.h>
#include <thread>

namespace {
std::atomic<long long> g_busyLimitMs{30000};

// Diagnostics that nobody reads: kept as calls so each failure names itself
// in the code, but nothing is written anywhere.
void SilentTrace(const char* /*format*/, ...) {}

// Runs one library call again every millisecond while the database is busy,
// for at most the busy limit.
template <typename Call> int RetryWhileBusy(Call call)
{
    const auto deadline = std::chrono::steady_clock::now() + SqliteBusyLimit();
    int rc = call();
    while (rc == SQLITE_BUSY && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
        // A broken or still-busy file is a failure, not an empty result.
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
