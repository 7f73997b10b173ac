#pragma once
// The small human-readable page a camera serves at "/".
#include "LiveCamera.h"

#include <string>
#include <string_view>

namespace camsim {

std::string HtmlEscape(std::string_view text);
// The caller holds the camera's mutex.
std::string StatusPageHtml(const LiveCamera& camera);

} // namespace camsim
