#pragma once
#include "ZxExport.h"

#include <string>

// A camera's hardware address as the lists and the panel show it.

// "%.2X:%.2X:%.2X:%.2X:%.2X:%.2X" of the six address bytes, or without colons.
ZX_EXPORT std::string FormatMac(const unsigned char* mac, bool colons = true);
// The MAC column's text: FormatMac, or empty for a camera whose address is
// not known yet (an ONVIF camera before a login: six zero bytes).
ZX_EXPORT std::string MacCellText(const unsigned char* mac);
// "[AA:BB:CC:DD:EE:FF]", the prefix of every per-camera panel line.
ZX_EXPORT std::wstring MacPrefix(const unsigned char* mac);
