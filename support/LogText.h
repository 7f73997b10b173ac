#pragma once
#include "ZxExport.h"

#include <string>
#include <string_view>

// Text that came from outside the program (a camera's name, address, model...)
// made safe for a one-line record: the operation log, the trace and the
// operation panel. Control characters (C0, DEL, C1, and the Unicode line and
// paragraph separators) are written as escapes, "\n", "\r", "\t" or "\xHH" /
// "\uHHHH", so no such text can start a line of its own; everything else is
// kept as it is.

// The characters that are escaped.
ZX_EXPORT bool IsLogControl(char32_t c);

// UTF-8 in, valid UTF-8 out: invalid or truncated sequences become U+FFFD.
ZX_EXPORT std::string EscapeLogText(std::string_view utf8);
// Wide text in, wide text out.
ZX_EXPORT std::wstring EscapeLogText(std::wstring_view text);
