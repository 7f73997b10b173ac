#pragma once
// The files one simulated camera holds, in a folder of its own on the host:
// its event log (log.db), its configuration text (config.txt), a pretend SD
// card (sd/), other files (other/) and the OEM files it was sent (other/oem/).
// A remote name never leads out of its folder.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace camsim {

inline constexpr size_t kMaxOemFiles = 64;

class CameraFiles
{
public:
    CameraFiles(std::filesystem::path folder, uint32_t seed) : folder_(std::move(folder)), seed_(seed) {}

    // Creates the folders and the sample files of a camera seen for the first time.
    bool Prepare(std::string& error) const;
    // The event log, written on first use with `rows` entries up to `now`.
    std::optional<std::filesystem::path> EventLog(int64_t now, int rows, std::string& error) const;
    // Replaces config.txt with `text`.
    std::optional<std::filesystem::path> WriteConfig(std::string_view text, std::string& error) const;
    // A regular file under sd/ (kind 0) or other/ (kind 1), or nullopt.
    std::optional<std::filesystem::path> Resolve(int kind, std::string_view remoteName) const;
    // Where an OEM file of that name goes, or nullopt for a name that is not
    // a plain file name or when the camera holds too many OEM files.
    std::optional<std::filesystem::path> OemTarget(std::string_view fileName) const;

    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    uint32_t seed_;
};

// A plain file name: 1-255 bytes, no '/', '\\' or NUL, not "." or "..".
bool IsPlainFileName(std::string_view name);

} // namespace camsim
