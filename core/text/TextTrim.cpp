#include "TextTrim.h"

#include <cwctype>

std::wstring Trimmed(const std::wstring& text)
{
    const auto blank = [](wchar_t c) { return std::iswspace(c) != 0; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}
