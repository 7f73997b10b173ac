#pragma once
// "%XX" escapes, as device names and file names travel in the family's
// protocol and names travel in ONVIF scopes.
#include "ZxExport.h"

#include <optional>
#include <string>
#include <string_view>

namespace vtwire {

// Every byte but the unreserved ones (letters, digits, "-", ".", "_", "~") becomes "%XX".
ZX_EXPORT std::string PercentEncode(std::string_view bytes);
// "%XX" sequences decoded; nullopt for a broken sequence.
ZX_EXPORT std::optional<std::string> PercentDecode(std::string_view text);

} // namespace vtwire
