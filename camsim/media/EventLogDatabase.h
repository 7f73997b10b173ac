#pragma once
// The event log a simulated camera keeps: an SQLite file with one table `log`
// (time, main_type, sub_type, sub_param, user, ip, detail), filled with
// hundreds of entries over every main and sub type and spread over the last
// weeks, the same entries for the same seed.
#include <cstdint>
#include <string>

namespace camsim {

struct LogTypeRange
{
    int mainType;
    int firstSubType;
    int subTypes;
};

// Event 11-17, operation 100-117, exception 200-206, information 300-306.
inline constexpr LogTypeRange kLogTypes[] = {{1, 11, 7}, {2, 100, 18}, {4, 200, 7}, {3, 300, 7}};

// Writes a new log database of `rows` entries to `path` (replacing it
// whole), the newest at most one minute before `now`. False with a message.
bool WriteEventLog(const std::string& path, uint32_t seed, int64_t now, int rows, std::string& error);

} // namespace camsim
