#pragma once
#include "ZxExport.h"

#include <cstddef>
#include <string>

// The per-user settings store. It keeps the key paths and value names a
// registry would hold, in one INI file per user:
//   $XDG_CONFIG_HOME/Vantrel Zendrix/settings.ini (else <home>/.config/...,
//   the home from $HOME or else the password database),
// one section per key path, file mode 0600 (the password may be kept in it).
// The folder must be the user's own (no link, nobody else may write to it),
// else nothing is read from or written to it. Writes go through a scratch
// file of a unique name, created anew and renamed over the store, so a crash
// never leaves half a file and no planted file or link is ever written through.

// The hive a key path lives under. Only the current user's hive exists;
// RegRootNone stands for a missing root and makes every call fail.
enum RegRoot
{
    RegRootNone = 0,
    RegRootCurrentUser = 1
};

// Value types. Strings are stored as their characters; the byte count of a
// string is sizeof(wchar_t) times the character count, without a terminator.
enum RegValueType
{
    RegTypeString = 1
};

struct RegKey;

// Copies the stored string, or the default when the key or value is missing,
// into out, cut to outChars - 1 characters and always terminated.
ZX_EXPORT void RegReadString(RegRoot root, const wchar_t* subkey, const wchar_t* valueName,
                             const wchar_t* defaultText, wchar_t* out, std::size_t outChars);

// Creates the key path if needed and writes the value; 1 on success, 0 when the
// key cannot be created or the file cannot be written.
ZX_EXPORT int RegWriteValue(RegRoot root, const wchar_t* subkey, const wchar_t* valueName, const void* data,
                            std::size_t byteCount, RegValueType type);

// Creates the key path; 0 for a missing root, an empty subkey or a failed
// creation, else 1. With key non-null the open key is handed out and must be
// closed with RegCloseKeyPath.
ZX_EXPORT int RegCreateKeyPath(RegRoot root, const wchar_t* subkey, RegKey** key);
ZX_EXPORT void RegCloseKeyPath(RegKey* key);

// Removes a value; 1 when it is gone (or never was), 0 when the file cannot be written.
ZX_EXPORT int RegDeleteValue(RegRoot root, const wchar_t* subkey, const wchar_t* valueName);

// The file that holds the store, for the user's information and for tests;
// empty when the user has no home.
ZX_EXPORT std::string RegStoreFile();
