#pragma once
// A hand-made server on 127.0.0.1 for answering the SDK badly on purpose:
// it accepts connections one after another until destroyed and hands each,
// with its request head, to `serve`, which returns when it is done with the
// connection. Destruction shuts the connection being served down, so a serve
// that keeps sending ends at its next send.
#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sdktest {

class RawServer
{
public:
    using Serve = std::function<void(int fd, const std::string& head, int index)>;

    // `receiveBuffer` > 0 makes the accepted sockets' receive buffers that
    // small, so a client's upload stalls soon when nobody reads.
    explicit RawServer(Serve serve, int receiveBuffer = 0) : serve_(std::move(serve))
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0) {
            ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 64) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "cannot listen on 127.0.0.1";
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~RawServer()
    {
        stop_ = true;
        if (const int fd = current_.load(); fd >= 0) {
            ::shutdown(fd, SHUT_RDWR);
        }
        thread_.join();
        ::close(listener_);
    }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return port_; }
    int connections() const { return index_; }

private:
    void Run()
    {
        while (!stop_) {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0) {
                continue;
            }
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) {
                continue;
            }
            current_ = fd;
            std::string head;
            char c;
            while (head.find("\r\n\r\n") == std::string::npos && ::recv(fd, &c, 1, 0) == 1) {
                head += c;
            }
            if (!stop_) {
                serve_(fd, head, index_++);
            }
            current_ = -1;
            ::close(fd);
        }
    }

    Serve serve_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> current_{-1};
    std::atomic<int> index_{0};
    std::thread thread_;
};

inline bool Send(int fd, const std::string& text)
{
    return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

// Waits up to `ms` for the client to close (or send); true when it did.
inline bool PeerClosedWithin(int fd, int ms)
{
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, ms) > 0;
}

} // namespace sdktest
