#include "OnvifAnswerFields.h"

#include <charconv>
#include <cmath>

namespace onvif {

bool FieldText(pugi::xml_node node, std::string& out)
{
    return TextOf(node, kMaxFieldBytes, out);
}

bool FieldBool(pugi::xml_node node, bool& out)
{
    if (!node) {
        return true;
    }
    std::string text;
    if (!FieldText(node, text)) {
        return false;
    }
    if (text == "true" || text == "1") {
        out = true;
        return true;
    }
    if (text == "false" || text == "0") {
        out = false;
        return true;
    }
    return false;
}

bool FieldInt(pugi::xml_node node, int& out, int low, int high)
{
    std::string text;
    if (!FieldText(node, text)) {
        return false;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool FieldFloat(std::string_view text, float& out, float low, float high)
{
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool FieldFloat(pugi::xml_node node, float& out, float low, float high)
{
    std::string text;
    return FieldText(node, text) && FieldFloat(text, out, low, high);
}

bool IsResponse(pugi::xml_node body, std::string_view responseName)
{
    return body && LocalName(body.name()) == responseName;
}

} // namespace onvif
