#pragma once
#include "ZxExport.h"

#include <string>

// The text of a box without the blanks around it, as every form reads its
// boxes.
ZX_EXPORT std::wstring Trimmed(const std::wstring& text);
