// The client's exchange against hand-made servers on 127.0.0.1 that answer
// badly on purpose: silence, endless answers, trickles, odd challenges.
#include "CameraSession.h"

#include "DigestAuth.h"
#include "VtIpcSDK.h"

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Accepts connections until destroyed and hands each, with its request head,
// to `serve`. `serve` returns when it is done with the connection.
class RawServer
{
public:
    using Serve = std::function<void(int fd, const std::string& head, int index)>;

    explicit RawServer(Serve serve) : serve_(std::move(serve))
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "cannot listen on 127.0.0.1";
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~RawServer()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    int port() const { return port_; }
    int connections() const { return index_; }
    std::atomic<bool> stop_{false};

private:
    void Run()
    {
        while (!stop_) {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0) {
                continue;
            }
            const int fd = ::accept(listener_, nullptr, nullptr);
            std::string head;
            char c;
            while (head.find("\r\n\r\n") == std::string::npos && ::recv(fd, &c, 1, 0) == 1) {
                head += c;
            }
            serve_(fd, head, index_++);
            ::close(fd);
        }
    }

    Serve serve_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> index_{0};
    std::thread thread_;
};

void Send(int fd, const std::string& text)
{
    ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

const vtclient::ExchangeLimits kShort{500, 300, 1500};

TEST(CameraSession, SilentCameraIsUnreachable)
{
    RawServer server(
        [](int, const std::string&, int) { std::this_thread::sleep_for(std::chrono::milliseconds(500)); });
    vtclient::CameraSession session("127.0.0.1", server.port(), "admin", "pw", kShort);
    EXPECT_EQ(session.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_UNREACHABLE);
}

TEST(CameraSession, EndlessAndTricklingAnswersAreCutOff)
{
    RawServer endless([](int fd, const std::string&, int) {
        Send(fd, "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n");
        const std::string block(4096, 'x');
        for (int i = 0; i < 1000; ++i) {
            if (::send(fd, block.data(), block.size(), MSG_NOSIGNAL) < 0) {
                return;
            }
        }
    });
    vtclient::CameraSession endlessSession("127.0.0.1", endless.port(), "admin", "pw", kShort);
    EXPECT_EQ(endlessSession.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_PROTOCOL);

    RawServer trickle([](int fd, const std::string&, int) {
        Send(fd, "HTTP/1.1 200 OK\r\n");
        for (int i = 0; i < 1000; ++i) {
            if (::send(fd, "X", 1, MSG_NOSIGNAL) < 0) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    vtclient::CameraSession trickleSession("127.0.0.1", trickle.port(), "admin", "pw", kShort);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(trickleSession.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_PROTOCOL);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5))
        << "the trickle lasts ten seconds";
}

TEST(CameraSession, ChallengesAreAnsweredOnceAndTheNonceIsKept)
{
    vtwire::DigestNonceIssuer issuer("test secret");
    std::vector<std::string> heads;
    RawServer server([&](int fd, const std::string& head, int) {
        heads.push_back(head);
        const auto at = head.find("Authorization: ");
        const std::string authorization =
            at == std::string::npos ? "" : head.substr(at + 15, head.find("\r\n", at) - at - 15);
        const int64_t now = time(nullptr);
        if (vtwire::VerifyDigest(authorization, "GET", "/vtipc/v1/login", "admin", "pw", issuer, now) ==
            vtwire::DigestVerdict::Accepted) {
            Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}");
        } else {
            Send(fd, "HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\nWWW-Authenticate: " +
                         vtwire::BuildDigestChallenge(issuer, now, false) + "\r\n\r\n");
        }
    });
    vtclient::CameraSession session("127.0.0.1", server.port(), "admin", "pw", kShort);
    EXPECT_EQ(session.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_NONE);
    EXPECT_EQ(session.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_NONE);
    ASSERT_EQ(heads.size(), 3u) << "the second call reuses the nonce";
    EXPECT_NE(heads[2].find("nc=00000002"), std::string::npos);
    EXPECT_EQ(heads[0].find("Authorization"), std::string::npos);

    vtclient::CameraSession wrong("127.0.0.1", server.port(), "admin", "other", kShort);
    EXPECT_EQ(wrong.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_AUTH_REFUSED);
}

TEST(CameraSession, ChallengeWithoutDigestAndStatusCodes)
{
    RawServer server([](int fd, const std::string& head, int) {
        if (head.find("/basic") != std::string::npos) {
            Send(fd, "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\nContent-Length: "
                     "0\r\n\r\n");
        } else if (head.find("/busy") != std::string::npos) {
            Send(fd, "HTTP/1.1 503 Busy\r\nContent-Length: 0\r\n\r\n");
        } else {
            Send(fd, "HTTP/1.1 422 Unprocessable\r\nContent-Length: 0\r\n\r\n");
        }
    });
    vtclient::CameraSession session("127.0.0.1", server.port(), "admin", "pw", kShort);
    EXPECT_EQ(session.Call("GET", "/basic", {}).error, VT_ERR_PROTOCOL) << "Basic is never answered";
    EXPECT_EQ(session.Call("GET", "/busy", {}).error, VT_ERR_BUSY);
    EXPECT_EQ(session.Call("PUT", "/values", "{}").error, VT_ERR_REJECTED);
}

TEST(SessionTable, HandlesAreSmallAndReused)
{
    vtclient::SessionTable table;
    const int first = table.Add(std::make_shared<vtclient::CameraSession>("10.0.0.1", 80, "admin", "a"));
    const int second = table.Add(std::make_shared<vtclient::CameraSession>("10.0.0.2", 80, "admin", "a"));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(table.Find("10.0.0.2", 80, "admin", "a"), 1);
    EXPECT_EQ(table.Find("10.0.0.2", 81, "admin", "a"), -1);
    EXPECT_EQ(table.Find("10.0.0.2", 80, "admin", "b"), -1);
    table.Get(1)->ChangePassword("admin", "b");
    EXPECT_EQ(table.Find("10.0.0.2", 80, "admin", "b"), 1);
    EXPECT_EQ(table.Get(2), nullptr);
    EXPECT_EQ(table.Get(-1), nullptr);
}

} // namespace
