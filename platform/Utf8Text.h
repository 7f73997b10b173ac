#pragma once
#include "ZxExport.h"

#include <string>

// UTF-8 <-> wide text by hand, independent of the process locale. For texts
// that are UTF-8 by definition (the settings file, device names); anything in
// the system code page goes through the text codec instead.
ZX_EXPORT std::string PlatformToUtf8(const std::wstring& text);
// Encodes one character (a surrogate or out-of-range value becomes U+FFFD).
ZX_EXPORT void PlatformAppendUtf8(std::string& out, char32_t c);
// Malformed or truncated sequences end the text.
ZX_EXPORT std::wstring PlatformFromUtf8(const std::string& text);
