// The SDK's C interface against cameras on 127.0.0.1 that misbehave on
// purpose: error pages without end, silence in the middle of a video stream,
// trickled files, and a camera that takes any password.
#include "RawServer.h"
#include "VtIpcSDK.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using sdktest::PeerClosedWithin;
using sdktest::RawServer;
using sdktest::Send;
using Clock = std::chrono::steady_clock;

const std::string kLoginAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}";
const std::string kStreamHead = "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=vtframe\r\n\r\n";

bool IsLogin(const std::string& head)
{
    return head.rfind("GET /vtipc/v1/login ", 0) == 0;
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class HostileCameraTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(Vt_Sdk_Init(), 0); }
    void TearDown() override { Vt_Sdk_Destroy(); }

    static int Login(const RawServer& camera, const std::string& password = "pw")
    {
        return Vt_Ipc_Login("127.0.0.1", "127.0.0.1", camera.port(), "admin", password.c_str(), 0);
    }
    static int Play(int handle)
    {
        LivePlayRecord record{};
        record.window = 7;
        return Vt_IpcClient_LivePlay(handle, &record, 0, 0);
    }
};

TEST_F(HostileCameraTest, AnEndlessErrorAnswerToLiveVideoIsCutAndTheStopReturns)
{
    std::atomic<size_t> sent{0};
    std::atomic<bool> cut{false};
    std::atomic<bool> served{false};
    RawServer camera([&](int fd, const std::string& head, int) {
        if (IsLogin(head)) {
            Send(fd, kLoginAnswer);
            return;
        }
        Send(fd, "HTTP/1.1 500 Internal Error\r\nContent-Type: text/plain\r\n\r\n");
        const std::string block(64 * 1024, 'e');
        const auto start = Clock::now();
        while (SecondsSince(start) < 5) { // a bound of its own, so the test ends on a faulty client
            if (!Send(fd, block)) {
                cut = true;
                break;
            }
            sent += block.size();
        }
        served = true;
    });
    const int handle = Login(camera);
    ASSERT_GE(handle, 0) << Vt_Sdk_GetLastError();
    ASSERT_EQ(Play(handle), 0) << Vt_Sdk_GetLastError();
    for (int i = 0; i < 300 && !served; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(cut) << "the client read " << sent / (1024 * 1024) << " MiB of an error page";
    EXPECT_LT(sent, 64u * 1024 * 1024);
    const auto stopping = Clock::now();
    EXPECT_EQ(Vt_IpcClient_StopLivePlay(handle), 0);
    EXPECT_LT(SecondsSince(stopping), 1.0);
}

TEST_F(HostileCameraTest, StopReturnsAtOnceWhenTheCameraFallsSilentMidStream)
{
    RawServer camera([](int fd, const std::string& head, int) {
        if (IsLogin(head)) {
            Send(fd, kLoginAnswer);
            return;
        }
        // The stream starts, a picture is announced, then nothing comes.
        Send(fd, kStreamHead + "--vtframe\r\nContent-Type: image/jpeg\r\nContent-Length: 5000\r\n\r\n");
        PeerClosedWithin(fd, 8000);
    });
    const int handle = Login(camera);
    ASSERT_GE(handle, 0) << Vt_Sdk_GetLastError();
    ASSERT_EQ(Play(handle), 0) << Vt_Sdk_GetLastError();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto stopping = Clock::now();
    EXPECT_EQ(Vt_IpcClient_StopLivePlay(handle), 0);
    const double took = SecondsSince(stopping);
    EXPECT_LT(took, 0.5) << "the stop waited " << took << " s for a silent camera";
    RecordProperty("StopSeconds", std::to_string(took));
}

TEST_F(HostileCameraTest, DestroyEndsDownloadsAndUploadsInFlight)
{
    // A byte every 200 ms each way, well inside the per-read bound, for
    // longer than the test may take.
    RawServer downloads([](int fd, const std::string& head, int) {
        if (IsLogin(head)) {
            Send(fd, kLoginAnswer);
            return;
        }
        Send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n");
        const auto start = Clock::now();
        while (SecondsSince(start) < 4 && Send(fd, "x") && !PeerClosedWithin(fd, 200)) {
        }
    });
    RawServer uploads(
        [](int fd, const std::string& head, int) {
            if (IsLogin(head)) {
                Send(fd, kLoginAnswer);
                return;
            }
            char byte;
            const auto start = Clock::now();
            while (SecondsSince(start) < 4 && ::recv(fd, &byte, 1, 0) == 1) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
        },
        4096);
    const int fromHandle = Login(downloads);
    const int toHandle = Login(uploads);
    ASSERT_GE(fromHandle, 0);
    ASSERT_GE(toHandle, 0);

    char image[] = "/tmp/vtipc-oem-XXXXXX";
    const int fd = ::mkstemp(image);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 12 * 1024 * 1024), 0);
    ::close(fd);
    const std::string target = std::string(image) + ".db";

    std::atomic<int> downloadError{-1};
    std::atomic<int> uploadError{-1};
    std::atomic<double> downloadEnded{0};
    std::atomic<double> uploadEnded{0};
    const auto start = Clock::now();
    std::thread download([&] {
        EXPECT_EQ(Vt_Ipc_DownloadLog(fromHandle, target.c_str()), -1);
        downloadError = Vt_Sdk_GetLastError();
        downloadEnded = SecondsSince(start);
    });
    std::thread upload([&] {
        EXPECT_EQ(Vt_Ipc_UploadOemConfigFile(toHandle, image), -1);
        uploadError = Vt_Sdk_GetLastError();
        uploadEnded = SecondsSince(start);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const auto destroying = Clock::now();
    EXPECT_EQ(Vt_Sdk_Destroy(), 0);
    EXPECT_LT(SecondsSince(destroying), 0.5);
    download.join();
    upload.join();
    ::unlink(image);
    EXPECT_LT(downloadEnded, 1.6) << "the download went on after the SDK was destroyed";
    EXPECT_LT(uploadEnded, 1.6) << "the upload went on after the SDK was destroyed";
    EXPECT_EQ(downloadError, VT_ERR_NOT_INITIALISED);
    EXPECT_EQ(uploadError, VT_ERR_NOT_INITIALISED);
    EXPECT_NE(::access(target.c_str(), F_OK), 0);

    ASSERT_EQ(Vt_Sdk_Init(), 0);
    EXPECT_EQ(Vt_Ipc_RebootSystem(fromHandle), -1) << "handles from before the destroy are gone";
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_HANDLE);
}

TEST_F(HostileCameraTest, LoginHandlesNeverRunOutAndHandlesInUseStay)
{
    // Takes any password, as a camera under attack by a guessing operator seems to.
    RawServer anyPassword([](int fd, const std::string& head, int) {
        Send(fd, head.rfind("POST ", 0) == 0 ? "HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\n\r\n"
                                             : kLoginAnswer);
    });
    RawServer playing([](int fd, const std::string& head, int) {
        if (head.rfind("GET /vtipc/v1/live", 0) == 0) {
            Send(fd, kStreamHead);
            PeerClosedWithin(fd, 30000);
            return;
        }
        Send(fd, head.rfind("POST ", 0) == 0 ? "HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\n\r\n"
                                             : kLoginAnswer);
    });
    const int played = Login(playing);
    ASSERT_GE(played, 0);
    ASSERT_EQ(Play(played), 0);
    const int oldest = Login(anyPassword, "first");
    ASSERT_GE(oldest, 0);

    int last = -1;
    int failures = 0;
    for (int i = 0; i < 5000; ++i) {
        const int handle = Login(anyPassword, "guess" + std::to_string(i));
        if (handle < 0) {
            ++failures;
        } else {
            EXPECT_NE(handle, oldest) << "a handle is never given to another session";
            last = handle;
        }
    }
    EXPECT_EQ(failures, 0) << "error " << Vt_Sdk_GetLastError();
    EXPECT_EQ(Vt_Ipc_RebootSystem(last), 0) << "the newest handle works";
    EXPECT_EQ(Vt_Ipc_RebootSystem(oldest), -1) << "the oldest idle handle made room";
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_HANDLE);
    EXPECT_EQ(Vt_IpcClient_StopLivePlay(played), 0);
    EXPECT_EQ(Vt_Ipc_RebootSystem(played), 0) << "the playing handle was in use and stayed";
    const int again = Login(anyPassword, "first");
    EXPECT_GE(again, 0);
    EXPECT_NE(again, oldest);
}

} // namespace
