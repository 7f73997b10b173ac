#pragma once
#include "ZxExport.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// The arithmetic of the device log page: type codes and their texts, the time
// range, pages, and the names of the files it keeps. Free of any window so
// that the terminal tool and the tests call it directly.

inline constexpr int kMainTypeCount = 5; // all, event, operation, information, exception
inline constexpr int kAllSubTypes = 10;  // the sub type code that selects every sub type
inline constexpr unsigned kTypeKeyBase = 31000;

// The sub type codes of a main type: first code and number of codes. Main type
// 0 (all) has only the code for all sub types; an unknown main type is treated
// like main type 0.
struct SubTypeRange
{
    int first;
    int count;
};
ZX_EXPORT SubTypeRange SubTypeRangeOf(int mainType);

// The codes of the sub type list of a main type, in list order: the entry for
// all sub types first (unless the range itself is that entry), then every code
// of the range.
ZX_EXPORT std::vector<int> SubTypeCodes(int mainType);
// The code of entry `entry` of that list; entry 0, and any entry outside the
// list, selects all sub types.
ZX_EXPORT int SubTypeCode(int mainType, int entry);

// The language key of a type code, and its text: the language files name the
// sub types, so a code without a text shows as its key number.
inline unsigned TypeKey(int code)
{
    return kTypeKeyBase + static_cast<unsigned>(code);
}
ZX_EXPORT std::wstring TypeText(int code);

// A local date and time as the pickers give it.
struct LogDateTime
{
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The range is valid when the start lies before the end: an earlier date, or
// the same date and an earlier time of day. Equal start and end are refused.
ZX_EXPORT bool IsValidTimeRange(const LogDateTime& start, const LogDateTime& end);
// Local time as seconds since 1970-01-01 00:00 UTC, clamped to the 32 bits the
// log database keeps.
ZX_EXPORT int32_t LocalSeconds(const LogDateTime& when);
ZX_EXPORT LogDateTime LocalDateTime(std::time_t when);
// "%04d-%02d-%02d %02d:%02d:%02d" of a log entry's time, in local time.
ZX_EXPORT std::string FormatLogTime(int32_t time);

// Pages of `rows` rows at `pageRows` a page (rounded up); 0 for no rows.
ZX_EXPORT int PageCount(int rows, int pageRows);
// Offset of the first row of a 1-based page.
ZX_EXPORT int PageOffset(int page, int pageRows);
// The number on a grid row: its place in the whole result, from 1.
ZX_EXPORT int RowNumber(int page, int position, int pageRows);
// The page box: trimmed of blanks, read as a decimal number as far as it goes
// (an optional sign, then digits); no digits reads as 0.
ZX_EXPORT int ParsePageNumber(const std::wstring& text);
// True when page n of total may be shown.
ZX_EXPORT bool IsPageInRange(int page, int totalPages);

// File names. The folders live below the program folder.
inline constexpr const char* kTempFilesFolder = "TempFiles";
inline constexpr const char* kLogFilesFolder = "LogFiles";
inline constexpr const char* kConfigFilesFolder = "ConfigFiles";
inline constexpr const char* kCustomFilesFolder = "CustomDownloadFiles";

// The log cache of a camera: "AABBCCDDEEFF_Log.db".
ZX_EXPORT std::string CacheFileName(const unsigned char mac[6]);
// "<ip>_YYYY-MM-DD_hh-mm-ss_Log.db" and "..._Config.txt" at local time `now`.
ZX_EXPORT std::string SavedLogFileName(const std::string& ip, std::time_t now);
ZX_EXPORT std::string ConfigFileName(const std::string& ip, std::time_t now);
// "<ip>_YYYY-MM-DD_hh-mm-ss_<last part of the remote name>".
ZX_EXPORT std::string CustomFileName(const std::string& ip, std::time_t now, const std::string& remoteName);

// The last part of a remote name: what follows its last separator, "/" or
// "\" whichever comes later, else the whole name; cut at 255 bytes.
ZX_EXPORT std::string RemoteNameTail(const std::string& remoteName);
// A text made fit to be part of one file name in one folder: separators and
// control characters become "_", and a part made only of dots is emptied, so
// no camera-supplied text can reach another folder.
ZX_EXPORT std::string SafeNamePart(const std::string& text);
// Cuts UTF-8 text to at most maxBytes bytes without splitting a character.
ZX_EXPORT std::string CutUtf8(const std::string& text, std::size_t maxBytes);
// The longest name one folder entry may have.
inline constexpr std::size_t kMaxFileNameBytes = 255;
