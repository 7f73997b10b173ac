#include "EventLogDatabase.h"

#include <cstdio>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

namespace camsim {
namespace {

struct DatabaseCloser
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementCloser
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

std::string DetailFor(int mainType, int number)
{
    const std::string n = std::to_string(number);
    switch (mainType) {
    case 1:
        return "Alarm on input " + n;
    case 2:
        return "Setting changed by the web client, page " + n;
    case 3:
        return "Status report " + n;
    default:
        return "Fault " + n + " recovered";
    }
}

bool Exec(sqlite3* db, const char* sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        error = message != nullptr ? message : "sqlite error";
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool Fill(sqlite3* db, uint32_t seed, int64_t now, int rows, std::string& error)
{
    if (!Exec(
            db,
            "CREATE TABLE log (time INTEGER NOT NULL, main_type INTEGER NOT NULL, sub_type INTEGER NOT NULL,"
            " sub_param INTEGER NOT NULL, user TEXT NOT NULL, ip TEXT NOT NULL, detail TEXT NOT NULL);"
            "BEGIN;",
            error)) {
        return false;
    }
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO log VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &raw, nullptr) !=
        SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, StatementCloser> insert(raw);
    std::mt19937 random(seed);
    const char* const users[] = {"admin", "operator", "system"};
    constexpr int64_t kSpanSeconds = 45LL * 24 * 3600;
    int subTypeCount = 0;
    for (const auto& range : kLogTypes) {
        subTypeCount += range.subTypes;
    }
    for (int i = 0; i < rows; ++i) {
        // Every sub type in turn, so even a short log holds each of them.
        int index = i % subTypeCount;
        const LogTypeRange* range = kLogTypes;
        while (index >= range->subTypes) {
            index -= range->subTypes;
            ++range;
        }
        const int64_t time = now - 60 - static_cast<int64_t>(random() % kSpanSeconds);
        const int subParam = range->firstSubType + static_cast<int>(random() % range->subTypes);
        const char* user = users[random() % 3];
        char ip[32] = "";
        if (range->mainType == 2) {
            std::snprintf(ip, sizeof ip, "192.168.1.%u", static_cast<unsigned>(2 + random() % 200));
        }
        const std::string detail = DetailFor(range->mainType, 1 + static_cast<int>(random() % 8));
        sqlite3_bind_int64(insert.get(), 1, time);
        sqlite3_bind_int(insert.get(), 2, range->mainType);
        sqlite3_bind_int(insert.get(), 3, range->firstSubType + index);
        sqlite3_bind_int(insert.get(), 4, subParam);
        sqlite3_bind_text(insert.get(), 5, user, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 6, ip, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 7, detail.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(insert.get()) != SQLITE_DONE) {
            error = sqlite3_errmsg(db);
            return false;
        }
        sqlite3_reset(insert.get());
    }
    return Exec(db, "COMMIT;", error);
}

} // namespace

bool WriteEventLog(const std::string& path, uint32_t seed, int64_t now, int rows, std::string& error)
{
    const std::string building = path + ".building";
    ::unlink(building.c_str());
    sqlite3* raw = nullptr;
    if (sqlite3_open(building.c_str(), &raw) != SQLITE_OK) {
        error = raw != nullptr ? sqlite3_errmsg(raw) : "cannot open " + building;
        sqlite3_close(raw);
        return false;
    }
    std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
    if (!Fill(db.get(), seed, now, rows, error)) {
        db.reset();
        ::unlink(building.c_str());
        return false;
    }
    db.reset();
    if (std::rename(building.c_str(), path.c_str()) != 0) {
        error = "cannot rename " + building;
        ::unlink(building.c_str());
        return false;
    }
    return true;
}

} // namespace camsim
