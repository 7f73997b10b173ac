#pragma once
#include "ZxExport.h"

#include <chrono>
#include <mutex>

struct sqlite3;
struct sqlite3_stmt;

// A thin layer over SQLite for reading downloaded log databases. Outcomes are
// 0 (success), 1 (no row / no further row) and -1 (failure or a missing
// argument). The handles live in the caller's variables; once the statement
// variable is non-null the caller must hand it to sqlite_clear, whatever the
// outcome. Only failed preparations reach the debug trace.
//
// One query:  lock LogDatabaseLock(); sqlite_open_db; sqlite_query_record;
//             sqlite_query_data per column and sqlite_next_record until it
//             returns non-zero; sqlite_clear; sqlite_close_db; unlock.

// Opens an existing database file (a missing file is not created), as a file
// from a camera must be opened: its schema runs nothing (no triggers, views or
// functions it names), and texts, statements and expressions are held to
// small limits (a value or row of at most kSqliteMaxLength bytes).
// 0: opened; -1: missing argument, no such file, or the library refused (no
// connection is left behind then, and *db is null).
ZX_EXPORT int sqlite_open_db(const char* path, sqlite3** db);

// 0: closed; -1: no connection, or the library refused.
ZX_EXPORT int sqlite_close_db(sqlite3* db);

// Prepares sql into *stmt and steps once. 0: the first row is current and
// *columnCount holds the column count; 1: prepared but no row (*columnCount
// untouched); -1: missing argument, the preparation failed (then one trace
// line "sqlite_query_record sqlite3_prepare fail:%d===sql:%s" is written) or
// the first step failed on a broken file (trace "... sqlite3_step fail ...").
// A busy database is retried every millisecond for as long as it stays busy,
// up to SqliteBusyLimit(); a database still busy after that fails with -1.
// The statement may work for SqliteWorkLimit() (not counting the waits for a
// busy database), over its rows too; then it is stopped and fails like a
// broken file.
ZX_EXPORT int sqlite_query_record(sqlite3* db, const char* sql, sqlite3_stmt** stmt, int* columnCount);

// 0: a further row is current; 1: no further row, or the step failed (and
// so on every later call: a finished query never starts over); -1: no statement.
ZX_EXPORT int sqlite_next_record(sqlite3_stmt* stmt);

// Copies the column's text, byte for byte, into out: at most size - 1 bytes;
// a shorter text is copied with its terminator, a longer one is cut and the
// copy leaves the last byte of out untouched (so a zero-filled buffer always
// ends up terminated). An SQL NULL leaves out as it was. 0: done; -1: no
// statement, a negative column, no buffer or a size below 1.
ZX_EXPORT int sqlite_query_data(sqlite3_stmt* stmt, int column, char* out, int size);

// Finalizes the statement. 0: done; -1: no statement.
ZX_EXPORT int sqlite_clear(sqlite3_stmt* stmt);

// The log database lock: every open-query-close on a log database runs under
// it, so at most one log database connection is open at any time.
ZX_EXPORT std::mutex& LogDatabaseLock();

// How long a busy database is waited for (30 s unless changed; tests shorten it).
ZX_EXPORT std::chrono::milliseconds SqliteBusyLimit();
ZX_EXPORT void SqliteSetBusyLimit(std::chrono::milliseconds limit);

// How long one statement may work (2 s unless changed; tests shorten it).
ZX_EXPORT std::chrono::milliseconds SqliteWorkLimit();
ZX_EXPORT void SqliteSetWorkLimit(std::chrono::milliseconds limit);

// The longest text, value or row a connection of sqlite_open_db reads.
inline constexpr int kSqliteMaxLength = 1000000;
