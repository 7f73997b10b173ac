#pragma once
#include "ZxExport.h"

#include <cstddef>

// The text keys of the program with their built-in English defaults, in
// ascending key order. Windows pass the default to LangGetText; the English
// language file carries the same texts.
struct LangKeyText
{
    unsigned key;
    const wchar_t* english;
};

ZX_EXPORT const LangKeyText* LangKeyTable();
ZX_EXPORT std::size_t LangKeyCount();

// The English default of key; nullptr when key is not one of the program's keys.
ZX_EXPORT const wchar_t* LangDefaultText(unsigned key);

// Control IDs of the dialogs relabelled by section (the "ctrlId" property of
// their widgets); the language files carry their texts under these IDs.
namespace LangControl {
inline constexpr unsigned kOk = 1;     // ABOUT, DLGCUSTOMDL: OK button
inline constexpr unsigned kCancel = 2; // DLGCUSTOMDL: Cancel button
// ABOUT
inline constexpr unsigned kAboutVersion = 1001; // "Version" (the version number is appended)
inline constexpr unsigned kAboutProduct = 1002; // "Vantrel Zendrix"
inline constexpr unsigned kAboutWebLink = 1003; // "Visit the Vantrel web site"
// DLGCUSTOMDL
inline constexpr unsigned kCustomFileType = 1001; // "File Type:"
inline constexpr unsigned kCustomFileName = 1002; // "Remote File Name:"
// DLGLOG
inline constexpr unsigned kLogMainType = 1001;       // "Main Type:"
inline constexpr unsigned kLogSubType = 1002;        // "Sub Type:"
inline constexpr unsigned kLogStartTime = 1003;      // "Start Time:"
inline constexpr unsigned kLogEndTime = 1004;        // "End Time:"
inline constexpr unsigned kLogShow = 1005;           // "Show Log"
inline constexpr unsigned kLogDownload = 1006;       // "Download Log"
inline constexpr unsigned kLogExportConfig = 1007;   // "Export Config"
inline constexpr unsigned kLogCustomDownload = 1008; // "Custom Download"
inline constexpr unsigned kLogGoToPage = 1009;       // "Go"
inline constexpr unsigned kLogPage = 1010;           // "Page"
// BTNMENU: the About item of the main window's button menu.
inline constexpr unsigned kMenuAbout = 32773; // "&About Vantrel Zendrix"
} // namespace LangControl

// Keys of the log sub types, which only the language files name: the entry
// for all sub types, then 31000 + each sub type code of the four main types.
inline constexpr unsigned kLangAllSubTypesKey = 31010;
