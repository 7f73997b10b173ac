#include "PrivateFolder.h"

#include "DebugOutput.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::string PlatformHomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

std::string PlatformXdgFolder(const char* variable, const char* belowHome)
{
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
        return value;
    }
    const std::string home = PlatformHomeFolder();
    return home.empty() ? std::string() : home + "/" + belowHome;
}

int PlatformOpenPrivateFolder(const std::string& path)
{
    if (path.empty() || path[0] != '/') {
        PlatformDebugOutput("Private folder: no absolute folder to use.\n");
        return -1;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    ::mkdir(path.c_str(), 0700);
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info
    {
    };
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        PlatformDebugOutput(("Private folder: " + path + " is not a folder of its own (a link?).\n").c_str());
        if (fd >= 0) {
            ::close(fd);
        }
        return -1;
    }
    if (info.st_uid != ::geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        PlatformDebugOutput(
            ("Private folder: " + path + " belongs to another user or others may write to it; not used.\n")
                .c_str());
        ::close(fd);
        return -1;
    }
    return fd;
}
