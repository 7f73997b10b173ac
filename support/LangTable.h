#pragma once
#include "ZxExport.h"

#include <string>
#include <vector>

// Language tables: every visible text has a decimal key and a built-in English
// default; the language files "<Lang folder>/*.lng" translate the keys. The
// Lang folder is PlatformLangFolder(); the choice is remembered per user as
// "Language" in section "Main" of PlatformLanguageSettingsFile() (Language.ini
// in the Lang folder of a portable copy, else in the user's program folder).
//
// Nothing is cached: every lookup reads the current language file, so a file
// edited while the program runs is seen at once. All functions are safe to
// call from any thread.
//
// How the window side uses this header (Qt code in ui/, gui/ and pages/):
//
//   Start-up:     LangSelectStored(); then label everything with LangGetText.
//   Relabelling a window ("ABOUT", "DLGCUSTOMDL", "DLGLOG" and the like):
//                 for the window and every descendant widget carrying an
//                 unsigned "ctrlId" property, text = LangReadLabel(section,
//                 LangMenuKey(ctrlId)); when text is not empty set it as the
//                 widget's text, else leave the widget as it is.
//   Relabelling a menu (section "BTNMENU"), LangRelabelMenu(menu, section,
//                 prefix) with an empty prefix from the caller: for each
//                 position p of the menu's actions, skip separators and
//                 command ID 0; key = LangSubmenuKey(prefix, p) for an action
//                 that opens a submenu, else LangMenuKey(commandId); a
//                 non-empty LangReadLabel(section, key) becomes the text; then
//                 recurse into the submenu with its key as the prefix.
//   "Change Language" popup: LangPlanMenu() gives the items; the first item
//                 (replacesPlaceholder) retitles the placeholder action at
//                 position 0 and takes its command ID, the others are appended
//                 as checkable actions in one exclusive group; checkedId (when
//                 not 0) is the one to mark. On a chosen command ID for which
//                 LangIsActionableCommand() is true: mark it, call
//                 LangSelectByName(its text) and relabel every window. Other
//                 IDs change nothing.

// Reads key (decimal text, e.g. "20030") from section "PROMPT" of the current
// language file into out, at most outChars - 1 characters. When that yields
// no characters (no language selected, file, key or value missing, or the
// value empty) the default is copied instead, cut to outChars - 1 characters.
// Returns the count of characters written, terminator excluded; 0 and nothing
// written for a missing output or outChars below 1.
ZX_EXPORT int LangGetText(const char* key, wchar_t* out, int outChars, const wchar_t* defaultText);

// Convenience for callers that hold numeric keys: the text of key (up to 1024
// characters) or the default.
ZX_EXPORT std::wstring LangText(unsigned key, const wchar_t* defaultText);
// The same text with %1, %2 and so on replaced by the values (plain ASCII).
ZX_EXPORT std::wstring LangFilledText(unsigned key, const wchar_t* defaultText,
                                      const std::vector<std::string>& values);

// Selects the language whose display name equals name without regard to case
// (the first such file in list order). On a match the file becomes the current
// language file and the result is its LangID; without a match the current file
// stays and the result is 0. Either way the result is stored in Language.ini.
ZX_EXPORT int LangSelectByName(const std::wstring& displayName);

// Start-up selection: the first file whose LangID equals the stored one is
// selected by its display name (LangSelectByName); a stored value that no file
// carries, or none stored, selects nothing and stores 0. Returns the LangID
// selected, or 0.
ZX_EXPORT int LangSelectStored();

// The current language file's full path; empty while none is selected (every
// lookup then gives the built-in default).
ZX_EXPORT std::string LangCurrentFile();

// Returns to the built-in English texts (the current file becomes empty).
// Does not touch Language.ini.
ZX_EXPORT void LangClearSelection();

// One language file of the Lang folder.
struct LangFileInfo
{
    std::string fileName;     // e.g. "English.lng", no folder
    std::wstring displayName; // "Language" of section "LANGUAGE"
    unsigned langId = 0;      // "LangID" of section "LANGUAGE", 0 when absent
};

// Every "*.lng" regular file of the Lang folder (the extension compared
// without regard to case), in ascending byte order of the file names, so the
// order does not depend on the file system. Empty when there is no folder.
ZX_EXPORT std::vector<LangFileInfo> LangListFiles();

// The language identifier the user's locale asks for (LC_ALL, else
// LC_MESSAGES, else LANG): zh_CN, zh_SG and plain zh give 2052 (Simplified
// Chinese); everything else, English included, gives 1033 (US English).
ZX_EXPORT unsigned LangSystemDefaultId();

// Menu keys of a relabelling section: "%u" of a plain item's command ID;
// "|%u" of a submenu's top-level position, "<parent key>|%u" deeper down.
ZX_EXPORT std::string LangMenuKey(unsigned commandId);
ZX_EXPORT std::string LangSubmenuKey(const std::string& parentKey, unsigned position);

// The non-empty value of key in section of the current language file, at
// most 1023 characters (a 1024-character buffer); empty when there is none
// (then leave the label alone).
ZX_EXPORT std::wstring LangReadLabel(const std::string& section, const std::string& key);

inline constexpr unsigned kLangFirstCommandId = 99;    // placeholder's command ID
inline constexpr unsigned kLangCommandIdEnd = 149;     // at most 50 languages listed
inline constexpr unsigned kLangLastActionableId = 109; // choices beyond are ignored

// True for the command IDs whose choice switches the language (99-109).
ZX_EXPORT bool LangIsActionableCommand(unsigned commandId);

struct LangMenuItem
{
    unsigned commandId = 0;
    std::wstring text;
    bool replacesPlaceholder = false; // retitle the item at position 0
};

struct LangMenuPlan
{
    std::vector<LangMenuItem> items; // in menu order
    unsigned checkedId = 0;          // 0: mark nothing
    unsigned endCommandId = 0;       // one past the last ID handed out
    unsigned wantedLangId = 0;       // stored choice or the system default
};

// The "Change Language" popup as data. Wanted = the stored choice, else the
// system default; files are taken in LangListFiles order while the next ID is
// below kLangCommandIdEnd; a file with an empty display name adds no item but
// still uses up an ID; the last listed file with a display name whose LangID
// equals wanted is marked.
// Writes wanted back into Language.ini, so the system language is stored the
// first time the menu opens.
ZX_EXPORT LangMenuPlan LangPlanMenu(unsigned firstCommandId = kLangFirstCommandId);

// Full path of Language.ini.
ZX_EXPORT std::string LangSettingsFile();
