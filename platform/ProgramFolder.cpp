#include "ProgramFolder.h"

#include "PrivateFolder.h"

#include <sys/stat.h>
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

// Folders of the installed system: a program there is shared by every user
// (and only root can write there), so nothing of one user's belongs beside it.
bool IsSystemFolder(const std::string& folder)
{
    static const char* const kSystemRoots[] = {"/usr", "/bin", "/sbin", "/lib", "/lib32", "/lib64",
                                               "/libx32", "/opt", "/etc", "/var", "/srv", "/boot",
                                               "/snap", "/nix", "/gnu", "/app"};
    if (folder == "/") {
        return true;
    }
    for (const char* root : kSystemRoots) {
        const std::string prefix(root);
        if (folder == prefix || folder.rfind(prefix + "/", 0) == 0) {
            return true;
        }
    }
    return false;
}

// A build tree or a portable unpack: the user's own folder that nobody else
// may write to. Owner and mode decide, not access(), which root always passes.
bool IsOwnFolder(const std::string& folder)
{
    struct stat info
    {
    };
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// $XDG_DATA_HOME/zendrix (else <home>/.local/share/zendrix), made and
// checked as the user's own; empty when there is no such folder to be had.
std::string UserDataFolder()
{
    const std::string base = PlatformXdgFolder("XDG_DATA_HOME", ".local/share");
    if (base.empty()) {
        return {};
    }
    const std::string folder = base + "/zendrix";
    const int fd = PlatformOpenPrivateFolder(folder);
    if (fd < 0) {
        return {};
    }
    ::close(fd);
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

std::string PlatformProgramFolderFor(const std::string& executableFolder)
{
    if (!IsSystemFolder(executableFolder) && IsOwnFolder(executableFolder)) {
        return executableFolder;
    }
    return UserDataFolder();
}

std::string PlatformProgramFolder()
{
    if (std::string folder = CurrentOverride(); !folder.empty()) {
        return folder;
    }
    return PlatformProgramFolderFor(PlatformExecutableFolder());
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
    const std::string programFolder = PlatformProgramFolder();
    return programFolder.empty() ? std::string() : programFolder + "/Lang";
}

std::string PlatformLanguageSettingsFile()
{
    const std::string programFolder = PlatformProgramFolder();
    if (programFolder.empty()) {
        return {};
    }
    const std::string langFolder = PlatformLangFolder();
    if (langFolder == programFolder + "/Lang" && IsOwnFolder(langFolder)) {
        return langFolder + "/Language.ini";
    }
    return programFolder + "/Language.ini";
}

void PlatformSetProgramFolder(const std::string& folder)
{
    std::lock_guard lock(OverrideMutex());
    Override() = folder;
}
