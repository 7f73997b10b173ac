#pragma once
// Reading single values and lists out of an answer body, the same way for
// every service: a text longer than its bound, a number that is no number or
// out of range, or a list longer than kMaxListItems makes the whole answer
// bad rather than half-read. Pure functions: any thread.
#include "OnvifXml.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace onvif {

inline constexpr std::size_t kMaxFieldBytes = 512;
inline constexpr std::size_t kMaxListItems = 64;

// The element's trimmed text, at most kMaxFieldBytes.
bool FieldText(pugi::xml_node node, std::string& out);

// A present element must hold "true"/"false"/"1"/"0"; an absent one leaves `out`.
bool FieldBool(pugi::xml_node node, bool& out);

// A whole number within low..high.
bool FieldInt(pugi::xml_node node, int& out, int low, int high);

// A decimal number within low..high (a camera may write "50" or "50.0").
bool FieldFloat(std::string_view text, float& out, float low, float high);
bool FieldFloat(pugi::xml_node node, float& out, float low, float high);

// Calls `read` on every child element named `localName`; false when one fails
// or when there are more than kMaxListItems.
template <typename Read> bool EachChild(pugi::xml_node parent, std::string_view localName, Read read)
{
    std::size_t count = 0;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element || LocalName(child.name()) != localName) {
            continue;
        }
        if (++count > kMaxListItems || !read(child)) {
            return false;
        }
    }
    return true;
}

// The answer of a call that returns nothing but its response element.
bool IsResponse(pugi::xml_node body, std::string_view responseName);

} // namespace onvif
