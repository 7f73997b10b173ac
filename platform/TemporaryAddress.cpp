#include "TemporaryAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/if_ether.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

std::uint32_t MaskOf(int prefixLength)
{
    return prefixLength <= 0 ? 0 : prefixLength >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefixLength);
}

// A socket closed when it goes out of scope.
class Socket
{
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

std::string SystemError(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

void AddAttribute(std::vector<char>& message, unsigned short type, const void* data, std::size_t size)
{
    rtattr attribute{};
    attribute.rta_type = type;
    attribute.rta_len = static_cast<unsigned short>(RTA_LENGTH(size));
    const std::size_t at = message.size();
    message.resize(at + RTA_SPACE(size));
    std::memcpy(message.data() + at, &attribute, sizeof attribute);
    std::memcpy(message.data() + at + RTA_LENGTH(0), data, size);
}

// Adds, renews (type RTM_NEWADDR with NLM_F_REPLACE) or removes the address
// through the kernel's routing socket and waits for its answer.
bool ChangeAddress(int type, int flags, int interfaceIndex, std::uint32_t address, int prefixLength,
                   std::chrono::seconds lifetime, std::string& error)
{
    std::vector<char> message(NLMSG_SPACE(sizeof(ifaddrmsg)));
    auto* header = reinterpret_cast<nlmsghdr*>(message.data());
    header->nlmsg_type = static_cast<unsigned short>(type);
    header->nlmsg_flags = static_cast<unsigned short>(NLM_F_REQUEST | NLM_F_ACK | flags);
    header->nlmsg_seq = 1;
    auto* body = static_cast<ifaddrmsg*>(NLMSG_DATA(header));
    body->ifa_family = AF_INET;
    body->ifa_prefixlen = static_cast<unsigned char>(prefixLength);
    body->ifa_scope = RT_SCOPE_UNIVERSE;
    body->ifa_index = static_cast<unsigned>(interfaceIndex);
    AddAttribute(message, IFA_LOCAL, &address, sizeof address);
    AddAttribute(message, IFA_ADDRESS, &address, sizeof address);
    if (type == RTM_NEWADDR) {
        const std::uint32_t broadcast = address | htonl(~MaskOf(prefixLength));
        AddAttribute(message, IFA_BROADCAST, &broadcast, sizeof broadcast);
        ifa_cacheinfo lifetimes{};
        lifetimes.ifa_valid = static_cast<std::uint32_t>(lifetime.count());
        lifetimes.ifa_prefered = lifetimes.ifa_valid;
        AddAttribute(message, IFA_CACHEINFO, &lifetimes, sizeof lifetimes);
    }
    reinterpret_cast<nlmsghdr*>(message.data())->nlmsg_len = static_cast<std::uint32_t>(message.size());

    const Socket route(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (route.Fd() < 0) {
        error = SystemError("cannot open the routing socket", errno);
        return false;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(route.Fd(), message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) < 0) {
        error = SystemError("cannot send to the routing socket", errno);
        return false;
    }
    alignas(nlmsghdr) char answer[4096];
    const ssize_t received = ::recv(route.Fd(), answer, sizeof answer, 0);
    if (received < static_cast<ssize_t>(NLMSG_SPACE(sizeof(nlmsgerr)))) {
        error = "no answer from the routing socket";
        return false;
    }
    const auto* reply = reinterpret_cast<const nlmsghdr*>(answer);
    if (reply->nlmsg_type != NLMSG_ERROR) {
        error = "unexpected answer from the routing socket";
        return false;
    }
    const int code = -static_cast<const nlmsgerr*>(NLMSG_DATA(reply))->error;
    if (code != 0) {
        error = SystemError("the system refused the address", code);
        return false;
    }
    return true;
}

bool InterfaceMac(const std::string& interfaceName, unsigned char mac[6], std::string& error)
{
    const Socket any(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ifreq request{};
    std::strncpy(request.ifr_name, interfaceName.c_str(), IFNAMSIZ - 1);
    if (any.Fd() < 0 || ::ioctl(any.Fd(), SIOCGIFHWADDR, &request) != 0) {
        error = SystemError("cannot read the hardware address of " + interfaceName, errno);
        return false;
    }
    std::memcpy(mac, request.ifr_hwaddr.sa_data, 6);
    return true;
}

// Probes for candidate (network byte order): true when nobody claimed it.
bool ProbeFree(int interfaceIndex, const unsigned char mac[6], std::uint32_t candidate,
               const TemporaryAddress::Options& options, std::string& error)
{
    const Socket arp(::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP)));
    sockaddr_ll local{};
    local.sll_family = AF_PACKET;
    local.sll_protocol = htons(ETH_P_ARP);
    local.sll_ifindex = interfaceIndex;
    if (arp.Fd() < 0 || ::bind(arp.Fd(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error = SystemError("cannot send ARP probes", errno);
        return false;
    }
    ether_arp probe{};
    probe.arp_hrd = htons(ARPHRD_ETHER);
    probe.arp_pro = htons(ETH_P_IP);
    probe.arp_hln = 6;
    probe.arp_pln = 4;
    probe.arp_op = htons(ARPOP_REQUEST);
    std::memcpy(probe.arp_sha, mac, 6);
    std::memcpy(probe.arp_tpa, &candidate, 4);
    sockaddr_ll broadcast = local;
    broadcast.sll_halen = 6;
    std::memset(broadcast.sll_addr, 0xFF, 6);

    int sent = 0;
    auto nextProbe = Clock::now();
    const auto claimed = [&](const ether_arp& seen) {
        std::uint32_t sender = 0;
        std::uint32_t target = 0;
        std::memcpy(&sender, seen.arp_spa, 4);
        std::memcpy(&target, seen.arp_tpa, 4);
        // Its holder answers or announces it; or another host probes for it now.
        return sender == candidate ||
               (ntohs(seen.arp_op) == ARPOP_REQUEST && sender == 0 && target == candidate &&
                std::memcmp(seen.arp_sha, mac, 6) != 0);
    };
    for (;;) {
        const auto now = Clock::now();
        if (sent < options.probes && now >= nextProbe) {
            if (::sendto(arp.Fd(), &probe, sizeof probe, 0, reinterpret_cast<sockaddr*>(&broadcast),
                         sizeof broadcast) < 0) {
                error = SystemError("cannot send ARP probes", errno);
                return false;
            }
            ++sent;
            nextProbe = now + (sent < options.probes ? options.probeInterval : options.probeWait);
            continue;
        }
        if (sent == options.probes && now >= nextProbe) {
            return true;
        }
        pollfd readable{arp.Fd(), POLLIN, 0};
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextProbe - now).count();
        if (::poll(&readable, 1, static_cast<int>(wait) + 1) <= 0) {
            continue;
        }
        ether_arp seen{};
        sockaddr_ll from{};
        socklen_t fromSize = sizeof from;
        const ssize_t size = ::recvfrom(arp.Fd(), &seen, sizeof seen, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (size == static_cast<ssize_t>(sizeof seen) && from.sll_pkttype != PACKET_OUTGOING && claimed(seen)) {
            return false;
        }
    }
}
} // namespace

bool SubnetAlreadyHeld(std::uint32_t cameraIp, int prefixLength, const std::uint32_t* addresses,
                       const int* prefixLengths, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t theirs = MaskOf(prefixLengths[i]);
        const std::uint32_t ours = MaskOf(prefixLength);
        if ((addresses[i] & ours) == (cameraIp & ours) || (addresses[i] & theirs) == (cameraIp & theirs)) {
            return true;
        }
    }
    return false;
}

std::uint32_t CandidateAddress(std::uint32_t cameraIp, int prefixLength, int n)
{
    if (prefixLength < 1 || prefixLength > 30 || n < 0) {
        return 0;
    }
    const std::uint32_t mask = MaskOf(prefixLength);
    const std::uint32_t network = cameraIp & mask;
    const std::uint32_t hosts = ~mask - 1; // without network and broadcast
    std::uint32_t candidate = network | (~mask - 1);
    for (std::uint32_t tried = 0; tried < hosts; ++tried, --candidate) {
        if (candidate == cameraIp) {
            continue;
        }
        if (n-- == 0) {
            return candidate;
        }
    }
    return 0;
}

std::unique_ptr<TemporaryAddress> TemporaryAddress::Acquire(const std::string& interfaceName,
                                                            const std::string& cameraIp, int prefixLength,
                                                            std::string& error)
{
    return Acquire(interfaceName, cameraIp, prefixLength, Options{}, error);
}

std::unique_ptr<TemporaryAddress> TemporaryAddress::Acquire(const std::string& interfaceName,
                                                            const std::string& cameraIp, int prefixLength,
                                                            const Options& options, std::string& error)
{
    in_addr camera{};
    if (inet_pton(AF_INET, cameraIp.c_str(), &camera) != 1 || prefixLength < 1 || prefixLength > 30) {
        error = "not an IPv4 address with a subnet of at least two hosts: " + cameraIp + "/" +
                std::to_string(prefixLength);
        return nullptr;
    }
    const int interfaceIndex = static_cast<int>(if_nametoindex(interfaceName.c_str()));
    unsigned char mac[6] = {};
    if (interfaceIndex == 0) {
        error = "no such interface: " + interfaceName;
        return nullptr;
    }
    if (!InterfaceMac(interfaceName, mac, error)) {
        return nullptr;
    }
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        error = SystemError("cannot list the workstation's addresses", errno);
        return nullptr;
    }
    std::vector<std::uint32_t> addresses;
    std::vector<int> prefixLengths;
    for (const ifaddrs* item = list; item != nullptr; item = item->ifa_next) {
        if (item->ifa_addr != nullptr && item->ifa_netmask != nullptr && item->ifa_addr->sa_family == AF_INET) {
            addresses.push_back(ntohl(reinterpret_cast<const sockaddr_in*>(item->ifa_addr)->sin_addr.s_addr));
            prefixLengths.push_back(
                std::popcount(reinterpret_cast<const sockaddr_in*>(item->ifa_netmask)->sin_addr.s_addr));
        }
    }
    freeifaddrs(list);
    const std::uint32_t cameraHost = ntohl(camera.s_addr);
    if (SubnetAlreadyHeld(cameraHost, prefixLength, addresses.data(), prefixLengths.data(), addresses.size())) {
        error = "the workstation already has an address in the subnet of " + cameraIp;
        return nullptr;
    }
    for (int n = 0; n < options.candidates; ++n) {
        const std::uint32_t candidate = htonl(CandidateAddress(cameraHost, prefixLength, n));
        if (candidate == 0) {
            break;
        }
        std::string probeError;
        if (!ProbeFree(interfaceIndex, mac, candidate, options, probeError)) {
            if (!probeError.empty()) {
                error = probeError;
                return nullptr;
            }
            continue;
        }
        if (!ChangeAddress(RTM_NEWADDR, NLM_F_CREATE | NLM_F_EXCL, interfaceIndex, candidate, prefixLength,
                           options.lifetime, error)) {
            return nullptr;
        }
        return std::unique_ptr<TemporaryAddress>(
            new TemporaryAddress(interfaceIndex, candidate, prefixLength, options));
    }
    error = "no free address found in the subnet of " + cameraIp;
    return nullptr;
}

TemporaryAddress::TemporaryAddress(int interfaceIndex, std::uint32_t address, int prefixLength,
                                   const Options& options)
    : m_interfaceIndex(interfaceIndex), m_address(address), m_prefixLength(prefixLength), m_options(options),
      m_renewer([this] { RenewLoop(); })
{
}

TemporaryAddress::~TemporaryAddress()
{
    {
        std::lock_guard scope(m_lock);
        m_ending = true;
    }
    m_wake.notify_all();
    m_renewer.join();
    std::string error;
    // Gone already when its lifetime ran out; the kernel then took it itself.
    ChangeAddress(RTM_DELADDR, 0, m_interfaceIndex, m_address, m_prefixLength, {}, error);
}

std::string TemporaryAddress::Address() const
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &m_address, text, sizeof text);
    return text;
}

void TemporaryAddress::RenewLoop()
{
    std::unique_lock scope(m_lock);
    while (!m_wake.wait_for(scope, m_options.renewal, [this] { return m_ending; })) {
        std::string error;
        ChangeAddress(RTM_NEWADDR, NLM_F_REPLACE, m_interfaceIndex, m_address, m_prefixLength, m_options.lifetime,
                      error);
    }
}
