#pragma once
#include "ZxExport.h"

#include <ctime>
#include <string>

// Text of an operation-panel line: stamped lines start with the bracketed
// local time, continuation lines with 38 blanks; control characters in the
// text are escaped (EscapeLogText); cut to 2047 characters.
ZX_EXPORT std::wstring FormatPanelLine(const std::wstring& text, bool stamped, std::time_t now);
inline constexpr int kPanelLineLimit = 100;
