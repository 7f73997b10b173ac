// An ONVIF camera behind the camera interface: what its calls come to as the
// simulator's ONVIF face answers them over real HTTP on 127.0.0.1, through
// the same core calls the pages use.
#include "OnvifCamera.h"

#include "BatchEngine.h"
#include "CameraAccess.h"
#include "CameraHttpService.h"
#include "CameraProvider.h"
#include "CertificatePins.h"
#include "LiveCamera.h"
#include "OemUpload.h"
#include "OnvifCameraFixture.h"
#include "OnvifCameraMaker.h"
#include "ProgramFolder.h"
#include "SystemParams.h"
#include "TimeZoneTable.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* kPassword = kSimPassword;
constexpr int kIndia = 94; // "5.5 India (Calcutta)"

class OnvifCameraTest : public OnvifCameraFixture
{
};

TEST_F(OnvifCameraTest, LoginReportsLikeTheFamilysAndWorkWithoutAnEquivalentIsNeverSent)
{
    EXPECT_EQ(OnvifCamera(Entry(), {"admin", "wrong"}, Address()).Login().status, CameraStatus::Refused);
    OnvifCameraAddress closed = Address();
    closed.serviceUrl = "http://127.0.0.1:1/onvif/device_service";
    EXPECT_EQ(OnvifCamera(Entry(), {"admin", kPassword}, closed).Login().status, CameraStatus::Unreachable);

    OnvifCamera camera(Entry(), {"admin", kPassword}, Address());
    ASSERT_TRUE(camera.Login().Done()) << "logs in although the camera's clock is two hours off";
    const std::size_t logBefore = State().systemLog.size();
    for (const CameraOperation lacking : {CameraOperation::Ddns, CameraOperation::OemUpload,
                                          CameraOperation::LogDownload, CameraOperation::ConfigDownload,
                                          CameraOperation::CustomDownload, CameraOperation::FirmwareUpload}) {
        EXPECT_FALSE(camera.Supports(lacking)) << static_cast<int>(lacking);
    }
    DdnsRecord ddns{};
    EXPECT_EQ(camera.GetDdns(ddns).status, CameraStatus::NotSupported);
    EXPECT_EQ(camera.UploadOemFile("/etc/hostname").status, CameraStatus::NotSupported);
    EXPECT_EQ(camera.DownloadLog("/tmp/never").status, CameraStatus::NotSupported);
    EXPECT_EQ(State().systemLog.size(), logBefore) << "nothing reached the camera";

    SystemInfoRecord info{};
    ASSERT_TRUE(camera.GetSystemInfo(info).Done());
    EXPECT_STREQ(info.model, "AX-200");
    EXPECT_STREQ(info.version, "2.1.0");

    PortInfoRecord ports{};
    ASSERT_TRUE(camera.GetPorts(ports).Done());
    EXPECT_EQ(ports.httpPort, Entry().port);
    EXPECT_EQ(ports.rtspPort, 554);
    ports.rtspPort = 8554;
    ASSERT_TRUE(camera.SetPorts(ports).Done());
    EXPECT_EQ(State().rtspPort, 8554);

    std::vector<std::string> log;
    ASSERT_TRUE(camera.GetSystemLogLines(log).Done());
    EXPECT_FALSE(log.empty());
    for (const std::string& line : log) {
        EXPECT_EQ(line.find('\n'), std::string::npos);
    }

    // A page that closes stops the camera's calls.
    camera.Abort();
    EXPECT_EQ(camera.GetSystemInfo(info).status, CameraStatus::Failed);
}

TEST_F(OnvifCameraTest, DateTimeZoneAndNtpGoAsPosixTimeInUtcAndComeBackAsTheFamilysRecord)
{
    OnvifCamera camera(Entry(), {"admin", kPassword}, Address());
    ASSERT_TRUE(camera.Login().Done());

    SystemDateRecord ntp{};
    ntp.mode = 1;
    ntp.timeZone = kIndia;
    ntp.daylight = 0;
    std::snprintf(ntp.ntpServer, sizeof ntp.ntpServer, "%s", "10.44.7.1");
    ASSERT_TRUE(camera.SetSystemDate(ntp).Done());
    camsim::OnvifState state = State();
    EXPECT_TRUE(state.ntpTime);
    EXPECT_EQ(state.timeZone, "UTC-5:30");
    EXPECT_EQ(state.ntpServers, std::vector<std::string>{"10.44.7.1"});
    SystemDateRecord read{};
    ASSERT_TRUE(camera.GetSystemDate(read).Done());
    EXPECT_EQ(read.mode, 1);
    EXPECT_EQ(read.timeZone, kIndia);
    EXPECT_STREQ(read.ntpServer, "10.44.7.1");

    // By hand: the local time of the record's zone is UTC 5:30 earlier.
    SystemDateRecord manual{};
    manual.mode = 0;
    manual.timeZone = kIndia;
    std::snprintf(manual.date, sizeof manual.date, "2026/03/01");
    std::snprintf(manual.time, sizeof manual.time, "03:00:00");
    ASSERT_TRUE(camera.SetSystemDate(manual).Done());
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    state = State();
    EXPECT_FALSE(state.ntpTime);
    EXPECT_NEAR(static_cast<double>(state.CameraTime(now)), 1772314200.0, 5.0) << "2026-02-28T21:30:00Z";
    ASSERT_TRUE(camera.GetSystemDate(read).Done());
    EXPECT_EQ(read.mode, 0);
    EXPECT_STREQ(read.date, "2026/03/01");
    EXPECT_EQ(std::string(read.time).substr(0, 4), "03:0");

    // Keep: only the zone changes, the clock and its source stay.
    SystemDateRecord keep{};
    keep.mode = 3;
    keep.timeZone = kDefaultTimeZone;
    ASSERT_TRUE(camera.SetSystemDate(keep).Done());
    state = State();
    EXPECT_FALSE(state.ntpTime);
    EXPECT_EQ(state.timeZone, "UTC-8");
    EXPECT_NEAR(static_cast<double>(state.CameraTime(now)), 1772314200.0, 5.0);
}

TEST_F(OnvifCameraTest, TheSystemPageRefusesANameThatIsNoHostNameAndChangesThePasswordOfTheLogin)
{
    const std::string ip = Entry().ip;
    const OnvifCameraAddress address = Address();
    const CameraMakerRegistration registration(OnvifCameraMaker(
        [&](const tagVtIpcInfo& info) -> std::optional<OnvifCameraAddress> {
            return ip == info.ip ? std::optional(address) : std::nullopt;
        }));
    SystemApply apply;
    apply.login = {"admin", kPassword};
    apply.settings.mode = DateTimeMode::Sntp;
    apply.settings.timeZone = kIndia;
    apply.settings.sntpServer = "ntp.lab";
    apply.settings.deviceName = "Hall 3";
    std::vector<PanelLine> lines = ApplySystemSettings(Entry(), apply);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, L"[AC:1E:50:00:24:01] 127.0.0.1 Set date and time successfully.");
    EXPECT_EQ(lines[1].text, L"[AC:1E:50:00:24:01] 127.0.0.1 The name is not a valid host name (letters, "
                             L"digits and hyphens, at most 63 between dots); the name was not changed.");
    const std::string hostnameBefore = State().hostname;
    EXPECT_NE(hostnameBefore, "Hall 3");
    EXPECT_EQ(State().ntpServers, std::vector<std::string>{"ntp.lab"});

    apply.settings.deviceName = "hall-3";
    apply.settings.newPassword = "newpass9";
    lines = ApplySystemSettings(Entry(), apply);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(State().hostname, "hall-3");
    EXPECT_NE(lines[2].text.find(L"Modify password successfully."), std::wstring::npos);
    EXPECT_EQ(OpenCamera(Entry(), {"admin", "newpass9"})->Login().status, CameraStatus::Done);
    EXPECT_EQ(OpenCamera(Entry(), {"admin", kPassword})->Login().status, CameraStatus::Refused);

    // The OEM page's work has no equivalent: one line, and not even a login
    // (which, with a wrong password, the camera would log as refused).
    const std::size_t logBefore = State().systemLog.size();
    const std::vector<PanelLine> oem =
        UploadOemFiles(Entry(), OemUpload{"vtoem.cfg", {}, {"admin", "not-the-password"}});
    ASSERT_EQ(oem.size(), 1u);
    EXPECT_EQ(oem[0].text, L"[AC:1E:50:00:24:01] 127.0.0.1 OEM branding is only for the family's cameras; "
                           L"nothing was sent to this camera.");
    EXPECT_EQ(State().systemLog.size(), logBefore);
}

TEST_F(OnvifCameraTest, FirmwareReachesTheCameraWhichComesBackWithTheNewVersion)
{
    OnvifCamera camera(Entry(), {"admin", kPassword}, Address());
    ASSERT_TRUE(camera.Login().Done());
    const std::string image = ::testing::TempDir() + "onvif-image-" + std::to_string(getpid()) + ".bin";
    {
        std::ofstream out(image, std::ios::binary);
        out << "ONVIF-IMAGE AX-200 2.2.0\n" << std::string(100000, 'x');
    }
    ASSERT_TRUE(camera.UpdateFirmware(image).Done());
    std::remove(image.c_str());
    std::string version;
    for (int tries = 0; tries < 100 && version != "2.2.0"; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard lock(m_camera->mutex);
        version = m_camera->sim.version;
    }
    EXPECT_EQ(version, "2.2.0");
}

TEST_F(OnvifCameraTest, ABatchThatIsCancelledStopsTheCallItIsWaitingOn)
{
    {
        std::lock_guard lock(m_camera->mutex);
        m_camera->sim.faults |= camsim::kFaultSlowHttp;
        m_camera->sim.slowMs = 1500;
    }
    const OnvifCameraAddress address = Address();
    const CameraMakerRegistration registration(
        OnvifCameraMaker([&](const tagVtIpcInfo&) -> std::optional<OnvifCameraAddress> { return address; }));
    std::atomic<bool> calling{false};
    std::vector<PanelLine> lines;
    BatchEngine engine;
    ASSERT_TRUE(engine.Start(
        {Entry()},
        [&](const tagVtIpcInfo& info, std::size_t) {
            const std::shared_ptr<Camera> camera = OpenCamera(info, {"admin", kPassword});
            calling = true;
            return std::vector<PanelLine>{{camera->Login().Done() ? L"answered" : L"stopped", true}};
        },
        [&](std::size_t, std::vector<PanelLine> done) { lines = std::move(done); }, [](bool) {}));
    while (!calling) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    engine.Cancel();
    engine.Wait();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, L"stopped") << "the camera would have answered after 1.5 s";
}

TEST_F(OnvifCameraTest, AnHttpsCertificateIsPinnedOnFirstUseAndAChangedOneIsRefusedUntilAccepted)
{
    const std::filesystem::path folder = ::testing::TempDir() + "onvif-pins-" + std::to_string(getpid());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    PlatformSetProgramFolder(folder.string());
    const auto restartWithHttps = [&](camsim::CameraHttpService& service) {
        {
            std::lock_guard lock(m_camera->mutex);
            m_camera->sim.https = true;
            m_camera->sim.port = 0;
        }
        ASSERT_TRUE(service.Start(m_camera));
    };
    m_service.Stop(m_camera);
    restartWithHttps(m_service);
    const CameraMakerRegistration registration(
        OnvifCameraMaker([&](const tagVtIpcInfo&) -> std::optional<OnvifCameraAddress> {
            std::lock_guard lock(m_camera->mutex);
            return OnvifCameraAddress{m_camera->sim.OnvifRoot() + "/onvif/device_service", {}};
        }));
    SystemApply apply;
    apply.login = {"admin", kPassword};
    apply.settings.mode = DateTimeMode::Sntp;
    apply.settings.timeZone = kIndia;
    apply.settings.sntpServer = "ntp.lab";
    const std::wstring prefix = L"[AC:1E:50:00:24:01] 127.0.0.1 ";

    // First use: pinned, and the panel names it as the camera's page does.
    const std::string first = State().certificateFingerprint;
    std::vector<PanelLine> lines = ApplySystemSettings(Entry(), apply);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, prefix + L"HTTPS certificate pinned on first use, SHA-256 " +
                                 std::wstring(first.begin(), first.end()) + L".");
    EXPECT_EQ(lines[1].text, prefix + L"Set date and time successfully.");
    ASSERT_EQ(CertificatePins().size(), 1u);
    EXPECT_EQ(CertificatePins()[0].key, "AC:1E:50:00:24:01");
    EXPECT_EQ(FingerprintText(CertificatePins()[0].pinned), first);
    EXPECT_TRUE(std::filesystem::exists(folder / "CertificatePins.txt"));
    lines = ApplySystemSettings(Entry(), apply);
    ASSERT_EQ(lines.size(), 1u) << "pinned once, not again";

    // The simulator starts again with a new certificate: refused, nothing sent.
    m_service.Stop(m_camera);
    camsim::CameraHttpService restarted{2};
    restartWithHttps(restarted);
    const std::string second = State().certificateFingerprint;
    ASSERT_NE(second, first);
    const std::size_t logBefore = State().systemLog.size();
    const std::string zoneBefore = State().timeZone;
    apply.settings.timeZone = 0;
    lines = ApplySystemSettings(Entry(), apply);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, prefix + L"The camera's HTTPS certificate has changed (pinned " +
                                 std::wstring(first.begin(), first.begin() + 23) + L"..., now " +
                                 std::wstring(second.begin(), second.begin() + 23) +
                                 L"...); nothing was sent. If the change is expected, accept it with: "
                                 L"zendrix-cli trust --mac AC:1E:50:00:24:01");
    EXPECT_EQ(State().systemLog.size(), logBefore);
    EXPECT_EQ(State().timeZone, zoneBefore) << "the camera was not changed";
    EXPECT_EQ(FingerprintText(PinnedCertificate("AC:1E:50:00:24:01")), first) << "still the first";

    // Accepted: the new one is pinned and the camera is worked on again.
    CertificatePin before;
    ASSERT_TRUE(AcceptRefusedCertificate("AC:1E:50:00:24:01", before));
    EXPECT_EQ(FingerprintText(before.pinned), first);
    EXPECT_FALSE(AcceptRefusedCertificate("AC:1E:50:00:24:01", before)) << "nothing waits any more";
    lines = ApplySystemSettings(Entry(), apply);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, prefix + L"Set date and time successfully.");
    EXPECT_NE(State().timeZone, zoneBefore);
    EXPECT_EQ(FingerprintText(PinnedCertificate("AC:1E:50:00:24:01")), second);
    restarted.StopAll();
    PlatformSetProgramFolder("");
    std::filesystem::remove_all(folder);
}

TEST(OnvifHostnames, LettersDigitsAndHyphensBetweenDots)
{
    for (const char* good : {"cam1", "Hall-3", "a.b-c.d", "x"}) {
        EXPECT_TRUE(IsValidHostname(good)) << good;
    }
    for (const char* bad : {"", "Hall 3", "-cam", "cam-", "a..b", "caf\xC3\xA9", "cam_1", "a.", ".a"}) {
        EXPECT_FALSE(IsValidHostname(bad)) << bad;
    }
    EXPECT_TRUE(IsValidHostname(std::string(63, 'a')));
    EXPECT_FALSE(IsValidHostname(std::string(64, 'a')));
}

} // namespace
