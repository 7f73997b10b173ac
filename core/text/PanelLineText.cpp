#include "PanelLineText.h"

#include "LogText.h"

#include <cwchar>

std::wstring FormatPanelLine(const std::wstring& text, bool stamped, std::time_t now)
{
    constexpr std::size_t kMaxLine = 2047;
    std::wstring line;
    if (stamped) {
        std::tm local{};
        localtime_r(&now, &local);
        wchar_t stamp[64];
        std::swprintf(stamp, 64, L"[%04d-%02d-%02d %02d:%02d:%02d] ", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        line = stamp;
    } else {
        line.assign(38, L' ');
    }
    // Lines carry what cameras report: a line end or a control character in
    // a name must not make a line of its own.
    line += EscapeLogText(text);
    if (line.size() > kMaxLine) {
        line.resize(kMaxLine);
    }
    return line;
}
