#include "HttpExchange.h"

#include "UniqueFd.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace vtclient {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline, int cap)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        return 0;
    }
    return static_cast<int>(std::min<long long>(left, cap));
}

// Waits for `events` on the socket; false on time-out or error.
bool WaitFor(int fd, short events, int timeoutMs)
{
    if (timeoutMs <= 0) {
        return false;
    }
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0;
    }
}

bool SendAll(int fd, std::string_view data, Clock::time_point deadline, int ioMs)
{
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, RemainingMs(deadline, ioMs))) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

std::string BuildRequestHead(std::string_view method, std::string_view target, std::string_view host,
                             int port, std::string_view authorization, std::string_view contentType,
                             uint64_t contentLength, std::string_view extraHeaders)
{
    std::string head;
    head.reserve(512);
    head.append(method).append(" ").append(target).append(" HTTP/1.1\r\n");
    head.append("Host: ").append(host);
    if (port != 80) {
        head.append(":").append(std::to_string(port));
    }
    head.append("\r\nUser-Agent: VtIpcSDK/1\r\nAccept: application/json\r\nConnection: close\r\n");
    if (!authorization.empty()) {
        head.append("Authorization: ").append(authorization).append("\r\n");
    }
    if (!contentType.empty()) {
        head.append("Content-Type: ").append(contentType).append("\r\n");
    }
    if (contentLength > 0 || method == "PUT" || method == "POST") {
        head.append("Content-Length: ").append(std::to_string(contentLength)).append("\r\n");
    }
    head.append(extraHeaders).append("\r\n");
    return head;
}

ExchangeResult HttpExchange(const std::string& address, int port, std::string_view head,
                            const RequestBody& body, HttpResponseParser& parser, const ExchangeLimits& limits)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    if (port < 1 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) {
        return ExchangeResult::InvalidAddress;
    }
    target.sin_port = htons(static_cast<uint16_t>(port));
    const auto deadline = Clock::now() + std::chrono::milliseconds(limits.totalMs);

    UniqueFd sock(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (sock.fd() < 0) {
        return ExchangeResult::Unreachable;
    }
    if (::connect(sock.fd(), reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS) {
            return ExchangeResult::Unreachable;
        }
        if (!WaitFor(sock.fd(), POLLOUT, RemainingMs(deadline, limits.connectMs))) {
            return ExchangeResult::Unreachable;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(sock.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            return ExchangeResult::Unreachable;
        }
    }

    // A camera may answer before it has read everything (a refusal, a
    // challenge) and close: a failed send still leaves its answer to read.
    const bool sending = SendAll(sock.fd(), head, deadline, limits.ioMs) &&
                         (body.fd >= 0 || SendAll(sock.fd(), body.bytes, deadline, limits.ioMs));
    if (sending && body.fd >= 0) {
        std::vector<char> chunk(64 * 1024);
        for (uint64_t offset = 0; offset < body.fileLength;) {
            const size_t want =
                static_cast<size_t>(std::min<uint64_t>(chunk.size(), body.fileLength - offset));
            const ssize_t got = ::pread(body.fd, chunk.data(), want, static_cast<off_t>(offset));
            if (got <= 0) {
                return ExchangeResult::LocalFile;
            }
            if (!SendAll(sock.fd(), std::string_view(chunk.data(), static_cast<size_t>(got)), deadline,
                         limits.ioMs)) {
                break;
            }
            offset += static_cast<uint64_t>(got);
        }
    }

    char buffer[16 * 1024];
    for (;;) {
        if (!WaitFor(sock.fd(), POLLIN, RemainingMs(deadline, limits.ioMs))) {
            return parser.Empty() ? ExchangeResult::Unreachable : ExchangeResult::Protocol;
        }
        const ssize_t n = ::recv(sock.fd(), buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n < 0) {
            return parser.Empty() ? ExchangeResult::Unreachable : ExchangeResult::Protocol;
        }
        const auto state =
            n == 0 ? parser.Finish() : parser.Feed(std::string_view(buffer, static_cast<size_t>(n)));
        if (state == HttpResponseParser::State::Complete) {
            return ExchangeResult::Ok;
        }
        if (state == HttpResponseParser::State::Failed) {
            return (n == 0 && parser.Empty()) ? ExchangeResult::Unreachable : ExchangeResult::Protocol;
        }
    }
}

} // namespace vtclient
