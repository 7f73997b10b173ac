#include "MediaLibrary.h"

#include <charconv>
#include <cstdlib>
#include <unistd.h>

namespace camsim {
namespace fs = std::filesystem;

namespace {

bool ParseCount(const std::string& text, int low, int high, int& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

} // namespace

const char* MediaUsage()
{
    return "                [--files-dir DIR] [--flash-ms MS] [--log-rows N] [--max-streams N]\n";
}

bool TakeMediaOptions(std::vector<std::string>& args, MediaOptions& options, std::string& message)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const bool ours = option == "--files-dir" || option == "--flash-ms" || option == "--log-rows" ||
                          option == "--max-streams";
        if (!ours) {
            rest.push_back(option);
            continue;
        }
        if (i + 1 >= args.size()) {
            message = "vtcamsim: " + option + " needs a value\n";
            return false;
        }
        const std::string& value = args[++i];
        bool good = true;
        if (option == "--files-dir") {
            good = !value.empty();
            options.filesDir = value;
        } else if (option == "--flash-ms") {
            good = ParseCount(value, 0, 600000, options.flashMs);
        } else if (option == "--log-rows") {
            good = ParseCount(value, 0, 1000000, options.logRows);
        } else {
            good = ParseCount(value, 1, 4096, options.maxStreams);
        }
        if (!good) {
            message = "vtcamsim: bad value for " + option + ": " + value + "\n";
            return false;
        }
    }
    args.swap(rest);
    return true;
}

MediaLibrary::MediaLibrary(MediaOptions options) : options_(std::move(options)) {}

MediaLibrary::~MediaLibrary()
{
    scheduler_.Stop();
    if (ownRoot_) {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
}

bool MediaLibrary::Open(std::string& error)
{
    std::error_code ec;
    if (!options_.filesDir.empty()) {
        root_ = options_.filesDir;
        fs::create_directories(root_, ec);
        if (ec) {
            error = "cannot create " + root_.string() + ": " + ec.message();
            return false;
        }
        return true;
    }
    std::string pattern = (fs::temp_directory_path(ec) / "vtcamsim-files-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a files folder under /tmp";
        return false;
    }
    root_ = pattern;
    ownRoot_ = true;
    return true;
}

std::string MediaLibrary::FolderName(const MacAddress& mac)
{
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return text;
}

std::optional<CameraFiles> MediaLibrary::FilesOf(const MacAddress& mac, std::string& error)
{
    uint32_t seed = 0;
    for (const unsigned char byte : mac) {
        seed = seed * 131 + byte;
    }
    CameraFiles files(root_ / FolderName(mac), seed);
    std::lock_guard lock(mutex_);
    if (prepared_.count(mac) == 0) {
        if (!files.Prepare(error)) {
            return std::nullopt;
        }
        prepared_.insert(mac);
    }
    return files;
}

bool MediaLibrary::BeginFlash(const MacAddress& mac)
{
    std::lock_guard lock(mutex_);
    return flashing_.insert(mac).second;
}

bool MediaLibrary::Flashing(const MacAddress& mac) const
{
    std::lock_guard lock(mutex_);
    return flashing_.count(mac) != 0;
}

void MediaLibrary::CancelFlash(const MacAddress& mac)
{
    std::lock_guard lock(mutex_);
    flashing_.erase(mac);
}

void MediaLibrary::FinishFlashLater(const MacAddress& mac, std::function<void()> done)
{
    scheduler_.After(std::chrono::milliseconds(options_.flashMs), [this, mac, done = std::move(done)] {
        done();
        std::lock_guard lock(mutex_);
        flashing_.erase(mac);
    });
}

std::string MediaLibrary::KernelVersion(const MacAddress& mac) const
{
    std::lock_guard lock(mutex_);
    const auto found = kernels_.find(mac);
    return found != kernels_.end() ? found->second : "K1.0.0.0";
}

void MediaLibrary::SetVersionAfterReboot(const MacAddress& mac, bool kernel, std::string version)
{
    std::lock_guard lock(mutex_);
    afterReboot_[mac] = {kernel, std::move(version)};
}

void MediaLibrary::ApplyVersionAfterReboot(SimCamera& sim)
{
    std::lock_guard lock(mutex_);
    const auto found = afterReboot_.find(sim.mac);
    if (found == afterReboot_.end()) {
        return;
    }
    if (found->second.first) {
        kernels_[sim.mac] = std::move(found->second.second);
    } else {
        sim.version = std::move(found->second.second);
    }
    afterReboot_.erase(found);
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
