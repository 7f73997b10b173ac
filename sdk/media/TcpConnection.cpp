#include "TcpConnection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace vtmedia {
namespace {

// Waits for `events`; Ok when ready, Closed when the peer hung up or the
// connection was shut down, TimedOut or Failed otherwise.
IoResult WaitFor(int fd, short events, int timeoutMs)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return IoResult::Failed;
        }
        if (ready == 0) {
            return IoResult::TimedOut;
        }
        if ((entry.revents & (events | POLLHUP)) != 0) {
            return IoResult::Ok; // the read or write that follows tells a hang-up apart
        }
        return IoResult::Failed;
    }
}

} // namespace

TcpConnection::~TcpConnection()
{
    Close();
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept
{
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void TcpConnection::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

IoResult TcpConnection::Connect(const std::string& address, int port, int timeoutMs)
{
    Close();
    sockaddr_in target{};
    target.sin_family = AF_INET;
    if (port < 1 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) {
        return IoResult::Failed;
    }
    target.sin_port = htons(static_cast<uint16_t>(port));
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return IoResult::Failed;
    }
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        return IoResult::Ok;
    }
    if (errno != EINPROGRESS) {
        Close();
        return IoResult::Failed;
    }
    const IoResult ready = WaitFor(fd_, POLLOUT, timeoutMs);
    int error = 0;
    socklen_t length = sizeof error;
    if (ready != IoResult::Ok || ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
        error != 0) {
        Close();
        return ready == IoResult::TimedOut ? IoResult::TimedOut : IoResult::Failed;
    }
    return IoResult::Ok;
}

IoResult TcpConnection::SendAll(std::string_view data, int ioMs)
{
    while (!data.empty()) {
        if (fd_ < 0) {
            return IoResult::Failed;
        }
        const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            const IoResult ready = WaitFor(fd_, POLLOUT, ioMs);
            if (ready != IoResult::Ok) {
                return ready;
            }
            continue;
        }
        return (n < 0 && (errno == EPIPE || errno == ECONNRESET)) ? IoResult::Closed : IoResult::Failed;
    }
    return IoResult::Ok;
}

IoResult TcpConnection::Receive(char* buffer, size_t capacity, size_t& received, int ioMs)
{
    for (;;) {
        if (fd_ < 0) {
            return IoResult::Failed;
        }
        const ssize_t n = ::recv(fd_, buffer, capacity, 0);
        if (n > 0) {
            received = static_cast<size_t>(n);
            return IoResult::Ok;
        }
        if (n == 0) {
            return IoResult::Closed;
        }
        if (errno == EAGAIN || errno == EINTR) {
            const IoResult ready = WaitFor(fd_, POLLIN, ioMs);
            if (ready != IoResult::Ok) {
                return ready;
            }
            continue;
        }
        return errno == ECONNRESET ? IoResult::Closed : IoResult::Failed;
    }
}

void TcpConnection::Shutdown()
{
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
    }
}

} // namespace vtmedia
