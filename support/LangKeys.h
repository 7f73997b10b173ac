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
