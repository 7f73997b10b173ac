#pragma once
#include <string>

#include "ZxExport.h"

// The folder that stands in for "beside the program file": the executable's
// own folder when it is writable (portable use, the build tree), else
// $XDG_DATA_HOME/zendrix (created on first use). Logs, TempFiles, LogFiles,
// ConfigFiles, CustomDownloadFiles and vtoem.cfg live below it.
ZX_EXPORT std::string PlatformProgramFolder();

// The folder that holds the language files: Lang beside the executable when it
// exists, else the installed share folder's Lang, else Lang in the program folder.
ZX_EXPORT std::string PlatformLangFolder();

// The folder of the running executable itself.
ZX_EXPORT std::string PlatformExecutableFolder();

// Points both folders at one place (tests, portable runs); an empty text
// returns to the rules above. The Lang folder then is <folder>/Lang.
ZX_EXPORT void PlatformSetProgramFolder(const std::string& folder);
