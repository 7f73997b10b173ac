#pragma once
#include <string>

#include "ZxExport.h"

// The folder that stands in for "beside the program file": the executable's
// own folder for a build tree or a portable unpack that the user owns and
// nobody else may write to, never a system folder (/usr, /opt, ... also not
// for root); else the per-user data folder $XDG_DATA_HOME/zendrix (else
// <home>/.local/share/zendrix), created 0700 on first use and used only when
// it is the user's own. Logs, TempFiles, LogFiles, ConfigFiles,
// CustomDownloadFiles and vtoem.cfg live below it. Empty when no such folder
// can be had (no home at all, or a data folder someone else controls): the
// program then refuses to start rather than write elsewhere.
ZX_EXPORT std::string PlatformProgramFolder();

// The rule above for an executable in `executableFolder`, for tests.
ZX_EXPORT std::string PlatformProgramFolderFor(const std::string& executableFolder);

// The folder that holds the language files: Lang beside the executable when it
// exists, else the installed share folder's Lang, else Lang in the program folder.
ZX_EXPORT std::string PlatformLangFolder();

// Where the user's choice of language is remembered: Language.ini in the Lang
// folder when that lies in the program folder and is the user's own (a
// portable copy, the build tree), else Language.ini in the program folder, so
// each user keeps a choice even when the installed Lang folder is read-only.
ZX_EXPORT std::string PlatformLanguageSettingsFile();

// The folder of the running executable itself.
ZX_EXPORT std::string PlatformExecutableFolder();

// Points both folders at one place (tests, portable runs); an empty text
// returns to the rules above. The Lang folder then is <folder>/Lang.
ZX_EXPORT void PlatformSetProgramFolder(const std::string& folder);
