#pragma once
// Real SQLite files for the helper and query tests.
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <thread>

struct LogRowData
{
    long time;
    int mainType;
    int subType;
    int subParam;
    std::string user;
    std::string ip;
    std::string detail;
};

inline void ExecSql(sqlite3* db, const std::string& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << (error != nullptr ? error : "?") << " in " << sql;
    }
    sqlite3_free(error);
}

// A log database as a camera keeps it: table log with the seven columns.
inline void CreateLogDatabase(const std::string& path, const std::vector<LogRowData>& rows)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    ExecSql(db, "create table log(time integer, main_type integer, sub_type integer, sub_param integer, "
                "user text, ip text, detail text)");
    ExecSql(db, "begin");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into log values(?,?,?,?,?,?,?)", -1, &insert, nullptr);
    for (const LogRowData& row : rows) {
        sqlite3_bind_int64(insert, 1, row.time);
        sqlite3_bind_int(insert, 2, row.mainType);
        sqlite3_bind_int(insert, 3, row.subType);
        sqlite3_bind_int(insert, 4, row.subParam);
        sqlite3_bind_text(insert, 5, row.user.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 6, row.ip.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 7, row.detail.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ExecSql(db, "commit");
    sqlite3_close(db);
}

// A log database whose detail is no stored text but made on every read: a
// printf of detailChars characters, so each page read costs what the file
// says. The rows are written while the printf is still empty, as writing
// would make every text too.
inline void CreateGeneratedDetailLog(const std::string& path, int rows, long detailChars)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    ExecSql(db, "create table log(time integer, main_type integer, sub_type integer, sub_param integer, "
                "user text, ip text, detail text generated always as (printf('%.*c', 0, 'x')) virtual)");
    ExecSql(db, "begin");
    for (int i = 0; i < rows; ++i) {
        ExecSql(db, "insert into log(time, main_type, sub_type, sub_param, user, ip) values(" +
                        std::to_string(1000 + i) + ", 1, 11, 0, 'admin', '10.0.0.1')");
    }
    ExecSql(db, "commit");
    ExecSql(db,
            "pragma writable_schema=on; update sqlite_schema set sql = replace(sql, '%.*c'', 0,', '%.*c'', " +
                std::to_string(detailChars) + ",') where name = 'log'");
    sqlite3_close(db);
}

inline void ExecOnFile(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    ExecSql(db, sql);
    sqlite3_close(db);
}

// Another connection, in its own thread, holds an exclusive lock on the file
// until Release() is called (or the holder is destroyed).
class BusyHolder
{
public:
    explicit BusyHolder(const std::string& path)
    {
        m_thread = std::thread([this, path] {
            sqlite3* db = nullptr;
            sqlite3_open(path.c_str(), &db);
            ExecSql(db, "begin exclusive");
            m_holding = true;
            while (!m_release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            m_released = true;
            ExecSql(db, "commit");
            sqlite3_close(db);
        });
        while (!m_holding) {
            std::this_thread::yield();
        }
    }
    ~BusyHolder() { Join(); }
    BusyHolder(const BusyHolder&) = delete;
    BusyHolder& operator=(const BusyHolder&) = delete;

    void Release() { m_release = true; }
    void Join()
    {
        Release();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    bool Released() const { return m_released; }

private:
    std::atomic<bool> m_holding{false};
    std::atomic<bool> m_release{false};
    std::atomic<bool> m_released{false};
    std::thread m_thread;
};

// How many file descriptors of this process refer to path.
inline int OpenDescriptorsOn(const std::string& path)
{
    int count = 0;
    std::error_code ec;
    const auto target = std::filesystem::canonical(path, ec);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkError;
        if (std::filesystem::read_symlink(entry.path(), linkError) == target) {
            ++count;
        }
    }
    return count;
}
