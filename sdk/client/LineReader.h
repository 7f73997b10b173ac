#pragma once
// Takes one line (up to LF, a CR before it dropped) from the front of buffered
// bytes; false while the line is not complete.
#include <string>

namespace vtclient {

inline bool TakeLine(std::string& pending, std::string& line)
{
    const size_t end = pending.find('\n');
    if (end == std::string::npos) {
        return false;
    }
    line.assign(pending, 0, end);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    pending.erase(0, end + 1);
    return true;
}

} // namespace vtclient
