#pragma once
// What the simulator keeps for the live video of all its cameras: how many
// streams may run at once, since each holds a web worker while it runs.
#include <mutex>
#include <string>
#include <vector>

namespace camsim {

struct MediaOptions
{
    int maxStreams = 8; // live streams of all cameras at once
};

// Takes --max-streams N out of `args`; false with a message for a bad value.
bool TakeMediaOptions(std::vector<std::string>& args, MediaOptions& options, std::string& message);
const char* MediaUsage();

class MediaLibrary
{
public:
    explicit MediaLibrary(MediaOptions options) : options_(options) {}

    // A live stream may start while fewer than maxStreams run.
    bool BeginStream();
    void EndStream();

private:
    MediaOptions options_;
    std::mutex mutex_;
    int streams_ = 0;
};

} // namespace camsim
