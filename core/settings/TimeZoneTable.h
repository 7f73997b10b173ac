#pragma once
#include "ZxExport.h"

#include <cstddef>
#include <optional>
#include <string>

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

// The row's offset east of UTC in minutes, from the number its caption starts
// with ("5.5 India" -> 330, "-4.5 Venezuela" -> -270); nullopt outside 0..116.
ZX_EXPORT std::optional<int> TimeZoneOffsetMinutes(int row);

// The row's zone as a POSIX TZ string, as an ONVIF camera takes it. POSIX
// counts the offset west of UTC, so its sign is the caption's inverted:
// "8 China" -> "UTC-8", "5.5 India" -> "UTC-5:30", "-4.5 Venezuela" ->
// "UTC4:30". Empty outside 0..116. Daylight saving is not part of the string:
// the camera gets it as its own flag.
ZX_EXPORT std::string TimeZoneToPosix(int row);

// The row of a POSIX TZ string's standard offset (any name, quoted "<+08>"
// names too, a daylight-saving part ignored): the default row when it has that
// offset, else the first row that has it; -1 when the text is no POSIX TZ
// string or no row has its offset. Several zones share an offset, so a row
// read back is the first of its offset, not necessarily the one written.
ZX_EXPORT int PosixToTimeZone(const std::string& posix);
