#include "RecordText.h"

#include "TextCodec.h"

#include <cwchar>

namespace {
std::wstring Convert(unsigned codePage, const char* text, std::size_t capacity)
{
    std::wstring out(capacity + 1, L'\0');
    CTextCodec::ToWide(codePage, text, out.data(), static_cast<int>(out.size()));
    return out.c_str();
}
} // namespace

std::wstring RunUpTimeText(std::time_t now, std::int32_t upTime)
{
    if (upTime < 0) {
        return {};
    }
    const std::time_t started = now - upTime;
    std::tm local{};
    localtime_r(&started, &local);
    wchar_t text[64];
    std::swprintf(text, 64, L"%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::wstring NameText(const tagVtIpcInfo& info)
{
    return Convert(kCodePageUtf8, info.devName, sizeof info.devName);
}

std::wstring FieldText(const char* text)
{
    return Convert(kCodePageAnsi, text, kFieldTextChars);
}
