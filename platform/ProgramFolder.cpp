#include "ProgramFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {
std::mutex& OverrideMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string& Override()
{
    static std::string folder;
    return folder;
}

std::string CurrentOverride()
{
    std::lock_guard lock(OverrideMutex());
    return Override();
}

bool IsWritableFolder(const std::string& folder)
{
    return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string UserDataFolder()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        base = std::string(home) + "/.local/share";
    } else {
        base = "/tmp";
    }
    std::string folder = base + "/zendrix";
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}
}  // namespace

std::string PlatformExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return ".";
    }
    return exe.parent_path().string();
}

std::string PlatformProgramFolder()
{
    if (std::string folder = CurrentOverride(); !folder.empty()) {
        return folder;
    }
    const std::string exeFolder = PlatformExecutableFolder();
    if (IsWritableFolder(exeFolder)) {
        return exeFolder;
    }
    return UserDataFolder();
}

std::string PlatformLangFolder()
{
    if (std::string folder = CurrentOverride(); !folder.empty()) {
        return folder + "/Lang";
    }
    std::error_code ec;
    const std::string exeFolder = PlatformExecutableFolder();
    if (fs::is_directory(exeFolder + "/Lang", ec)) {
        return exeFolder + "/Lang";
    }
    const fs::path installed = fs::path(exeFolder).parent_path() / "share" / "zendrix" / "Lang";
    if (fs::is_directory(installed, ec)) {
        return installed.string();
    }
    return PlatformProgramFolder() + "/Lang";
}

void PlatformSetProgramFolder(const std::string& folder)
{
    std::lock_guard lock(OverrideMutex());
    Override() = folder;
}
