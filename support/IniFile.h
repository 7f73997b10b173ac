#pragma once
#include "ZxExport.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A private-profile (INI) file read the way Windows reads one:
// - encoding from the first bytes: FF FE is UTF-16LE, FE FF is UTF-16BE,
//   EF BB BF is UTF-8, anything else is the locale's character set;
// - lines end in CR LF, LF or CR; leading and trailing blanks are ignored;
// - "[name]" opens a section, "key=value" is an entry, a line starting with
//   ';' is a comment, lines before the first section belong to no section;
// - section and key names compare without regard to case, the first match
//   wins; a value enclosed in matching double or single quotes loses them.
// Malformed input (odd byte counts, lone surrogates, invalid bytes, NULs,
// missing brackets) never fails: it decodes to replacement characters or
// lines that match nothing.

enum class IniEncoding
{
    Ansi,
    Utf8Bom,
    Utf16LeBom,
    Utf16BeBom
};

struct IniLine
{
    std::size_t byteBegin = 0; // offset of the line's first byte in the file
    std::size_t byteEnd = 0;   // offset just past its last byte, line end excluded
    std::wstring text;         // the decoded line
};

struct IniDocument
{
    IniEncoding encoding = IniEncoding::Ansi;
    std::vector<IniLine> lines;
};

// Splits and decodes the bytes of a file. Never fails.
ZX_EXPORT IniDocument IniParse(std::string_view bytes);

// The value of key in section, or nothing when the section or key is absent.
// A line without '=' inside a section counts as a key with an empty value.
ZX_EXPORT std::optional<std::wstring> IniFindValue(const IniDocument& doc, std::wstring_view section,
                                                   std::wstring_view key);

// Reads and parses a file; nothing when it cannot be read or is no regular
// file (a pipe or device never blocks the reader). A file above
// 16 MiB is no language or settings file and reads as empty.
ZX_EXPORT std::optional<IniDocument> IniLoad(const std::string& path);

// Reads the file and looks the value up; nothing when the file cannot be read.
ZX_EXPORT std::optional<std::wstring> IniReadValue(const std::string& path, std::wstring_view section,
                                                   std::wstring_view key);

// The number in a value as GetPrivateProfileInt reads it: leading blanks, an
// optional sign, decimal digits up to the first non-digit, wrapped to 32 bits.
ZX_EXPORT int IniParseInt(std::wstring_view value);

// Like GetPrivateProfileInt: the decimal value with an optional sign, stopping
// at the first non-digit (so "12ab" is 12 and "abc" is 0); fallback when the
// key is absent or the file is missing.
ZX_EXPORT int IniReadInt(const std::string& path, std::wstring_view section, std::wstring_view key,
                         int fallback);

// Sets key in section to value, keeping every other byte of the file as it
// was and its encoding: the first matching entry is replaced, a missing key is
// added after the last entry of the first matching section, a missing section
// is appended at the end. A missing file is created as plain text.
// Returns false when the file cannot be written (or the text cannot be held by
// the file's encoding: nothing is written then).
ZX_EXPORT bool IniWriteValue(const std::string& path, std::wstring_view section, std::wstring_view key,
                             std::wstring_view value);

// Replaces the file at path with bytes, whole or not at all: the bytes go to
// a fresh file beside it that is renamed over it only when all were written.
// A new file gets mode 0644, a replaced one keeps its mode. False when the
// folder cannot be written or the disk fills; the old file is then untouched.
ZX_EXPORT bool WriteWholeFile(const std::string& path, const std::string& bytes);

// Case-insensitive comparison used for section, key and language names:
// ASCII, Latin-1, Greek and Cyrillic letters fold to lower case.
ZX_EXPORT bool IniEqualNoCase(std::wstring_view a, std::wstring_view b);
