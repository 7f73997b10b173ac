#pragma once
// Small builders of request bodies: one element with an escaped value. Pure
// functions: any thread.
#include <string>
#include <string_view>

namespace onvif {

// <name>escaped value</name>
std::string Element(std::string_view name, std::string_view value);
// <name>true</name> or false
std::string Flag(std::string_view name, bool value);
std::string Number(std::string_view name, int value);
// A decimal without needless digits: 25, 0.5, 128.25.
std::string DecimalText(float value);
std::string Decimal(std::string_view name, float value);

} // namespace onvif
