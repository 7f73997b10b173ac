#pragma once
// What the simulator keeps for the file and video side of its cameras: the
// folder their files live in, how long flashing takes, which cameras are
// flashing now, and how many live streams run.
#include "CameraFiles.h"
#include "SimCamera.h"
#include "WorkerPool.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace camsim {

struct MediaOptions
{
    std::string filesDir; // empty: a folder of its own under /tmp, removed at exit
    int flashMs = 3000;   // an accepted image flashes this long before the reboot
    int logRows = 600;    // entries of a camera's event log
    int maxStreams = 8;   // live streams of all cameras at once
};

// Takes --files-dir DIR, --flash-ms MS, --log-rows N and --max-streams N out
// of `args`; false with a message for a bad value.
bool TakeMediaOptions(std::vector<std::string>& args, MediaOptions& options, std::string& message);
const char* MediaUsage();

class MediaLibrary
{
public:
    explicit MediaLibrary(MediaOptions options);
    ~MediaLibrary(); // stops pending flashes; removes a folder it made itself
    MediaLibrary(const MediaLibrary&) = delete;
    MediaLibrary& operator=(const MediaLibrary&) = delete;

    // Creates the files folder; false with a message.
    bool Open(std::string& error);
    const MediaOptions& Options() const { return options_; }

    // The camera's files, prepared on first use.
    std::optional<CameraFiles> FilesOf(const MacAddress& mac, std::string& error);
    static std::string FolderName(const MacAddress& mac);

    // Marks the camera flashing; false when it already is.
    bool BeginFlash(const MacAddress& mac);
    bool Flashing(const MacAddress& mac) const;
    // An image that did not arrive whole: no flash after all.
    void CancelFlash(const MacAddress& mac);
    // Runs `done` after the flash time, then clears the mark.
    void FinishFlashLater(const MacAddress& mac, std::function<void()> done);
    std::string KernelVersion(const MacAddress& mac) const;
    // A flashed image's version, kept until the camera's next start.
    void SetVersionAfterReboot(const MacAddress& mac, bool kernel, std::string version);
    // At a start: the firmware version goes into `sim`, the kernel's is kept here.
    void ApplyVersionAfterReboot(SimCamera& sim);

    // A live stream may start while fewer than maxStreams run.
    bool BeginStream();
    void EndStream();

private:
    MediaOptions options_;
    std::filesystem::path root_;
    bool ownRoot_ = false;
    mutable std::mutex mutex_;
    std::set<MacAddress> prepared_;
    std::set<MacAddress> flashing_;
    std::map<MacAddress, std::string> kernels_;
    std::map<MacAddress, std::pair<bool, std::string>> afterReboot_; // kernel?, version
    int streams_ = 0;
    Scheduler scheduler_; // last: stopped first
};

} // namespace camsim
