#pragma once
#include "ZxExport.h"

#include <cstdint>

// Queries on a camera's log database: an SQLite file with a table "log" of
// the columns time (seconds since 1970 UTC), main_type, sub_type, sub_param,
// user, ip, detail. The file is only read. Both queries hold the log database
// lock (LogDatabaseLock) from opening the file to closing it and may be called
// from any thread.

inline constexpr int kLogPageRows = 40;      // rows per page of the log page
inline constexpr int kLogMaxPageRows = 4096; // largest page a query accepts

struct tagLogFilter
{
    int32_t startTime = 0; // seconds since 1970 UTC
    int32_t endTime = 0;   // the range counts only when start < end
    int32_t mainType = 0;  // 0 or less: all
    int32_t subType = 0;   // 10 or less: all (counts only when mainType > 0)
    int32_t offset = 0;    // first row wanted
    int32_t count = 0;     // rows wanted (kLogPageRows)
};

struct tagLogRow
{
    int32_t time;
    int32_t mainType;
    int32_t subType;
    int32_t subParam;
    char user[32]; // texts zero-terminated, cut to one byte less than the field
    char ip[64];
    char detail[256];
};

// Status of both queries: 0 success; 1 no row; -1 failure or bad argument.

// Counts the rows matching filter into *count.
ZX_EXPORT int LogDbCount(const char* path, const tagLogFilter* filter, int* count);

// Reads one page, newest first (entries of the same second in the reverse
// order of writing): *rows receives an array of filter->count
// zero-filled rows (free it with LogDbFreeRows), *rowCount the rows filled.
// On any status but 0, *rows is null and *rowCount 0. A filter count outside
// 1..kLogMaxPageRows is refused with -1.
ZX_EXPORT int LogDbQueryPage(const char* path, const tagLogFilter* filter, tagLogRow** rows, int* rowCount);
ZX_EXPORT void LogDbFreeRows(tagLogRow* rows);

// Adds to a local copy of a log database the indexes that let every filter
// and every page be read without sorting or scanning the whole table; the
// rows stay as they are. For a copy no query reads yet (it takes no lock).
// 0: done (also when they exist already); -1: no such file, no table "log",
// or the file cannot be written.
ZX_EXPORT int LogDbAddIndexes(const char* path);
