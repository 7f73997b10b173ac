#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <cstddef>
#include <string>
#include <vector>

// Checks and sequences of IPv4 addresses as the operator types them.

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
