#include "LogText.h"

#include "Charset.h"
#include "Utf8Text.h"

#include <cstdio>

namespace {

// The escape of one control character, in plain ASCII.
std::string Escape(char32_t c)
{
    switch (c) {
    case U'\n':
        return "\\n";
    case U'\r':
        return "\\r";
    case U'\t':
        return "\\t";
    default:
        break;
    }
    char text[16];
    std::snprintf(text, sizeof text, c <= 0xFF ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
    return text;
}

} // namespace

bool IsLogControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

std::wstring EscapeLogText(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        const auto c = static_cast<char32_t>(wc);
        if (IsLogControl(c)) {
            const std::string escape = Escape(c);
            out.append(escape.begin(), escape.end());
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            out += zxcharset::kReplacement;
        } else {
            out += wc;
        }
    }
    return out;
}

std::string EscapeLogText(std::string_view utf8)
{
    return PlatformToUtf8(EscapeLogText(zxcharset::DecodeUtf8(utf8)));
}
