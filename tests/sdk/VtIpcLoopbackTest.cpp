// The device SDK against the simulator's camera web server: logins, errors
// and the settings that round-trip through the camera.
#include "CameraSession.h"
#include "VtIpcLoopbackFixture.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace loopback {
namespace {

TEST_F(LoopbackTest, LoginVerifiesCredentialsAndReusesHandles)
{
    const int port = PortOf(camera_);
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin", "secret1", 0), handle_);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_NONE);
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin", "wrong", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_AUTH_REFUSED);
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "root", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_AUTH_REFUSED);
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin", "sixteen-chars-xx", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(Vt_Ipc_Login("not-an-ip", "", port, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin\r\nX-Injected: 1", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT) << "a line break would split the header";
}

TEST_F(LoopbackTest, UnreachableCameraGivesErrorFive)
{
    const int port = PortOf(camera_);
    service_.Stop(camera_);
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNREACHABLE);
    SystemInfoRecord info{};
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNREACHABLE);
}

TEST_F(LoopbackTest, BrokenAnswersAreProtocolErrors)
{
    {
        std::lock_guard lock(camera_->mutex);
        camera_->sim.faults |= camsim::kFaultBrokenHttp;
    }
    PortInfoRecord ports{};
    EXPECT_EQ(Vt_Ipc_GetPortInfo(handle_, &ports), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_PROTOCOL);
}

TEST_F(LoopbackTest, SlowAnswersWithinTheBoundArriveLaterOnesAreUnreachable)
{
    {
        std::lock_guard lock(camera_->mutex);
        camera_->sim.faults |= camsim::kFaultSlowHttp;
        camera_->sim.slowMs = 150;
    }
    const vtclient::ExchangeLimits limits{500, 400, 2000};
    vtclient::CameraSession patient("127.0.0.1", PortOf(camera_), "admin", "secret1", limits);
    EXPECT_EQ(patient.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_NONE);
    {
        std::lock_guard lock(camera_->mutex);
        camera_->sim.slowMs = 1000;
    }
    EXPECT_EQ(patient.Call("GET", "/vtipc/v1/login", {}).error, VT_ERR_UNREACHABLE);
}

TEST_F(LoopbackTest, CallsWithoutInitOrWithBadHandlesFail)
{
    SystemInfoRecord info{};
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_ + 100, &info), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_HANDLE);
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_, nullptr), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT);
    Vt_Sdk_Destroy();
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_NOT_INITIALISED);
}

TEST_F(LoopbackTest, LastErrorBelongsToTheCallingThread)
{
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(-7, nullptr), -1);
    int otherThreadError = -1;
    std::thread([&] {
        SystemInfoRecord info{};
        Vt_Ipc_GetSystemInfo(handle_, &info);
        otherThreadError = Vt_Sdk_GetLastError();
    }).join();
    EXPECT_EQ(otherThreadError, VT_ERR_NONE);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT);
}

TEST_F(LoopbackTest, SystemDateRoundTrip)
{
    SystemDateRecord date{};
    date.mode = 0;
    std::strcpy(date.date, "2031/02/28");
    std::strcpy(date.time, "13:14:15");
    date.daylight = 1;
    std::strcpy(date.ntpServer, "time.example.org");
    date.timeZone = 46;
    ASSERT_EQ(Vt_Ipc_SetSystemDate(handle_, &date), 0) << Vt_Sdk_GetLastError();
    SystemDateRecord read{};
    ASSERT_EQ(Vt_Ipc_GetSystemDate(handle_, &read), 0);
    EXPECT_STREQ(read.date, "2031/02/28");
    EXPECT_EQ(std::string(read.time).substr(0, 5), "13:14");
    EXPECT_EQ(read.daylight, 1);
    EXPECT_EQ(read.timeZone, 46);
    EXPECT_STREQ(read.ntpServer, "time.example.org");

    std::strcpy(date.date, "2031/02/30");
    EXPECT_EQ(Vt_Ipc_SetSystemDate(handle_, &date), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_REJECTED);
}

TEST_F(LoopbackTest, DeviceNameIsDecodedAndKept)
{
    ASSERT_EQ(Vt_Ipc_SetDeviceName(handle_, "%43%61%6D.%31%20%E5%8C%97"), 0) << Vt_Sdk_GetLastError();
    {
        std::lock_guard lock(camera_->mutex);
        EXPECT_EQ(camera_->sim.name, "Cam.1 \xE5\x8C\x97");
    }
    EXPECT_EQ(Vt_Ipc_SetDeviceName(handle_, "a%3Bb"), -1); // ";" can never be in a name
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_REJECTED);
    EXPECT_EQ(Vt_Ipc_SetDeviceName(handle_, "%FF%FE"), -1); // not UTF-8
}

TEST_F(LoopbackTest, PasswordChangeLocksOutTheOldPassword)
{
    const int port = PortOf(camera_);
    ASSERT_EQ(Vt_Ipc_ModifyPassword(handle_, "admin", "n3wpass"), 0) << Vt_Sdk_GetLastError();
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_AUTH_REFUSED);
    EXPECT_GE(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin", "n3wpass", 0), 0);
    SystemInfoRecord info{};
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), 0) << "the changing handle goes on working";
    EXPECT_EQ(Vt_Ipc_ModifyPassword(handle_, "admin", "abc"), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_REJECTED);
}

TEST_F(LoopbackTest, SystemInfoReportsTheCamera)
{
    SystemInfoRecord info{};
    ASSERT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), 0);
    EXPECT_STREQ(info.model, "VT-C6121");
    EXPECT_STREQ(info.version, "31.4.0.83");
    EXPECT_STREQ(reinterpret_cast<const char*>(&info) + 48, "31.4.0.83");
}

TEST_F(LoopbackTest, PortChangeMovesTheServer)
{
    std::atomic<int> moves{0};
    service_.SetMovedCallback([&](const std::shared_ptr<LiveCamera>&) { ++moves; });
    PortInfoRecord ports{};
    ASSERT_EQ(Vt_Ipc_GetPortInfo(handle_, &ports), 0);
    EXPECT_EQ(ports.httpPort, PortOf(camera_));
    EXPECT_EQ(ports.rtspPort, 554);
    const int oldPort = ports.httpPort;
    // A free port: bind a probe camera to any port, then let it go.
    auto probe = MakeCamera();
    ASSERT_TRUE(service_.Start(probe));
    const int newPort = PortOf(probe);
    service_.Stop(probe);

    ports = {newPort, newPort, 8554, 8554, 0};
    ASSERT_EQ(Vt_Ipc_SetPortInfo(handle_, &ports), 0) << Vt_Sdk_GetLastError();
    for (int i = 0; i < 100 && moves == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(moves, 1);
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", oldPort, "admin", "secret1", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_UNREACHABLE);
    const int moved = Vt_Ipc_Login("127.0.0.1", "127.0.0.1", newPort, "admin", "secret1", 0);
    ASSERT_GE(moved, 0);
    PortInfoRecord read{};
    ASSERT_EQ(Vt_Ipc_GetPortInfo(moved, &read), 0);
    EXPECT_EQ(read.httpPort, newPort);
    EXPECT_EQ(read.rtspPort, 8554);

    ports.rtspPort = newPort;
    EXPECT_EQ(Vt_Ipc_SetPortInfo(moved, &ports), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_REJECTED);
}

TEST_F(LoopbackTest, DdnsRoundTripKeepsTheCamerasMac)
{
    DdnsRecord ddns{};
    ddns.enabled = 1;
    std::strcpy(ddns.provider, "freedns.afraid.org");
    std::strcpy(ddns.user, "alice");
    std::strcpy(ddns.password, "pw");
    std::strcpy(ddns.hash, "abc123");
    std::strcpy(ddns.host, "cam-01.example.org");
    ddns.easyEnabled = 1;
    ddns.easyChosen = 0;
    std::strcpy(ddns.mac, "FF:FF:FF:FF:FF:FF");
    ASSERT_EQ(Vt_Ipc_SetDDNS(handle_, &ddns), 0) << Vt_Sdk_GetLastError();
    DdnsRecord read{};
    ASSERT_EQ(Vt_Ipc_GetDDNS(handle_, &read), 0);
    EXPECT_EQ(read.enabled, 1);
    EXPECT_STREQ(read.provider, "freedns.afraid.org");
    EXPECT_STREQ(read.user, "alice");
    EXPECT_STREQ(read.password, "pw");
    EXPECT_STREQ(read.hash, "abc123");
    EXPECT_STREQ(read.host, "cam-01.example.org");
    EXPECT_EQ(read.easyEnabled, 1);
    EXPECT_STREQ(read.mac, "00:30:4F:12:34:56");
}

TEST_F(LoopbackTest, VideoStreamsRoundTripAndShareTheSecondarySwitch)
{
    VideoConfigRecord primary{};
    primary.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &primary), 0);
    const int32_t profile = primary.profile;
    primary.secondaryEnabled = 0;
    primary.codec = 2;
    primary.frameSize = 2;
    primary.frameRate = 20;
    primary.bitRate = 2048;
    primary.rateControl = 0;
    primary.iFrameInterval = 40;
    primary.profile = profile + 99; // the camera's own value; a write cannot change it
    ASSERT_EQ(Vt_Ipc_SetVideoConfig(handle_, &primary), 0) << Vt_Sdk_GetLastError();

    VideoConfigRecord read{};
    read.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &read), 0);
    EXPECT_EQ(read.codec, 2);
    EXPECT_EQ(read.frameSize, 2);
    EXPECT_EQ(read.frameRate, 20);
    EXPECT_EQ(read.bitRate, 2048);
    EXPECT_EQ(read.rateControl, 0);
    EXPECT_EQ(read.iFrameInterval, 40);
    EXPECT_EQ(read.profile, profile);

    VideoConfigRecord secondary{};
    secondary.stream = 0;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &secondary), 0);
    EXPECT_EQ(secondary.stream, 0);
    EXPECT_EQ(secondary.secondaryEnabled, 0);
    secondary.frameSize = 4;
    secondary.secondaryEnabled = 1;
    ASSERT_EQ(Vt_Ipc_SetVideoConfig(handle_, &secondary), 0);
    read.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle_, &read), 0);
    EXPECT_EQ(read.secondaryEnabled, 1);

    secondary.frameSize = 5; // the secondary table has five sizes
    EXPECT_EQ(Vt_Ipc_SetVideoConfig(handle_, &secondary), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_REJECTED);
}

TEST_F(LoopbackTest, OsdRoundTripPassesTitleBytesThrough)
{
    OsdRecord osd{};
    osd.showTitle = 1;
    osd.showTime = 0;
    std::strcpy(osd.title, "Gate \xB1\xB1"); // a title in a legacy code page, not UTF-8
    osd.titlePosition = 1;
    osd.datePosition = 3;
    osd.dateFormat = 2;
    ASSERT_EQ(Vt_Ipc_SetOSD(handle_, &osd), 0) << Vt_Sdk_GetLastError();
    OsdRecord read{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle_, &read), 0);
    EXPECT_EQ(std::memcmp(&read, &osd, sizeof osd), 0);

    std::memset(osd.title, 'x', sizeof osd.title); // no terminator
    EXPECT_EQ(Vt_Ipc_SetOSD(handle_, &osd), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_INVALID_ARGUMENT);
}

TEST_F(LoopbackTest, ImagingRoundTripsFollowTheModelsRanges)
{
    ImagingSettingsRecord picture{10, 20, 30, 100, 0};
    ASSERT_EQ(Vt_Ipc_SetImagingSettings(handle_, &picture), 0) << Vt_Sdk_GetLastError();
    ImagingSettingsRecord readPicture{};
    ASSERT_EQ(Vt_Ipc_GetImagingSettings(handle_, &readPicture), 0);
    EXPECT_EQ(std::memcmp(&readPicture, &picture, sizeof picture), 0);
    picture.sharpness = 101; // 0-100 on a camera whose model does not end in A
    EXPECT_EQ(Vt_Ipc_SetImagingSettings(handle_, &picture), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_REJECTED);

    ImagingConfigRecord config{};
    ASSERT_EQ(Vt_Ipc_GetImagingConfig(handle_, &config), 0);
    config.frequency = 60;
    config.irCut = 1;
    config.localDisplay = 2;
    config.outdoor = 1;
    config.exposureLevel = 9;
    config.maxExposure = 12;
    config.mirror = 1;
    ASSERT_EQ(Vt_Ipc_SetImagingConfig(handle_, &config), 0) << Vt_Sdk_GetLastError();
    ImagingConfigRecord readConfig{};
    ASSERT_EQ(Vt_Ipc_GetImagingConfig(handle_, &readConfig), 0);
    EXPECT_EQ(std::memcmp(&readConfig, &config, sizeof config), 0);
    config.frequency = 55;
    EXPECT_EQ(Vt_Ipc_SetImagingConfig(handle_, &config), -1);
}

TEST_F(LoopbackTest, RestoreBringsBackFactorySettingsButKeepsAccess)
{
    OsdRecord osd{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle_, &osd), 0);
    std::strcpy(osd.title, "Changed");
    ASSERT_EQ(Vt_Ipc_SetOSD(handle_, &osd), 0);
    ASSERT_EQ(Vt_Ipc_RestoreSystem(handle_), 0) << Vt_Sdk_GetLastError();
    ASSERT_EQ(Vt_Ipc_GetOSD(handle_, &osd), 0);
    EXPECT_STREQ(osd.title, "Camera");
    PortInfoRecord ports{};
    ASSERT_EQ(Vt_Ipc_GetPortInfo(handle_, &ports), 0);
    EXPECT_EQ(ports.httpPort, PortOf(camera_));
}

TEST_F(LoopbackTest, RebootSilencesTheCameraThenBringsItBack)
{
    std::atomic<int> rebooted{0};
    service_.SetRebootedCallback([&](const std::shared_ptr<LiveCamera>&) { ++rebooted; });
    ASSERT_EQ(Vt_Ipc_RebootSystem(handle_), 0) << Vt_Sdk_GetLastError();
    bool sawSilence = false;
    for (int i = 0; i < 100 && rebooted == 0; ++i) {
        SystemInfoRecord info{};
        if (Vt_Ipc_GetSystemInfo(handle_, &info) != 0 && Vt_Sdk_GetLastError() == VT_ERR_UNREACHABLE) {
            sawSilence = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(sawSilence);
    ASSERT_EQ(rebooted, 1);
    SystemInfoRecord info{};
    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), 0);
}

// A camera whose web server starts again (a new process after a reboot or an
// update) knows nothing of the nonce the SDK kept: its challenge is not
// marked stale, yet the right credentials must still get in, both through a
// new login and through the handle kept from before.
TEST_F(LoopbackTest, LoginAndKeptHandleAnswerTheChallengeOfARestartedServer)
{
    SystemInfoRecord info{};
    ASSERT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), 0) << "the session holds a nonce";
    const int port = PortOf(camera_);
    service_.Stop(camera_);
    CameraHttpService restarted{2};
    ASSERT_TRUE(restarted.Start(camera_));
    ASSERT_EQ(PortOf(camera_), port);

    EXPECT_EQ(Vt_Ipc_GetSystemInfo(handle_, &info), 0) << "last error " << Vt_Sdk_GetLastError();
    restarted.Stop(camera_);
    CameraHttpService again{2};
    ASSERT_TRUE(again.Start(camera_));
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin", "secret1", 0), handle_)
        << "last error " << Vt_Sdk_GetLastError();
    EXPECT_EQ(Vt_Ipc_Login("127.0.0.1", "127.0.0.1", port, "admin", "wrong", 0), -1);
    EXPECT_EQ(Vt_Sdk_GetLastError(), VT_ERR_AUTH_REFUSED);
    again.Stop(camera_);
}

TEST_F(LoopbackTest, OversizedJsonBodiesAreRefused)
{
    OsdRecord osd{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle_, &osd), 0);
    vtclient::CameraSession session("127.0.0.1", PortOf(camera_), "admin", "secret1");
    const std::string huge = R"({"title":")" + std::string(70 * 1024, 'x') + R"("})";
    EXPECT_EQ(session.Call("PUT", "/vtipc/v1/video/osd", huge).error, VT_ERR_REJECTED);
    OsdRecord after{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle_, &after), 0);
    EXPECT_EQ(std::memcmp(&osd, &after, sizeof osd), 0);
}

} // namespace
} // namespace loopback
