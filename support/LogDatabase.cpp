#include "LogDatabase.h"

#include "SqliteHelper.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>
#include <sqlite3.h>
#include <string>

namespace {
constexpr int kSqlBytes = 1024;
constexpr int kValueBytes = 256;
constexpr const char* kLogColumns[] = {"time", "main_type", "sub_type", "sub_param", "user", "ip", "detail"};

// The text of a column of the current row, at most 255 bytes.
std::string ColumnText(sqlite3_stmt* stmt, int column)
{
    char value[kValueBytes] = {};
    sqlite_query_data(stmt, column, value, sizeof value);
    return value;
}

// Whether the rows of a statement ended in an error (a broken page, or the
// work limit) rather than at their end.
bool EndedInError(sqlite3_stmt* stmt)
{
    return stmt != nullptr && sqlite3_reset(stmt) != SQLITE_OK;
}

// Runs sql and hands each row to take until it returns false; false when the
// statement failed. A statement without rows is fine.
template <typename TakeRow> bool ForEachRow(sqlite3* db, const char* sql, TakeRow take)
{
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    int status = sqlite_query_record(db, sql, &stmt, &columns);
    while (status == 0 && take(stmt)) {
        status = sqlite_next_record(stmt);
    }
    const bool whole = status >= 0 && !EndedInError(stmt);
    if (stmt != nullptr) {
        sqlite_clear(stmt);
    }
    return whole;
}

// A camera's log and nothing more: the ordinary table log with the columns
// the queries read, stored as written (none generated), its indexes and
// SQLite's own tables. Views, triggers and other tables are refused, so that
// reading the file can run nothing the file itself defines.
bool IsPlainLogDatabase(sqlite3* db)
{
    bool onlyLog = true;
    const bool schemaRead =
        ForEachRow(db, "select type, name, tbl_name from sqlite_schema", [&](sqlite3_stmt* stmt) {
            const std::string type = ColumnText(stmt, 0);
            const std::string name = ColumnText(stmt, 1);
            const bool internal = name.rfind("sqlite_", 0) == 0;
            onlyLog = (type == "table" && (name == "log" || internal)) ||
                      (type == "index" && ColumnText(stmt, 2) == "log");
            return onlyLog;
        });
    if (!schemaRead || !onlyLog) {
        return false;
    }
    // An ordinary table with row ids (the pages are ordered by them), not a
    // view or virtual table of that name.
    bool ordinary = false;
    const bool tableRead = ForEachRow(
        db, "select type, wr from pragma_table_list('log') where schema = 'main'", [&](sqlite3_stmt* stmt) {
            ordinary = ColumnText(stmt, 0) == "table" && ColumnText(stmt, 1) == "0";
            return false;
        });
    if (!tableRead || !ordinary) {
        return false;
    }
    std::set<std::string> stored;
    bool generated = false;
    const bool columnsRead =
        ForEachRow(db, "select name, hidden from pragma_table_xinfo('log')", [&](sqlite3_stmt* stmt) {
            generated = ColumnText(stmt, 1) != "0";
            stored.insert(ColumnText(stmt, 0));
            return !generated;
        });
    return columnsRead && !generated &&
           std::all_of(std::begin(kLogColumns), std::end(kLogColumns),
                       [&](const char* column) { return stored.count(column) > 0; });
}

// One open-query-close under the log database lock; the statement's first
// row is current when read() is called. A file that is no plain log, and a
// statement stopped in the middle of its rows, fail.
template <typename ReadRows> int RunQuery(const char* path, const char* sql, ReadRows read)
{
    std::lock_guard lock(LogDatabaseLock());
    sqlite3* db = nullptr;
    if (sqlite_open_db(path, &db) != 0) {
        return -1;
    }
    if (!IsPlainLogDatabase(db)) {
        sqlite_close_db(db);
        return -1;
    }
    sqlite3_stmt* stmt = nullptr;
    int columns = 0;
    int status = sqlite_query_record(db, sql, &stmt, &columns);
    if (status == 0) {
        status = read(stmt);
    }
    if (status == 0 && EndedInError(stmt)) {
        status = -1;
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
    return std::atol(ColumnText(stmt, column).c_str());
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
    if (sqlite_open_db(path, &db) != 0) {
        return -1;
    }
    if (!IsPlainLogDatabase(db)) {
        sqlite_close_db(db);
        return -1;
    }
    // Indexing takes as long as the file is big (the download bounds that),
    // not what a statement of a page may take.
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    // The copy is thrown away if this fails, so it need not survive a crash.
    const int status =
        sqlite3_exec(db,
                     "pragma synchronous=off; begin;"
                     "create index if not exists zx_log_time on log(time);"
                     "create index if not exists zx_log_main_time on log(main_type, time);"
                     "create index if not exists zx_log_main_sub_time on log(main_type, sub_type, time);"
                     "commit;",
                     nullptr, nullptr, nullptr);
    return sqlite_close_db(db) == 0 && status == SQLITE_OK ? 0 : -1;
}
