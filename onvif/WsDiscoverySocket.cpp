#include "WsDiscoverySocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace onvif {

namespace {

std::string SystemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// A UDP socket tied to the interface: its multicast goes out there only and
// it hears only what arrives there. Binding to the device needs
// CAP_NET_RAW; without it the multicast interface and the membership's
// interface still keep it to that interface for the group's traffic.
int OpenSocket(const std::string& interfaceName, int interfaceIndex, std::uint16_t port, in_addr_t bindAddress,
               std::string& error)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = SystemError("socket");
        return -1;
    }
    const int on = 1;
    const int off = 0;
    const unsigned char ttl = 1;
    ip_mreqn multicastInterface{};
    multicastInterface.imr_ifindex = interfaceIndex;
    ::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, interfaceName.c_str(),
                 static_cast<socklen_t>(interfaceName.size()));
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off);
    if (::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &multicastInterface, sizeof multicastInterface) != 0 ||
        ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0) {
        error = SystemError("multicast interface " + interfaceName);
        ::close(fd);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = bindAddress;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = SystemError("bind");
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

WsDiscoverySocket::WsDiscoverySocket(std::string interfaceName, Callback callback)
    : interfaceName_(std::move(interfaceName)), callback_(std::move(callback))
{
}

WsDiscoverySocket::~WsDiscoverySocket()
{
    Stop();
}

bool WsDiscoverySocket::Start(std::string& error)
{
    if (thread_.joinable()) {
        return true;
    }
    const unsigned index = ::if_nametoindex(interfaceName_.c_str());
    if (index == 0) {
        error = SystemError("interface " + interfaceName_);
        return false;
    }
    in_addr group{};
    ::inet_pton(AF_INET, kDiscoveryGroup, &group);
    probeSocket_ = OpenSocket(interfaceName_, static_cast<int>(index), 0, htonl(INADDR_ANY), error);
    if (probeSocket_ >= 0) {
        listenSocket_ = OpenSocket(interfaceName_, static_cast<int>(index), kDiscoveryPort, group.s_addr, error);
    }
    if (listenSocket_ >= 0) {
        ip_mreqn membership{};
        membership.imr_multiaddr = group;
        membership.imr_ifindex = static_cast<int>(index);
        if (::setsockopt(listenSocket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
            error = SystemError("join " + std::string(kDiscoveryGroup) + " on " + interfaceName_);
            CloseAll();
            return false;
        }
        wakeup_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    if (wakeup_ < 0) {
        if (error.empty()) {
            error = SystemError("eventfd");
        }
        CloseAll();
        return false;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

bool WsDiscoverySocket::SendProbe()
{
    if (!thread_.joinable()) {
        return false;
    }
    const std::string probe = BuildProbe(NewMessageId());
    sockaddr_in group{};
    group.sin_family = AF_INET;
    group.sin_port = htons(kDiscoveryPort);
    ::inet_pton(AF_INET, kDiscoveryGroup, &group.sin_addr);
    return ::sendto(probeSocket_, probe.data(), probe.size(), 0, reinterpret_cast<const sockaddr*>(&group),
                    sizeof group) == static_cast<ssize_t>(probe.size());
}

void WsDiscoverySocket::Stop()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeup_, &one, sizeof one);
        thread_.join();
    }
    CloseAll();
}

void WsDiscoverySocket::CloseAll()
{
    for (int* fd : {&probeSocket_, &listenSocket_, &wakeup_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void WsDiscoverySocket::Run()
{
    pollfd fds[3] = {{wakeup_, POLLIN, 0}, {probeSocket_, POLLIN, 0}, {listenSocket_, POLLIN, 0}};
    while (true) {
        if (::poll(fds, 3, -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        for (int i = 1; i < 3; ++i) {
            if (fds[i].revents != 0) {
                Receive(fds[i].fd);
            }
        }
    }
}

void WsDiscoverySocket::Receive(int socket)
{
    // One more byte than a datagram may have, so that a longer one shows.
    std::vector<char> buffer(kMaxDatagramBytes + 1);
    for (int i = 0; i < 64; ++i) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_TRUNC,
                                          reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0) {
            return;
        }
        if (static_cast<std::size_t>(length) > kMaxDatagramBytes) {
            dropped_.fetch_add(1);
            continue;
        }
        const DiscoveryMessage message =
            ParseDiscoveryMessage(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
        if (message.kind == DiscoveryKind::Dropped) {
            dropped_.fetch_add(1);
            continue;
        }
        if (message.kind == DiscoveryKind::Ignored) {
            continue;
        }
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        delivered_.fetch_add(1);
        callback_(message, text);
    }
}

} // namespace onvif
