#pragma once
#include "ZxExport.h"

#include <string>

// The rules of a camera's device name, whichever page or tool writes it.

// A device name is kept as UTF-8 in a field of 31 bytes: its size is its
// real UTF-8 length.
inline constexpr int kDeviceNameBytes = 31;
ZX_EXPORT int DeviceNameBytes(const std::wstring& name);
ZX_EXPORT bool DeviceNameFits(const std::wstring& name);

// True when the UTF-8 name holds any of & / \ : * ? ' " < > | %.
ZX_EXPORT bool HasForbiddenNameCharacter(const std::string& utf8Name);
