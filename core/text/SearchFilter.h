#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <ctime>
#include <string>
#include <vector>

// The search box above a device list: which rows a filter text keeps.

// Trims blanks at both ends and lower-cases.
ZX_EXPORT std::wstring NormaliseFilter(const std::wstring& text);
// True for an empty filter, or when the filter is a substring of any field
// (each trimmed and lower-cased).
ZX_EXPORT bool MatchesFilter(const std::vector<std::wstring>& fields, const std::wstring& filter);
// The fields the network settings lists search: name, address with and
// without colons, IP, port, netmask, gateway, model, run-up time, version.
ZX_EXPORT std::vector<std::wstring> NetworkMatchFields(const tagVtIpcInfo& info, std::time_t now);
