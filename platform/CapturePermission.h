#pragma once
#include "ZxExport.h"

#include <string>

// Whether this process may open capture devices and send raw frames. On Linux
// the kernel is the capture driver: it takes root, or the capabilities
// cap_net_raw and cap_net_admin on the program file (the installer sets them).

// True when the process holds what raw capture needs. It asks the kernel by
// opening (and at once closing) a packet socket bound to no protocol, which
// neither sends nor receives anything.
ZX_EXPORT bool PlatformCapturePermitted();

// Reads the effective capability mask from the text of /proc/self/status and
// tells whether both capture capabilities are in it; false when the line is
// missing or unreadable.
ZX_EXPORT bool PlatformStatusHasCaptureCaps(const std::string& statusText);
