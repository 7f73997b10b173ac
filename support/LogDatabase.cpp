#include "LogDatabase.h"

#include "SqliteHelper.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

namespace {
constexpr int kSqlBytes = 1024;
constexpr int kValueBytes = 256;

// One open-query-close under the log database lock; the statement's first
// row is current when read() is called.
template <typename ReadRows> int RunQuery(const char* path, const char* sql, ReadRows read)
{
    std::lock_guard lock(LogDatabaseLock());
    sqlite3* db = nullptr;
    if (sqlite_open_db(path, &db) != 0) {
        return -1;
    }
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    int status = sqlite_query_record(db, sql, &stmt, &columns);
    if (status == 0) {
        status = read(stmt);
    }
    if (stmt != nullptr) {
        sqlite_clear(stmt);
    }
    sqlite_close_db(db);
    return status;
}

// Column text as a number; a NULL column reads as 0 because the buffer is
// emptied before every read.
long ReadNumber(sqlite3_stmt* stmt, int column)
{
    char value[kValueBytes] = {};
    sqlite_query_data(stmt, column, value, sizeof value);
    return std::atol(value);
}

bool MissingPath(const char* path)
{
    return path == nullptr || *path == '\0';
}

// The statement a filter selects: the sub type counts only with a main type,
// the time range only when start < end.
int BuildSql(const tagLogFilter& f, bool forCount, char* sql, int sqlBytes)
{
    if (sql == nullptr || sqlBytes < 1) {
        return -1;
    }
    const char* columns = "select time,main_type,sub_type,sub_param,user,ip,detail from log";
    const char* count = "select count(*) from log";
    const char* head = forCount ? count : columns;
    const bool ranged = f.startTime < f.endTime;
    const bool bySubType = f.subType > 10;
    char where[256];
    if (f.mainType > 0 && ranged && bySubType) {
        std::snprintf(where, sizeof where, " where main_type=%d and sub_type=%d and time>=%d and time<%d",
                      f.mainType, f.subType, f.startTime, f.endTime);
    } else if (f.mainType > 0 && ranged) {
        std::snprintf(where, sizeof where, " where main_type=%d and time>=%d and time<%d", f.mainType,
                      f.startTime, f.endTime);
    } else if (f.mainType > 0 && bySubType) {
        std::snprintf(where, sizeof where, " where main_type=%d and sub_type=%d", f.mainType, f.subType);
    } else if (f.mainType > 0) {
        std::snprintf(where, sizeof where, " where main_type=%d", f.mainType);
    } else if (ranged) {
        std::snprintf(where, sizeof where, " where time>=%d and time<%d", f.startTime, f.endTime);
    } else {
        where[0] = '\0';
    }
    char limit[64] = "";
    if (!forCount) {
        // Entries of the same second keep one order (newest written first), so
        // paging neither repeats nor skips one of them.
        std::snprintf(limit, sizeof limit, " order by time desc, rowid desc limit %d, %d", f.offset, f.count);
    }
    const int n = std::snprintf(sql, static_cast<std::size_t>(sqlBytes), "%s%s%s", head, where, limit);
    return n < 0 || n >= sqlBytes ? -1 : 0;
}

} // namespace

int LogDbCount(const char* path, const tagLogFilter* filter, int* count)
{
    if (MissingPath(path) || filter == nullptr || count == nullptr) {
        return -1;
    }
    char sql[kSqlBytes];
    if (BuildSql(*filter, true, sql, sizeof sql) != 0) {
        return -1;
    }
    return RunQuery(path, sql, [&](sqlite3_stmt* stmt) {
        *count = static_cast<int>(ReadNumber(stmt, 0));
        return 0;
    });
}

int LogDbQueryPage(const char* path, const tagLogFilter* filter, tagLogRow** rows, int* rowCount)
{
    if (rows != nullptr) {
        *rows = nullptr;
    }
    if (rowCount != nullptr) {
        *rowCount = 0;
    }
    if (MissingPath(path) || filter == nullptr || rows == nullptr || rowCount == nullptr ||
        filter->count < 1 || filter->count > kLogMaxPageRows) {
        return -1;
    }
    char sql[kSqlBytes];
    if (BuildSql(*filter, false, sql, sizeof sql) != 0) {
        return -1;
    }
    return RunQuery(path, sql, [&](sqlite3_stmt* stmt) {
        auto* page =
            static_cast<tagLogRow*>(std::calloc(static_cast<std::size_t>(filter->count), sizeof(tagLogRow)));
        if (page == nullptr) {
            return -1;
        }
        int filled = 0;
        while (filled < filter->count) {
            tagLogRow& row = page[filled];
            row.time = static_cast<int32_t>(ReadNumber(stmt, 0));
            row.mainType = static_cast<int32_t>(ReadNumber(stmt, 1));
            row.subType = static_cast<int32_t>(ReadNumber(stmt, 2));
            row.subParam = static_cast<int32_t>(ReadNumber(stmt, 3));
            sqlite_query_data(stmt, 4, row.user, sizeof row.user);
            sqlite_query_data(stmt, 5, row.ip, sizeof row.ip);
            sqlite_query_data(stmt, 6, row.detail, sizeof row.detail);
            ++filled;
            if (sqlite_next_record(stmt) != 0) {
                break;
            }
        }
        *rows = page;
        *rowCount = filled;
        return 0;
    });
}

void LogDbFreeRows(tagLogRow* rows)
{
    std::free(rows);
}

int LogDbAddIndexes(const char* path)
{
    if (MissingPath(path)) {
        return -1;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }
    // The file comes from a camera: its schema may not run anything of ours.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    // The copy is thrown away if this fails, so it need not survive a crash.
    const int status =
        sqlite3_exec(db,
                     "pragma synchronous=off; begin;"
                     "create index if not exists zx_log_time on log(time);"
                     "create index if not exists zx_log_main_time on log(main_type, time);"
                     "create index if not exists zx_log_main_sub_time on log(main_type, sub_type, time);"
                     "commit;",
                     nullptr, nullptr, nullptr);
    return sqlite3_close(db) == SQLITE_OK && status == SQLITE_OK ? 0 : -1;
}
