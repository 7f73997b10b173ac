#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

// Texts of a camera's discovery record as the lists show them.

// When the camera started: now minus upTime seconds in local time,
// "%04d-%02d-%02d %02d:%02d:%02d"; empty for an unknown upTime (negative,
// as for an ONVIF camera, which does not tell it).
ZX_EXPORT std::wstring RunUpTimeText(std::time_t now, std::int32_t upTime);

// Text conversions of record fields: the name is UTF-8, the rest are in
// the system code page. A field is converted whole up to the longest text a
// record holds (a log row's detail, 255 bytes), so no field is cut.
ZX_EXPORT std::wstring NameText(const tagVtIpcInfo& info);
ZX_EXPORT std::wstring FieldText(const char* text);
inline constexpr std::size_t kFieldTextChars = 255;

// Copies UTF-8 text into a fixed record field, cut at a character boundary
// to fit; the rest of the field is zero, so equal texts give equal records.
template <std::size_t N>
void CopyRecordField(char (&field)[N], const std::string& text)
{
    std::size_t length = std::min(text.size(), N - 1);
    while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), length);
}
