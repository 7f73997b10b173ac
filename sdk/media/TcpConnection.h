#pragma once
// A TCP connection to a camera for transfers that stream: every wait is
// bounded, and a stop from another thread wakes a blocked wait at once.
#include <cstddef>
#include <string>
#include <string_view>

namespace vtmedia {

enum class IoResult
{
    Ok,
    Closed,
    TimedOut,
    Failed
};

class TcpConnection
{
public:
    TcpConnection() = default;
    ~TcpConnection();
    TcpConnection(TcpConnection&& other) noexcept;
    TcpConnection& operator=(TcpConnection&& other) noexcept;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // IoResult::Failed for an address that is not IPv4 text or a bad port;
    // TimedOut or Failed when the camera cannot be reached.
    IoResult Connect(const std::string& address, int port, int timeoutMs);
    // Sends every byte, waiting at most `ioMs` for each bit of progress.
    IoResult SendAll(std::string_view data, int ioMs);
    // Up to `capacity` bytes into `buffer`; `received` is set on Ok.
    IoResult Receive(char* buffer, size_t capacity, size_t& received, int ioMs);
    // Wakes every wait of this connection and ends it; safe from another thread.
    void Shutdown();
    bool IsOpen() const { return fd_ >= 0; }

private:
    void Close();

    int fd_ = -1;
};

} // namespace vtmedia
