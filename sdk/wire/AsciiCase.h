#pragma once
// Header and parameter names of HTTP compare without regard to ASCII case.
#include <cctype>
#include <string>
#include <string_view>

namespace vtwire {

inline std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace vtwire
