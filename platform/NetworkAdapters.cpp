#include "NetworkAdapters.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <ifaddrs.h>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace {

// The last element of a sysfs link, e.g. ".../bus/pci" -> "pci".
std::string LinkTarget(const std::filesystem::path& link)
{
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(link, ec);
    return ec ? std::string() : target.filename().string();
}

// The driver as the interface reports it; virtual interfaces (veth, bridge)
// have no device folder in sysfs but still name their driver this way.
std::string EthtoolDriver(const std::string& interfaceName)
{
    if (interfaceName.size() >= IFNAMSIZ) {
        return {};
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return {};
    }
    ethtool_drvinfo info{};
    info.cmd = ETHTOOL_GDRVINFO;
    ifreq request{};
    std::memcpy(request.ifr_name, interfaceName.c_str(), interfaceName.size());
    request.ifr_data = reinterpret_cast<char*>(&info);
    const int rc = ::ioctl(fd, SIOCETHTOOL, &request);
    ::close(fd);
    if (rc != 0) {
        return {};
    }
    return std::string(info.driver, strnlen(info.driver, sizeof(info.driver)));
}

} // namespace

std::string PlatformAdapterDescription(const std::string& interfaceName)
{
    const std::filesystem::path device = std::filesystem::path("/sys/class/net") / interfaceName / "device";
    std::string bus = LinkTarget(device / "subsystem");
    std::string driver = LinkTarget(device / "driver");
    if (driver.empty()) {
        driver = EthtoolDriver(interfaceName);
    }
    std::error_code ec;
    if (bus.empty() && !std::filesystem::exists(device, ec)) {
        bus = "virtual";
    }
    std::transform(bus.begin(), bus.end(), bus.begin(), [](unsigned char c) { return std::toupper(c); });
    if (bus.empty() || driver.empty()) {
        return bus + driver;
    }
    return bus + " " + driver;
}

bool PlatformListAdapters(std::vector<PlatformAdapter>& adapters)
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return false;
    }
    std::vector<PlatformAdapter> found;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET ||
            entry->ifa_name == nullptr) {
            continue;
        }
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        PlatformAdapter adapter;
        adapter.name = entry->ifa_name;
        adapter.description = PlatformAdapterDescription(adapter.name);
        std::memcpy(adapter.mac, link->sll_addr, std::min<std::size_t>(link->sll_halen, 6));
        found.push_back(std::move(adapter));
    }
    ::freeifaddrs(list);
    adapters = std::move(found);
    return true;
}
