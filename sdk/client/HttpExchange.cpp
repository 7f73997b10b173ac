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

// Without an eventfd a cancel is seen between waits of this length.
constexpr int kCancelPollMs = 20;

// One connection's waits and pace: every wait also watches the cancel
// signals, and every byte moved counts towards the pace bound.
class Transfer
{
public:
    enum class Wait
    {
        Ready,
        TimedOut,
        Cancelled,
        TooSlow, // a window ended below the pace bound
    };

    Transfer(int fd, const ExchangeLimits& limits, const CancelList& cancel)
        : fd_(fd), limits_(limits), cancel_(cancel), deadline_(Clock::now() + Ms(limits.totalMs)),
          windowStart_(Clock::now())
    {
    }

    bool Cancelled() const
    {
        for (const CancelSignal* signal : cancel_) {
            if (signal != nullptr && signal->Cancelled()) {
                return true;
            }
        }
        return false;
    }

    // Waits at most `capMs` (and never past the whole exchange's deadline)
    // for `events` on the socket; a pace window that ends meanwhile is judged.
    Wait WaitFor(short events, int capMs)
    {
        const auto until = std::min(deadline_, Clock::now() + Ms(capMs));
        for (;;) {
            if (Cancelled()) {
                return Wait::Cancelled;
            }
            if (!Progress(0)) {
                return Wait::TooSlow;
            }
            auto wake = until;
            if (limits_.windowBytes > 0) {
                wake = std::min(wake, windowStart_ + Ms(limits_.windowMs));
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now()).count();
            if (Clock::now() >= until) {
                return Wait::TimedOut;
            }
            pollfd entries[3] = {{fd_, events, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
            nfds_t count = 1;
            bool blind = false; // a signal without a descriptor
            for (const CancelSignal* signal : cancel_) {
                if (signal != nullptr) {
                    entries[count++].fd = signal->fd();
                    blind = blind || signal->fd() < 0;
                }
            }
            const int timeout =
                static_cast<int>(std::max<long long>(0, blind ? std::min<long long>(left, kCancelPollMs) : left));
            const int ready = ::poll(entries, count, timeout);
            if (ready < 0 && errno != EINTR) {
                return Wait::TimedOut;
            }
            if (ready > 0 && entries[0].revents != 0 && !Cancelled()) {
                return Wait::Ready;
            }
        }
    }

    // Counts bytes moved; false once a whole window passed with fewer than
    // the bound asks.
    bool Progress(size_t bytes)
    {
        windowBytes_ += bytes;
        if (limits_.windowBytes == 0) {
            return true;
        }
        const auto now = Clock::now();
        if (now - windowStart_ < Ms(limits_.windowMs)) {
            return true;
        }
        slow_ = slow_ || windowBytes_ < limits_.windowBytes;
        windowStart_ = now;
        windowBytes_ = 0;
        return !slow_;
    }
    bool TooSlow() const { return slow_; }

    // Sends everything; false on an error, a stall, a cancel or too slow a pace.
    bool SendAll(std::string_view data)
    {
        size_t sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                if (!Progress(static_cast<size_t>(n))) {
                    return false;
                }
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (WaitFor(POLLOUT, limits_.ioMs) != Wait::Ready) {
                    return false;
                }
            } else {
                return false;
            }
        }
        return true;
    }

    static std::chrono::milliseconds Ms(int ms) { return std::chrono::milliseconds(ms); }

private:
    int fd_;
    const ExchangeLimits& limits_;
    const CancelList& cancel_;
    Clock::time_point deadline_;
    Clock::time_point windowStart_;
    uint64_t windowBytes_ = 0;
    bool slow_ = false;
};

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
                            const RequestBody& body, HttpResponseParser& parser, const ExchangeLimits& limits,
                            const CancelList& cancel)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    if (port < 1 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) {
        return ExchangeResult::InvalidAddress;
    }
    target.sin_port = htons(static_cast<uint16_t>(port));

    UniqueFd sock(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (sock.fd() < 0) {
        return ExchangeResult::Unreachable;
    }
    Transfer transfer(sock.fd(), limits, cancel);
    if (::connect(sock.fd(), reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS) {
            return ExchangeResult::Unreachable;
        }
        switch (transfer.WaitFor(POLLOUT, limits.connectMs)) {
        case Transfer::Wait::Cancelled:
            return ExchangeResult::Cancelled;
        case Transfer::Wait::TimedOut:
        case Transfer::Wait::TooSlow:
            return ExchangeResult::Unreachable;
        case Transfer::Wait::Ready:
            break;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(sock.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            return ExchangeResult::Unreachable;
        }
    }

    // A camera may answer before it has read everything (a refusal, a
    // challenge) and close: a failed send still leaves its answer to read.
    const bool sending =
        transfer.SendAll(head) && (body.fd >= 0 || transfer.SendAll(body.bytes));
    if (sending && body.fd >= 0) {
        std::vector<char> chunk(64 * 1024);
        for (uint64_t offset = 0; offset < body.fileLength;) {
            const size_t want =
                static_cast<size_t>(std::min<uint64_t>(chunk.size(), body.fileLength - offset));
            const ssize_t got = ::pread(body.fd, chunk.data(), want, static_cast<off_t>(offset));
            if (got <= 0) {
                return ExchangeResult::LocalFile;
            }
            if (!transfer.SendAll(std::string_view(chunk.data(), static_cast<size_t>(got)))) {
                break;
            }
            offset += static_cast<uint64_t>(got);
        }
    }

    if (transfer.TooSlow()) {
        return ExchangeResult::Protocol; // the camera took the body too slowly
    }
    const auto failure = [&] {
        if (transfer.Cancelled()) {
            return ExchangeResult::Cancelled;
        }
        if (transfer.TooSlow()) {
            return ExchangeResult::Protocol;
        }
        return parser.Empty() ? ExchangeResult::Unreachable : ExchangeResult::Protocol;
    };
    char buffer[16 * 1024];
    for (;;) {
        if (transfer.WaitFor(POLLIN, limits.ioMs) != Transfer::Wait::Ready) {
            return failure();
        }
        const ssize_t n = ::recv(sock.fd(), buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n < 0) {
            return failure();
        }
        const auto state =
            n == 0 ? parser.Finish() : parser.Feed(std::string_view(buffer, static_cast<size_t>(n)));
        if (state == HttpResponseParser::State::Complete) {
            return ExchangeResult::Ok;
        }
        if (state == HttpResponseParser::State::Failed) {
            if (transfer.Cancelled()) {
                return ExchangeResult::Cancelled;
            }
            return (n == 0 && parser.Empty()) ? ExchangeResult::Unreachable : ExchangeResult::Protocol;
        }
        if (!transfer.Progress(static_cast<size_t>(n))) {
            return ExchangeResult::Protocol; // too slow a trickle
        }
    }
}

} // namespace vtclient
