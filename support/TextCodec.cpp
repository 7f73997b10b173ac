#include "TextCodec.h"

#include "Charset.h"

#include <algorithm>
#include <cstring>
#include <string>

int CTextCodec::ToWide(unsigned codePage, const char* text, wchar_t* out, int outChars)
{
    if (out != nullptr && outChars > 0) {
        out[0] = L'\0';
    }
    if (text == nullptr || out == nullptr || outChars < 1 || *text == '\0') {
        return 0;
    }
    const std::string charset = zxcharset::CharsetOfCodePage(codePage);
    if (charset.empty()) {
        return 0;
    }
    const std::wstring wide = zxcharset::Decode(charset, std::string_view(text, std::strlen(text)));
    const std::size_t n = std::min(wide.size(), static_cast<std::size_t>(outChars - 1));
    wide.copy(out, n);
    out[n] = L'\0';
    return n == 0 ? 0 : static_cast<int>(n + 1);
}

namespace {

int Convert(unsigned codePage, const wchar_t* text, char* out, int outBytes, bool escape)
{
    if (out != nullptr && outBytes > 0) {
        out[0] = '\0';
    }
    if (text == nullptr || out == nullptr || outBytes < 1 || *text == L'\0') {
        return 0;
    }
    const std::string charset = zxcharset::CharsetOfCodePage(codePage);
    if (charset.empty()) {
        return 0;
    }
    const auto limit = static_cast<std::size_t>(outBytes - 1);
    std::wstring copy;
    for (const wchar_t* p = text; *p != L'\0' && copy.size() < limit; ++p) {
        if (escape && (*p == L'\\' || *p == L'\'')) {
            copy += L'\\';
        }
        copy += *p;
    }
    if (copy.size() > limit) {
        copy.resize(limit);
    }
    const auto narrow = zxcharset::Encode(charset, copy, limit, false);
    if (!narrow) {
        return 0;
    }
    narrow->copy(out, narrow->size());
    out[narrow->size()] = '\0';
    return narrow->empty() ? 0 : static_cast<int>(narrow->size() + 1);
}

} // namespace

int CTextCodec::ToNarrow(unsigned codePage, const wchar_t* text, char* out, int outBytes)
{
    return Convert(codePage, text, out, outBytes, true);
}

int CTextCodec::ToNarrowAsTyped(unsigned codePage, const wchar_t* text, char* out, int outBytes)
{
    return Convert(codePage, text, out, outBytes, false);
}
