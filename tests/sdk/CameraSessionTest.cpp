// The client's exchange against hand-made servers on 127.0.0.1 that answer
// badly on purpose: silence, endless answers, trickles, odd challenges.
#include "CameraSession.h"

#include "DigestAuth.h"
#include "RawServer.h"
#include "VtIpcSDK.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using sdktest::RawServer;
using sdktest::Send;

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

// A camera that starts its web server again signs nonces with a new secret:
// it refuses the kept nonce without calling it stale. The session answers
// that fresh challenge once; a wrong password is still refused after it,
// without a third try.
TEST(CameraSession, AKeptNonceUnknownToARestartedCameraIsRetriedOnceWithTheFreshChallenge)
{
    auto issuer = std::make_shared<vtwire::DigestNonceIssuer>("before the restart");
    std::mutex mutex;
    std::vector<std::string> heads;
    RawServer server([&](int fd, const std::string& head, int) {
        std::shared_ptr<vtwire::DigestNonceIssuer> current;
        {
            std::lock_guard lock(mutex);
            heads.push_back(head);
            current = issuer;
        }
        const auto at = head.find("Authorization: ");
        const std::string authorization =
            at == std::string::npos ? "" : head.substr(at + 15, head.find("\r\n", at) - at - 15);
        const int64_t now = time(nullptr);
        const auto verdict =
            vtwire::VerifyDigest(authorization, "GET", "/vtipc/v1/login", "admin", "pw", *current, now);
        if (verdict == vtwire::DigestVerdict::Accepted) {
            Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}");
        } else {
            Send(fd, "HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\nWWW-Authenticate: " +
                         vtwire::BuildDigestChallenge(*current, now, verdict == vtwire::DigestVerdict::Stale) +
                         "\r\n\r\n");
        }
    });
    const auto restart = [&] {
        std::lock_guard lock(mutex);
        issuer = std::make_shared<vtwire::DigestNonceIssuer>("after restart " + std::to_string(heads.size()));
        heads.clear();
    };
    vtclient::CameraSession session("127.0.0.1", server.port(), "admin", "pw", kShort);
    ASSERT_EQ(session.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_NONE);
    restart();
    EXPECT_EQ(session.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_NONE);
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(heads.size(), 2u) << "the kept nonce, then the fresh one";
        EXPECT_NE(heads[1].find("nc=00000001"), std::string::npos);
    }
    EXPECT_EQ(session.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_NONE);

    session.ChangePassword("admin", "changed elsewhere");
    restart();
    EXPECT_EQ(session.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_AUTH_REFUSED);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(heads.size(), 2u) << "one try with the fresh challenge, not more";
    }
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

// A file of `size` bytes, removed with the object.
class ScratchFile
{
public:
    explicit ScratchFile(size_t size)
    {
        char name[] = "/tmp/vtipc-upload-XXXXXX";
        fd_ = ::mkstemp(name);
        path_ = name;
        const std::string block(64 * 1024, 'u');
        for (size_t written = 0; written < size; written += block.size()) {
            EXPECT_EQ(::write(fd_, block.data(), std::min(block.size(), size - written)),
                      static_cast<ssize_t>(std::min(block.size(), size - written)));
        }
    }
    ~ScratchFile()
    {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// At least 4 KiB in every half second; the per-read bound alone (2 s) would
// let every trickle below go on for ever.
const vtclient::ExchangeLimits kPaced{500, 2000, 60000, 500, 4096};

TEST(CameraSession, TransfersSlowerThanThePaceBoundEnd)
{
    RawServer trickle([](int fd, const std::string& head, int) {
        if (head.find("/login") != std::string::npos) {
            Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}");
            return;
        }
        Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n");
        for (int i = 0; i < 300 && Send(fd, "x"); ++i) { // thirty seconds of a byte every 100 ms
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    vtclient::CameraSession session("127.0.0.1", trickle.port(), "admin", "pw", kPaced);
    const std::string target = "/tmp/vtipc-paced-" + std::to_string(::getpid());
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(session.Download("/vtipc/v1/files/log", target).error, VT_ERR_PROTOCOL);
    // Far below the trickle's thirty seconds, with room for a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
    EXPECT_NE(::access(target.c_str(), F_OK), 0) << "a cut download leaves no file";

    // A camera that takes an upload a hundred bytes at a time.
    RawServer slowReader(
        [](int fd, const std::string& head, int) {
            if (head.find("/login") != std::string::npos) {
                Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}");
                return;
            }
            char buffer[100];
            for (int i = 0; i < 300 && ::recv(fd, buffer, sizeof buffer, 0) > 0; ++i) { // up to thirty seconds
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        },
        4096);
    const ScratchFile image(12 * 1024 * 1024);
    vtclient::CameraSession uploader("127.0.0.1", slowReader.port(), "admin", "pw", kPaced);
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(uploader.Upload("/vtipc/v1/oem", "logo.png", image.fd(), 12 * 1024 * 1024).error,
              VT_ERR_PROTOCOL);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
}

TEST(CameraSession, SteadyTransfersAboveThePaceArrive)
{
    RawServer steady([](int fd, const std::string&, int) {
        Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 163840\r\n\r\n");
        for (int i = 0; i < 20 && Send(fd, std::string(8192, 's')); ++i) { // 80 KiB/s for two seconds
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    vtclient::CameraSession session("127.0.0.1", steady.port(), "admin", "pw", kPaced);
    const std::string target = "/tmp/vtipc-steady-" + std::to_string(::getpid());
    EXPECT_EQ(session.Download("/vtipc/v1/files/log", target).error, VT_ERR_NONE);
    struct stat info
    {
    };
    EXPECT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 163840);
    ::unlink(target.c_str());
}

TEST(CameraSession, AnErrorPageIsReadOnlyUpToItsBound)
{
    std::atomic<size_t> sent{0};
    std::atomic<bool> cut{false};
    RawServer endless([&](int fd, const std::string&, int) {
        Send(fd, "HTTP/1.1 500 Internal Error\r\nContent-Length: 209715200\r\n\r\n");
        const std::string block(64 * 1024, 'e');
        for (int i = 0; i < 3200; ++i) {
            if (!Send(fd, block)) {
                cut = true;
                return;
            }
            sent += block.size();
        }
    });
    vtclient::CameraSession session("127.0.0.1", endless.port(), "admin", "pw", kShort);
    const std::string target = "/tmp/vtipc-error-" + std::to_string(::getpid());
    EXPECT_EQ(session.Download("/vtipc/v1/files/log", target).error, VT_ERR_CAMERA);
    EXPECT_EQ(session.Call("GET", "/vtipc/v1/system/info", {}).error, VT_ERR_CAMERA);
    EXPECT_TRUE(cut) << "the client closed instead of reading 200 MiB";
    EXPECT_LT(sent, 64u * 1024 * 1024);
    EXPECT_NE(::access(target.c_str(), F_OK), 0);
}

TEST(SessionTable, HandlesAreFoundAgainAndNeverGivenToAnotherSession)
{
    vtclient::SessionTable table;
    const int first = table.Add(std::make_shared<vtclient::CameraSession>("10.0.0.1", 80, "admin", "a"));
    const int second = table.Add(std::make_shared<vtclient::CameraSession>("10.0.0.2", 80, "admin", "a"));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(table.Find("10.0.0.2", 80, "admin", "a").handle, 1);
    EXPECT_EQ(table.Find("10.0.0.2", 81, "admin", "a").handle, -1);
    EXPECT_EQ(table.Find("10.0.0.2", 80, "admin", "b").session, nullptr);
    table.Get(1)->ChangePassword("admin", "b");
    EXPECT_EQ(table.Find("10.0.0.2", 80, "admin", "b").handle, 1);
    EXPECT_EQ(table.Get(2), nullptr);
    EXPECT_EQ(table.Get(-1), nullptr);
    table.Clear();
    EXPECT_EQ(table.Get(0), nullptr);
    EXPECT_EQ(table.Add(std::make_shared<vtclient::CameraSession>("10.0.0.1", 80, "admin", "a")), 2)
        << "a handle from before a clear never comes back";
}

TEST(SessionTable, AFullTableEvictsTheLeastRecentlyUsedIdleSession)
{
    constexpr size_t kMax = vtclient::SessionTable::kMaxSessions;
    vtclient::SessionTable table;
    const auto session = [](size_t i) {
        return std::make_shared<vtclient::CameraSession>("10.0.0.1", 80, "admin", "p" + std::to_string(i));
    };
    for (size_t i = 0; i < kMax; ++i) {
        ASSERT_EQ(table.Add(session(i)), static_cast<int>(i));
    }
    const auto held = table.Get(0);  // a call running on the oldest handle
    ASSERT_NE(table.Get(1), nullptr); // handle 1 used lately, then let go
    const int next = table.Add(session(kMax));
    EXPECT_EQ(next, static_cast<int>(kMax));
    EXPECT_EQ(table.Size(), kMax);
    EXPECT_NE(table.Get(0), nullptr) << "a session in use stays";
    EXPECT_NE(table.Get(1), nullptr) << "a session used lately stays";
    EXPECT_EQ(table.Get(2), nullptr) << "the least recently used idle session made room";
    EXPECT_EQ(table.Find("10.0.0.1", 80, "admin", "p2").handle, -1);

    vtclient::SessionTable busy;
    std::vector<std::shared_ptr<vtclient::CameraSession>> holders;
    for (size_t i = 0; i < kMax; ++i) {
        busy.Add(session(i));
        holders.push_back(busy.Get(static_cast<int>(i)));
    }
    EXPECT_EQ(busy.Add(session(kMax)), -1) << "only a table of sessions all in use is full";
    holders[7].reset();
    EXPECT_EQ(busy.Add(session(kMax)), static_cast<int>(kMax));
    EXPECT_EQ(busy.Get(7), nullptr);
}

} // namespace
