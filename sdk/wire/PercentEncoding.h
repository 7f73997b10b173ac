#pragma once
// "%XX" escapes, as device names and file names travel in the protocol.
#include <optional>
#include <string>
#include <string_view>

namespace vtwire {

// Every byte but the unreserved ones (letters, digits, "-", ".", "_", "~") becomes "%XX".
std::string PercentEncode(std::string_view bytes);
// "%XX" sequences decoded; nullopt for a broken sequence.
std::optional<std::string> PercentDecode(std::string_view text);

} // namespace vtwire
