#include "InterfaceAddresses.h"

#include <arpa/inet.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace camsim {
namespace {

bool SafeInterfaceName(const std::string& name)
{
    if (name.empty() || name.size() > 15) {
        return false;
    }
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '_' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

} // namespace

bool InHostNetworkNamespace()
{
    // A namespace made with "ip netns add" (as the lab makes them) is pinned
    // under /run/netns; the host's namespace never is.
    struct stat self
    {
    };
    if (stat("/proc/self/ns/net", &self) != 0) {
        return true; // cannot tell: assume the worst
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", ec)) {
        struct stat pinned
        {
        };
        if (stat(entry.path().c_str(), &pinned) == 0 && pinned.st_ino == self.st_ino &&
            pinned.st_dev == self.st_dev) {
            return false;
        }
    }
    return true;
}

int PrefixFromNetmask(const std::string& netmask)
{
    in_addr mask{};
    if (inet_pton(AF_INET, netmask.c_str(), &mask) != 1) {
        return 32;
    }
    const uint32_t bits = ntohl(mask.s_addr);
    const int prefix = __builtin_popcount(bits);
    const uint32_t expected = prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix);
    return (bits == expected && prefix > 0) ? prefix : 32;
}

bool AddInterfaceAddresses(const std::string& interfaceName, const std::vector<InterfaceAddress>& addresses,
                           std::string& error)
{
    if (!SafeInterfaceName(interfaceName)) {
        error = "not an interface name: " + interfaceName;
        return false;
    }
    if (InHostNetworkNamespace()) {
        error =
            "refusing to change addresses in the host's network namespace; run me in the camera namespace";
        return false;
    }
    std::ofstream("/proc/sys/net/ipv4/conf/" + interfaceName + "/promote_secondaries") << "1\n";
    // -force: an address that is already there is no reason to stop.
    const std::string command = "ip -force -batch - >/dev/null 2>&1";
    FILE* batch = popen(command.c_str(), "w");
    if (batch == nullptr) {
        error = "cannot run the ip command";
        return false;
    }
    for (const InterfaceAddress& address : addresses) {
        in_addr parsed{};
        if (inet_pton(AF_INET, address.ip.c_str(), &parsed) != 1) {
            continue;
        }
        std::fprintf(batch, "addr add %s/%d dev %s\n", address.ip.c_str(), PrefixFromNetmask(address.netmask),
                     interfaceName.c_str());
    }
    const int status = pclose(batch);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) == 127) {
        error = "the ip command failed";
        return false;
    }
    return true;
}

} // namespace camsim
