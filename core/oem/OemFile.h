#pragma once
#include "ZxExport.h"

#include <string>

// The OEM configuration file, vtoem.cfg: the branding a reseller gives the
// cameras, as the small INI text they read. Its bytes are fixed (CR LF after
// every line, a backslash before every backslash and apostrophe), so this is
// the one place they are made.

// What the operator typed in the OEM page (or passed to the terminal tool).
struct OemInfo
{
    std::wstring company; // trimmed here
    std::wstring website; // as typed
    std::wstring model;   // as typed
    std::wstring version; // trimmed here, read for its leading digits
};

// The value sizes of the file, terminator included, as the cameras take them.
inline constexpr int kOemCompanyBytes = 24;
inline constexpr int kOemWebsiteBytes = 128;
inline constexpr int kOemModelBytes = 32;
inline constexpr int kOemVersionBytes = 8;

// The software version number: the leading decimal digits of the trimmed
// text, 0 when it starts with anything else ("3b" is 3, "v3" and "-3" are 0).
ZX_EXPORT int OemSoftVersion(const std::wstring& version);

// "[oemsec]\r\ncompany=...\r\nmanufacture=...\r\nwebsite=...\r\nmodel=...\r\n
// softversion=N\r\n": values in the system code page, cut to their sizes.
// A line break or other control character in a value is dropped, so a value
// can never start a line of its own, and a cut never leaves half an escape.
ZX_EXPORT std::string OemFileText(const OemInfo& info);

// vtoem.cfg in the program folder; empty when there is no program folder
// (the file then has no place, and nothing may be written elsewhere).
ZX_EXPORT std::string OemFilePath();

// Writes the file for info at path, whole or not at all: after a failure the
// file an earlier upload left is still there but nothing may send it, so the
// caller stops. False when the folder cannot be written or path is empty.
ZX_EXPORT bool WriteOemFile(const std::string& path, const OemInfo& info);
