#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

// Rules of the device lists and the network settings form, free of any
// window so that tests call them directly.

// "%.2X:%.2X:%.2X:%.2X:%.2X:%.2X" of the six address bytes, or without colons.
ZX_EXPORT std::string FormatMac(const unsigned char* mac, bool colons = true);
// "[AA:BB:CC:DD:EE:FF]", the prefix of every per-camera panel line.
ZX_EXPORT std::wstring MacPrefix(const unsigned char* mac);

// Exactly "%d.%d.%d.%d" with no blanks or leading zeros: an address has its
// first number 0-223, second 0-254, third 0-255, fourth 0-254.
ZX_EXPORT bool IsValidAddress(const std::string& text);
// A netmask: first number 1-255, the others 0-255.
ZX_EXPORT bool IsValidNetmask(const std::string& text);
// Reads "a.b.c.d"; a part that cannot be read counts as 0.
ZX_EXPORT void SplitAddress(const std::string& text, int parts[4]);

// The addresses for count ticked cameras starting at start: the last number
// runs from the start's up to 254 and wraps to 1 (a start of .0 begins at
// .1); the first three never change.
ZX_EXPORT std::vector<std::string> SequentialAddresses(const std::string& start, std::size_t count);

// Four numbers 0-255 separated by points, printed as "%d.%d.%d.%d" prints them.
ZX_EXPORT bool IsDottedQuad(const std::string& text);

// The camera's web address: "http://ip" on port 80, else "http://ip:port";
// empty when the camera's IP text is not a dotted address or its port is
// outside 1-65535, so that nothing is opened.
ZX_EXPORT std::string WebAddress(const tagVtIpcInfo& info);

// When the camera started: now minus upTime seconds in local time,
// "%04d-%02d-%02d %02d:%02d:%02d".
ZX_EXPORT std::wstring RunUpTimeText(std::time_t now, std::int32_t upTime);

// Text conversions of record fields: the name is UTF-8, the rest are in
// the system code page. A field is converted whole up to the longest text a
// record holds (a log row's detail, 255 bytes), so no field is cut.
ZX_EXPORT std::wstring NameText(const tagVtIpcInfo& info);
ZX_EXPORT std::wstring FieldText(const char* text);
inline constexpr std::size_t kFieldTextChars = 255;

// Trims blanks at both ends and lower-cases.
ZX_EXPORT std::wstring NormaliseFilter(const std::wstring& text);
// True for an empty filter, or when the filter is a substring of any field
// (each trimmed and lower-cased).
ZX_EXPORT bool MatchesFilter(const std::vector<std::wstring>& fields, const std::wstring& filter);
// The fields the network settings lists search: name, address with and
// without colons, IP, port, netmask, gateway, model, run-up time, version.
ZX_EXPORT std::vector<std::wstring> NetworkMatchFields(const tagVtIpcInfo& info, std::time_t now);

// A device name is kept as UTF-8 in a field of 31 bytes, whichever page or
// tool writes it: its size is its real UTF-8 length.
inline constexpr int kDeviceNameBytes = 31;
ZX_EXPORT int DeviceNameBytes(const std::wstring& name);
ZX_EXPORT bool DeviceNameFits(const std::wstring& name);

// True when the UTF-8 name holds any of & / \ : * ? ' " < > | %.
ZX_EXPORT bool HasForbiddenNameCharacter(const std::string& utf8Name);

// Rows counted per model in order of first appearance; at most 48 models,
// rows of any later model are not counted.
ZX_EXPORT std::vector<std::pair<std::string, int>> CountByModel(const std::vector<std::string>& models);

// Text of an operation-panel line: stamped lines start with the bracketed
// local time, continuation lines with 38 blanks; control characters in the
// text are escaped (EscapeLogText); cut to 2047 characters.
ZX_EXPORT std::wstring FormatPanelLine(const std::wstring& text, bool stamped, std::time_t now);
inline constexpr int kPanelLineLimit = 100;
