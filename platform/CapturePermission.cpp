#include "CapturePermission.h"

#include <cerrno>
#include <cstdint>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int kCapNetAdmin = 12;
constexpr int kCapNetRaw = 13;
} // namespace

bool PlatformStatusHasCaptureCaps(const std::string& statusText)
{
    std::istringstream in(statusText);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("CapEff:", 0) != 0) {
            continue;
        }
        std::istringstream value(line.substr(7));
        std::uint64_t mask = 0;
        if (!(value >> std::hex >> mask)) {
            return false;
        }
        const std::uint64_t wanted = (std::uint64_t{1} << kCapNetAdmin) | (std::uint64_t{1} << kCapNetRaw);
        return (mask & wanted) == wanted;
    }
    return false;
}

bool PlatformCapturePermitted()
{
    const int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno != EPERM && errno != EACCES;
}
