#include "SoapBody.h"

#include "SoapEnvelope.h"

#include <charconv>

namespace onvif {

std::string Element(std::string_view name, std::string_view value)
{
    std::string xml = "<";
    xml += name;
    xml += ">";
    xml += XmlEscape(value);
    xml += "</";
    xml += name;
    xml += ">";
    return xml;
}

std::string Flag(std::string_view name, bool value)
{
    return Element(name, std::string_view(value ? "true" : "false"));
}

std::string Number(std::string_view name, int value)
{
    return Element(name, std::to_string(value));
}

std::string DecimalText(float value)
{
    char text[32] = {};
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : "0";
}

std::string Decimal(std::string_view name, float value)
{
    return Element(name, DecimalText(value));
}

} // namespace onvif
