// The camera interface: what a family camera's calls come to as the
// simulator's web side answers them over real HTTP on 127.0.0.1, and how a
// camera of another protocol comes in and is refused the work it has no
// equivalent for.
#include "Camera.h"

#include "CameraAccess.h"
#include "CameraHttpService.h"
#include "CameraProvider.h"
#include "CertificateQuestions.h"
#include "CameraSettings.h"
#include "FamilyCamera.h"
#include "LiveCamera.h"
#include "LogOperations.h"
#include "OemUpload.h"
#include "VtIpcSDK.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <turbojpeg.h>

namespace {

constexpr const char* kPassword = "secret1";

// One camera of the simulator, served in-process on a loopback port.
class FamilyCameraTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(Vt_Sdk_Init(), 0);
        m_camera = std::make_shared<camsim::LiveCamera>();
        m_camera->sim.ip = "127.0.0.1";
        m_camera->sim.port = 0;
        m_camera->sim.mac = {0x00, 0x30, 0x4F, 0x12, 0x34, 0x56};
        m_camera->sim.model = "VT-C3190A";
        m_camera->sim.password = kPassword;
        m_camera->settings = camsim::FactorySettings(m_camera->sim.model, 0, "00:30:4F:12:34:56");
        ASSERT_TRUE(m_service.Start(m_camera));
    }
    void TearDown() override
    {
        m_service.StopAll();
        Vt_Sdk_Destroy();
    }

    // The camera's device-table entry.
    tagVtIpcInfo Entry() const
    {
        tagVtIpcInfo info{};
        std::lock_guard lock(m_camera->mutex);
        std::memcpy(info.mac, m_camera->sim.mac.data(), m_camera->sim.mac.size());
        std::snprintf(info.ip, sizeof info.ip, "%s", m_camera->sim.ip.c_str());
        info.port = m_camera->sim.port;
        std::snprintf(info.model, sizeof info.model, "%s", m_camera->sim.model.c_str());
        return info;
    }
    std::string NameKept() const
    {
        std::lock_guard lock(m_camera->mutex);
        return m_camera->sim.name;
    }

    camsim::CameraHttpService m_service{4};
    std::shared_ptr<camsim::LiveCamera> m_camera;
};

TEST_F(FamilyCameraTest, EachCallSaysWhatTheCameraAnsweredAndNothingIsRefusedUnasked)
{
    FamilyCamera wrong(Entry(), {"admin", "wrong"});
    const CameraResult refused = wrong.Login();
    EXPECT_EQ(refused.status, CameraStatus::Refused);
    EXPECT_EQ(refused.code, VT_ERR_AUTH_REFUSED);

    FamilyCamera camera(Entry(), {"admin", kPassword});
    for (int operation = 0; operation <= static_cast<int>(CameraOperation::LivePlay); ++operation) {
        EXPECT_TRUE(camera.Supports(static_cast<CameraOperation>(operation))) << "operation " << operation;
    }
    EXPECT_FALSE(camera.Supports(CameraOperation::SystemLog));
    EXPECT_FALSE(camera.Supports(CameraOperation::MakersImage));
    std::vector<std::string> log;
    EXPECT_EQ(camera.GetSystemLogLines(log).status, CameraStatus::NotSupported);
    SystemInfoRecord info{};
    const CameraResult early = camera.GetSystemInfo(info);
    EXPECT_EQ(early.status, CameraStatus::Failed) << "nothing is read before the login";
    EXPECT_EQ(early.code, VT_ERR_INVALID_HANDLE);
    ASSERT_TRUE(camera.Login().Done());
    const CameraResult read = camera.GetSystemInfo(info);
    EXPECT_TRUE(read.Done());
    EXPECT_EQ(read.code, 0);
    EXPECT_STREQ(info.model, "VT-C3190A");

    // The name is handed over as the camera keeps it; the family's wire
    // encoding is the camera object's business, "%" included.
    ASSERT_TRUE(camera
                    .SetDeviceName("Tor 5% S\xC3\xBC"
                                   "d")
                    .Done());
    EXPECT_EQ(NameKept(), "Tor 5% S\xC3\xBC"
                          "d");

    const PortInfoRecord noPorts{};
    const CameraResult rejected = camera.SetPorts(noPorts);
    EXPECT_EQ(rejected.status, CameraStatus::Failed);
    EXPECT_EQ(rejected.code, VT_ERR_REJECTED);

    m_service.Stop(m_camera);
    const CameraResult gone = camera.GetSystemInfo(info);
    EXPECT_EQ(gone.status, CameraStatus::Unreachable);
    EXPECT_EQ(gone.code, VT_ERR_UNREACHABLE);
}

TEST_F(FamilyCameraTest, SnapshotIsOneWholePictureOfThePrimaryStreamAtItsSize)
{
    {
        std::lock_guard lock(m_camera->mutex);
        m_camera->settings.primary.frameSize = 6; // 704x576
    }
    FamilyCamera camera(Entry(), {"admin", kPassword});
    ASSERT_TRUE(camera.Supports(CameraOperation::Snapshot));
    ASSERT_TRUE(camera.Login().Done());
    std::vector<uint8_t> jpeg;
    const CameraResult taken = camera.GetSnapshot(jpeg);
    ASSERT_TRUE(taken.Done()) << taken.code;
    tjhandle decoder = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    const int header = tjDecompressHeader3(decoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &width,
                                           &height, &subsampling, &colorspace);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    const int decoded = header == 0 ? tjDecompress2(decoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()),
                                                    rgb.data(), width, 0, height, TJPF_RGB, 0)
                                    : -1;
    tjDestroy(decoder);
    EXPECT_EQ(decoded, 0) << "the picture is a whole JPEG file";
    EXPECT_EQ(width, 704);
    EXPECT_EQ(height, 576);

    m_service.Stop(m_camera);
    std::vector<uint8_t> none;
    EXPECT_EQ(camera.GetSnapshot(none).status, CameraStatus::Unreachable);
    EXPECT_TRUE(none.empty());
}

// A camera of a protocol that cannot run here (a fake): it offers the date
// and nothing else, and counts every call that reaches it.
class DateOnlyCamera : public Camera
{
public:
    DateOnlyCamera(const tagVtIpcInfo& info, LoginCredentials login, std::atomic<int>& reached)
        : Camera(info, std::move(login)), m_reached(reached)
    {
    }
    bool Supports(CameraOperation operation) const override
    {
        return operation == CameraOperation::SystemDate;
    }
    CameraResult Login() override
    {
        ++m_reached;
        return {};
    }
    CameraResult GetSystemDate(SystemDateRecord& record) override
    {
        ++m_reached;
        record.timeZone = 33;
        return {};
    }

private:
    std::atomic<int>& m_reached;
};

tagVtIpcInfo Numbered(int n)
{
    tagVtIpcInfo info{};
    info.mac[5] = static_cast<unsigned char>(n);
    std::snprintf(info.ip, sizeof info.ip, "10.0.0.%d", n);
    std::snprintf(info.model, sizeof info.model, "VT-C3190A");
    return info;
}

TEST(CameraProvider, AnotherProtocolsMakerServesItsEntriesWhichRefuseWhatTheyLackBeforeSendingAnything)
{
    const tagVtIpcInfo family = Numbered(1);
    const tagVtIpcInfo other = Numbered(2);
    const LoginCredentials login{"admin", "pw"};
    std::atomic<int> reached{0};
    {
        const CameraMakerRegistration registration(
            [&](const tagVtIpcInfo& info, const LoginCredentials& credentials) -> std::shared_ptr<Camera> {
                if (std::strcmp(info.ip, other.ip) != 0) {
                    return nullptr;
                }
                return std::make_shared<DateOnlyCamera>(info, credentials, reached);
            });
        EXPECT_NE(dynamic_cast<FamilyCamera*>(OpenCamera(family, login).get()), nullptr);
        const std::shared_ptr<Camera> opened = OpenCamera(other, login);
        ASSERT_NE(dynamic_cast<DateOnlyCamera*>(opened.get()), nullptr);
        EXPECT_EQ(opened->Credentials().password, "pw");
        EXPECT_EQ(reached, 0) << "opening sends nothing";

        // Work it has an equivalent for goes through the same core calls.
        const std::shared_ptr<Camera> loggedIn = LoginCamera(other, login);
        ASSERT_TRUE(loggedIn);
        SystemDateRecord date{};
        EXPECT_TRUE(loggedIn->GetSystemDate(date).Done());
        EXPECT_EQ(date.timeZone, 33);
        OsdRecord osd{};
        EXPECT_EQ(loggedIn->GetOsd(osd).status, CameraStatus::NotSupported);
        reached = 0;

        // Work without one is refused with one line or message per camera.
        const std::wstring prefix = L"[00:00:00:00:00:02] 10.0.0.2 ";
        const std::vector<PanelLine> oem = UploadOemFiles(other, OemUpload{"vtoem.cfg", {"logo.jpg"}, login});
        ASSERT_EQ(oem.size(), 1U);
        EXPECT_EQ(oem[0].text,
                  prefix + L"OEM branding is only for the family's cameras; nothing was sent to this camera.");
        const LogOutcome selected = SelectCameraLog(other, login);
        ASSERT_TRUE(selected.line.has_value());
        EXPECT_EQ(selected.line->text,
                  prefix + L"Only the family's cameras keep a log database; nothing was sent to this camera.");
        EXPECT_FALSE(selected.camera);
        const std::time_t now = std::time(nullptr);
        EXPECT_EQ(RefreshCameraLog(nullptr, other, login).messageKey, 87015U);
        EXPECT_EQ(FetchCameraFile(nullptr, other, login, {CameraFileKind::Log, 0, {}}, now).messageKey,
                  87015U);
        EXPECT_EQ(FetchCameraFile(nullptr, other, login, {CameraFileKind::Config, 0, {}}, now).messageKey,
                  85003U);
        EXPECT_EQ(reached, 0) << "not even a login";
    }
    EXPECT_NE(dynamic_cast<FamilyCamera*>(OpenCamera(other, login).get()), nullptr)
        << "the maker is gone with its registration";
}

TEST(CameraLines, ACameraWhoseMacIsNotKnownYetIsNamedByItsAddressAlone)
{
    tagVtIpcInfo camera{};
    std::snprintf(camera.ip, sizeof camera.ip, "10.44.7.20");
    EXPECT_EQ(CameraLine(camera, 80000).text, L"10.44.7.20 Login failed. Please check your username and password.");
    camera.mac[5] = 0x2A;
    EXPECT_EQ(CameraLinePrefix(camera), L"[00:00:00:00:00:2A] 10.44.7.20 ");
}

// Many workers meeting the same changed certificate make one question; the
// answer holds for them all and for later logins; a worker nobody can stop
// never waits; closing refuses whoever still waits.
TEST(CertificateQuestionsTest, OneQuestionPerCertificateAnsweredOnceForEveryWaitingLogin)
{
    std::atomic<int> posted{0};
    CertificateQuestions questions([&] { ++posted; });
    const CertificateQuestion changed{"AC:1E:50:00:24:01", std::string(64, 'a'), std::string(64, 'b'), L"cam"};
    const std::atomic<bool> running{false};
    std::vector<std::thread> workers;
    std::atomic<int> accepted{0};
    for (int i = 0; i < 3; ++i) {
        workers.emplace_back([&] { accepted += questions.Ask(changed, &running) ? 1 : 0; });
    }
    std::optional<CertificateQuestion> shown;
    for (int tries = 0; tries < 200 && !(shown = questions.Next()); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->shown, changed.shown);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(questions.Next().has_value()) << "one question at a time, asked once";
    questions.Answer(false);
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(posted, 1);
    EXPECT_FALSE(questions.Ask(changed, &running)) << "refused again without asking";
    EXPECT_FALSE(questions.Next().has_value());

    // Another certificate of the same camera is asked about; a worker
    // without a stop flag only queues it.
    CertificateQuestion again = changed;
    again.shown = std::string(64, 'c');
    EXPECT_FALSE(questions.Ask(again, nullptr));
    ASSERT_TRUE(questions.Next().has_value());
    std::atomic<bool> stop{false};
    std::thread waiting([&] { accepted += questions.Ask(again, &stop) ? 1 : 0; });
    std::thread closing([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        questions.Close();
    });
    waiting.join();
    closing.join();
    EXPECT_EQ(accepted, 0) << "closed before an answer";
}

} // namespace
