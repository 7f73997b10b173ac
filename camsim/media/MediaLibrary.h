#pragma once
// What the simulator keeps for the OEM and video side of its cameras: the
// folder the OEM files they receive are kept in, and how many live streams
// run.
#include "SimCamera.h"

#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace camsim {

inline constexpr size_t kMaxOemFiles = 64;

struct MediaOptions
{
    std::string filesDir; // empty: a folder of its own under /tmp, removed at exit
    int maxStreams = 8;   // live streams of all cameras at once
};

// Takes --files-dir DIR and --max-streams N out of `args`; false with a
// message for a bad value.
bool TakeMediaOptions(std::vector<std::string>& args, MediaOptions& options, std::string& message);
const char* MediaUsage();

// A plain file name: 1-255 bytes, no '/', '\\' or NUL, not "." or "..".
bool IsPlainFileName(std::string_view name);

class MediaLibrary
{
public:
    explicit MediaLibrary(MediaOptions options);
    ~MediaLibrary(); // removes a folder it made itself
    MediaLibrary(const MediaLibrary&) = delete;
    MediaLibrary& operator=(const MediaLibrary&) = delete;

    // Creates the files folder; false with a message.
    bool Open(std::string& error);

    // The folder of a camera's OEM files: FOLDER/MAC as 12 hex digits/oem.
    std::filesystem::path OemFolder(const MacAddress& mac) const;
    // Where an OEM file of that name goes (its folder made), or nullopt for a
    // name that is not a plain file name or when the camera holds too many.
    std::optional<std::filesystem::path> OemTarget(const MacAddress& mac, std::string_view fileName) const;

    // A live stream may start while fewer than maxStreams run.
    bool BeginStream();
    void EndStream();

private:
    MediaOptions options_;
    std::filesystem::path root_;
    bool ownRoot_ = false;
    std::mutex mutex_;
    int streams_ = 0;
};

} // namespace camsim
