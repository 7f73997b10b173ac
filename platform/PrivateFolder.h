#pragma once
#include "ZxExport.h"

#include <string>

// Folders that hold what belongs to one user alone: the settings with the
// login password, the operation log and the downloaded files. Nothing here
// ever falls back to a folder other users share.

// The user's home folder: $HOME, else the password database's entry for the
// effective user; empty when neither gives an absolute path.
ZX_EXPORT std::string PlatformHomeFolder();

// An XDG base folder: the variable when it holds an absolute path, else
// <home>/<fallback below home>; empty without a home.
ZX_EXPORT std::string PlatformXdgFolder(const char* variable, const char* belowHome);

// Opens `path` as a folder only the effective user can change, creating it
// (mode 0700, missing parents as usual) when missing. It must be a real
// folder, not a symbolic link, owned by the effective user and writable by
// nobody else. Returns an O_DIRECTORY descriptor to work relative to (so the
// folder cannot be swapped between the check and the use), or -1 with the
// reason on the debug output.
ZX_EXPORT int PlatformOpenPrivateFolder(const std::string& path);
