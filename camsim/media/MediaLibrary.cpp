#include "MediaLibrary.h"

#include <charconv>
#include <cstdio>
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
    return "                [--files-dir DIR] [--max-streams N]\n";
}

bool TakeMediaOptions(std::vector<std::string>& args, MediaOptions& options, std::string& message)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option != "--files-dir" && option != "--max-streams") {
            rest.push_back(option);
            continue;
        }
        if (i + 1 >= args.size()) {
            message = "vtcamsim: " + option + " needs a value\n";
            return false;
        }
        const std::string& value = args[++i];
        const bool good =
            option == "--files-dir" ? !value.empty() : ParseCount(value, 1, 4096, options.maxStreams);
        if (!good) {
            message = "vtcamsim: bad value for " + option + ": " + value + "\n";
            return false;
        }
        if (option == "--files-dir") {
            options.filesDir = value;
        }
    }
    args.swap(rest);
    return true;
}

bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

MediaLibrary::MediaLibrary(MediaOptions options) : options_(std::move(options)) {}

MediaLibrary::~MediaLibrary()
{
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

fs::path MediaLibrary::OemFolder(const MacAddress& mac) const
{
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return root_ / text / "oem";
}

std::optional<fs::path> MediaLibrary::OemTarget(const MacAddress& mac, std::string_view fileName) const
{
    if (!IsPlainFileName(fileName)) {
        return std::nullopt;
    }
    const fs::path folder = OemFolder(mac);
    const fs::path target = folder / std::string(fileName);
    std::error_code ec;
    fs::create_directories(folder, ec);
    size_t held = 0;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        held += entry.is_regular_file() && entry.path() != target ? 1 : 0;
    }
    if (ec || held >= kMaxOemFiles) {
        return std::nullopt;
    }
    return target;
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
