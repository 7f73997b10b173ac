#pragma once
#include "Tivox.h"
#include "ZxExport.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// Which cameras of a page's list an operation may work on.

// True when another row's IP address text equals that of row, without regard
// to case: two cameras answering at one address cannot be told apart, so
// neither may be worked on until one of them changes.
ZX_EXPORT bool SharesAddress(const std::vector<std::string>& ips, std::size_t row);

// The first ticked row (in list order) whose address another row shares.
ZX_EXPORT std::optional<std::size_t> FirstTickedConflict(const std::vector<std::string>& ips,
                                                         const std::vector<bool>& ticked);

// The texts the search filter looks in on the pages that list a camera's
// identity and firmware: name, MAC with and without colons, IP, netmask,
// gateway, model and version.
ZX_EXPORT std::vector<std::wstring> IdentityMatchFields(const tagVtIpcInfo& info, std::time_t now);
