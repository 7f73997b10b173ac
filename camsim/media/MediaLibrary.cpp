#include "MediaLibrary.h"

#include <charconv>

namespace camsim {

const char* MediaUsage()
{
    return "                [--max-streams N]\n";
}

bool TakeMediaOptions(std::vector<std::string>& args, MediaOptions& options, std::string& message)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--max-streams") {
            rest.push_back(args[i]);
            continue;
        }
        const std::string value = i + 1 < args.size() ? args[++i] : std::string();
        int count = 0;
        const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), count);
        if (value.empty() || ec != std::errc() || ptr != value.data() + value.size() || count < 1 ||
            count > 4096) {
            message = "vtcamsim: --max-streams must be 1 to 4096\n";
            return false;
        }
        options.maxStreams = count;
    }
    args.swap(rest);
    return true;
}

bool MediaLibrary::BeginStream()
{
    std::lock_guard lock(mutex_);
    if (streams_ >= options_.maxStreams) {
        return false;
    }
    ++streams_;
    return true;
}

void MediaLibrary::EndStream()
{
    std::lock_guard lock(mutex_);
    --streams_;
}

} // namespace camsim
