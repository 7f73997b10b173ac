#pragma once
#include "ZxExport.h"

#include <cstddef>

// The time zones a camera knows, as the operator picks them. A camera is sent
// the row number, not the text, so the order is fixed for good: a new zone
// could only go at the end. The captions are shown exactly as written, the
// "&amp;" of row 26 and the underscore of row 111 included, and are not
// translated.
inline constexpr std::size_t kTimeZoneCount = 117;
// Row 100, "8 China (Beijing)": where a fresh page starts.
inline constexpr int kDefaultTimeZone = 100;

// The caption of a row; nullptr outside 0..116.
ZX_EXPORT const char* TimeZoneCaption(int row);
