// The "Network" and "Video" sub-pages against vtcamsim in the lab's camera
// namespace, through the real device SDK from the workstation namespace: a
// camera is loaded, one value changed and saved, and the simulator's state
// read back.
#include "CameraAccess.h"
#include "Lab.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "NetworkParamDlg.h"
#include "NetworkParams.h"
#include "ProgramFolder.h"
#include "SubPageControls.h"
#include "SubPageHost.h"
#include "VideoImageDlg.h"
#include "VtIpcSDK.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

// Readable failures for texts and lists of texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << "\n  " << texts.join(QStringLiteral("\n  ")).toStdString();
}
QT_END_NAMESPACE

namespace {
std::unique_ptr<QApplication> g_application;

void Application()
{
    static int argc = 1;
    static char name[] = "subpage_lab_tests";
    static char* argv[] = {name, nullptr};
    if (!g_application) {
        g_application = std::make_unique<QApplication>(argc, argv);
        Vt_Sdk_Init();
    }
}

void Choose(QComboBox* list, const QString& text)
{
    const int entry = list->findText(text);
    ASSERT_GE(entry, 0) << text.toStdString();
    list->setCurrentIndex(entry);
    emit list->activated(entry);
}

constexpr const char* kPassword = "qr7319";
constexpr const char* kOtherPassword = "zz4410";

// Three cameras of the partner's hardware; the second has a password of its
// own, the third is an A model.
constexpr const char* kConfig = R"({"cameras": [
  {"index": 0, "mac": "00:30:4F:00:00:0A", "model": "VT-C6121", "version": "31.4.0.83"},
  {"index": 1, "mac": "00:30:4F:00:00:0B", "model": "VT-C6121", "version": "31.4.0.83", "password": "zz4410"},
  {"index": 2, "mac": "00:30:4F:00:00:0C", "model": "VT-C6121A", "version": "31.4.0.83"}]})";

class SubPagesLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        Application();
        ASSERT_TRUE(m_folder.isValid());
        PlatformSetProgramFolder(m_folder.path().toStdString());
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            return ZxAnswer::Ok;
        });
        const std::string config = m_folder.filePath(QStringLiteral("cameras.json")).toStdString();
        std::ofstream(config) << kConfig;
        // Each test its own addresses: the SDK keeps what it learnt of a
        // camera (its nonce), which a fresh simulator would not know.
        static int subnet = 30;
        ++subnet;
        const std::string base = "192.168." + std::to_string(subnet) + ".";
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(
            {"--count", "3", "--base-ip", base + "10", "--password", kPassword, "--config", config}, error);
        ASSERT_GT(m_sim, 0) << error;
        for (int i = 0; i < 3; ++i) {
            tagVtIpcInfo camera{};
            const unsigned char mac[6] = {0x00, 0x30, 0x4F, 0x00, 0x00, static_cast<unsigned char>(0x0A + i)};
            std::memcpy(camera.mac, mac, sizeof mac);
            std::snprintf(camera.ip, sizeof camera.ip, "%s%d", base.c_str(), 10 + i);
            camera.port = 80;
            std::strcpy(camera.model, i == 2 ? "VT-C6121A" : "VT-C6121");
            m_cameras.push_back(camera);
        }
        m_host.login = {"admin", kPassword};
    }

    void TearDown() override
    {
        m_window.reset();
        if (m_sim > 0) {
            labkit::LabEnvironment::Current()->Stop(m_sim);
        }
        ZxSetMessageBoxHook({});
        PlatformSetProgramFolder("");
    }

    // The SDK's own login, for checking what a camera keeps.
    static int SdkLogin(const tagVtIpcInfo& camera, const char* password)
    {
        return Vt_Ipc_Login(camera.ip, camera.ip, camera.port, "admin", password, 0);
    }
    int Login(int camera)
    {
        return SdkLogin(m_cameras[static_cast<std::size_t>(camera)],
                        camera == 1 ? kOtherPassword : kPassword);
    }
    std::shared_ptr<Camera> LoggedIn(int camera)
    {
        return LoginCamera(m_cameras[static_cast<std::size_t>(camera)],
                           {"admin", camera == 1 ? kOtherPassword : kPassword});
    }

    template <class Page> Page* Show()
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(590, 520);
        auto* page = new Page(m_host, m_window.get());
        page->resize(590, 520);
        m_window->show();
        return page;
    }

    template <class Page> void Load(Page* page, int camera)
    {
        const std::shared_ptr<Camera> loggedIn = LoggedIn(camera);
        ASSERT_TRUE(loggedIn) << "camera " << camera << ", error " << Vt_Sdk_GetLastError();
        page->LoadFromCamera(*loggedIn);
    }

    // Runs the page's save over the given cameras and waits for its lines.
    template <class Page> void SaveTo(Page* page, std::initializer_list<int> cameras)
    {
        m_host.targets.clear();
        for (int camera : cameras) {
            m_host.targets.push_back(m_cameras[static_cast<std::size_t>(camera)]);
        }
        m_host.lines.clear();
        m_boxes.clear();
        page->Save();
        ASSERT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
        ASSERT_TRUE(m_host.WaitForBatch());
    }

    QString Prefix(int camera) const
    {
        return QString::fromStdWString(CameraLinePrefix(m_cameras[static_cast<std::size_t>(camera)]));
    }

    QTemporaryDir m_folder;
    SubPageHost m_host;
    std::unique_ptr<QWidget> m_window;
    std::vector<tagVtIpcInfo> m_cameras;
    QStringList m_boxes;
    pid_t m_sim = -1;
};

TEST_F(SubPagesLab, NetworkChangeReachesOnlyTheTargetsEachWithItsOwnEasyName)
{
    auto* page = Show<CNetworkParamDlg>();
    Load(page, 0);
    auto* http = ById<QLineEdit>(page, 1014);
    auto* rtsp = ById<QLineEdit>(page, 1052);
    auto* provider = ById<QComboBox>(page, 1060);
    EXPECT_EQ(http->text(), QStringLiteral("80"));
    EXPECT_EQ(rtsp->text(), QStringLiteral("554"));
    EXPECT_EQ(provider->count(), kProviderEntryCount) << "partner hardware with firmware 31.4.0.83";
    EXPECT_EQ(provider->currentText(), QStringLiteral("dyndns.org"));
    EXPECT_EQ(page->CameraMacText(), "00:30:4F:00:00:0A");
    EXPECT_EQ(page->CameraVersion(), "31.4.0.83");

    rtsp->setText(QStringLiteral("8554"));
    ById<QCheckBox>(page, 1058)->click();
    Choose(provider, QString::fromStdString(ProviderEntryText(kPartnerEntry)));
    ById<QCheckBox>(page, 1069)->click();
    EXPECT_EQ(ById<QLineEdit>(page, 1070)->text(), QStringLiteral("pl00000A.veltrocam.test"));
    ById<QLineEdit>(page, 1062)->setText(QStringLiteral("installer"));
    ById<QLineEdit>(page, 1065)->setText(QStringLiteral("it's\\mine"));
    SaveTo(page, {0, 2});
    EXPECT_EQ(m_host.lines, QStringList({Prefix(0) + "Set DDNS successfully.", Prefix(0) + "Set port successfully.",
                                         Prefix(2) + "Set DDNS successfully.", Prefix(2) + "Set port successfully."}));

    for (int camera : {0, 2}) {
        const int handle = Login(camera);
        ASSERT_GE(handle, 0);
        PortInfoRecord ports{};
        ASSERT_EQ(Vt_Ipc_GetPortInfo(handle, &ports), 0);
        EXPECT_EQ(ports.httpPort, 80);
        EXPECT_EQ(ports.rtspPort, 8554);
        EXPECT_EQ(ports.rtspPort2, 8554);
        DdnsRecord ddns{};
        ASSERT_EQ(Vt_Ipc_GetDDNS(handle, &ddns), 0);
        EXPECT_EQ(ddns.enabled, 1);
        EXPECT_STREQ(ddns.provider, ProviderEntryText(kPartnerEntry).c_str());
        EXPECT_STREQ(ddns.user, "installer");
        EXPECT_STREQ(ddns.password, "it's\\mine");
        EXPECT_EQ(ddns.easyEnabled, 1);
        EXPECT_EQ(ddns.easyChosen, 1);
        // Each camera is named after its own address.
        EXPECT_EQ(std::string(ddns.host), camera == 0 ? "pl00000A.veltrocam.test" : "pl00000C.veltrocam.test");
    }
    const int untouched = Login(1);
    ASSERT_GE(untouched, 0);
    PortInfoRecord ports{};
    ASSERT_EQ(Vt_Ipc_GetPortInfo(untouched, &ports), 0);
    EXPECT_EQ(ports.rtspPort, 554);
    DdnsRecord ddns{};
    ASSERT_EQ(Vt_Ipc_GetDDNS(untouched, &ddns), 0);
    EXPECT_EQ(ddns.enabled, 0);

    // The DDNS password went to the cameras and nowhere else: not to the
    // panel, not to the operation log or trace beside the program.
    for (const QString& line : m_host.lines) {
        EXPECT_FALSE(line.contains(QStringLiteral("mine"))) << line.toStdString();
    }
    QDirIterator files(m_folder.path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains("it's")) << file.fileName().toStdString();
    }

    // Loading the changed camera shows what was saved, easy DDNS included.
    auto* again = Show<CNetworkParamDlg>();
    Load(again, 2);
    EXPECT_EQ(ById<QComboBox>(again, 1060)->currentIndex(), kPartnerEntry);
    EXPECT_TRUE(ById<QCheckBox>(again, 1069)->isChecked());
    EXPECT_EQ(ById<QLineEdit>(again, 1070)->text(), QStringLiteral("pl00000C.veltrocam.test"));
    EXPECT_EQ(ById<QLineEdit>(again, 1052)->text(), QStringLiteral("8554"));
}

TEST_F(SubPagesLab, VideoChangeReachesOnlyTheTarget)
{
    auto* page = Show<CVideoImageDlg>();
    Load(page, 0);
    auto* title = ById<QLineEdit>(page, 1099);
    auto* bitRate = ById<QComboBox>(page, 1092);
    EXPECT_EQ(title->text(), QStringLiteral("Camera"));
    EXPECT_EQ(ById<QComboBox>(page, 1088)->currentText(), QStringLiteral("720P(1280*720)"));
    EXPECT_EQ(ById<QComboBox>(page, 1088)->itemText(0), QStringLiteral("1080P(1920*1080)")) << "1080P class";
    EXPECT_EQ(bitRate->currentText(), QStringLiteral("4096"));
    EXPECT_TRUE(ById<QCheckBox>(page, 1085)->isChecked());
    EXPECT_EQ(ById<QComboBox>(page, 1089)->currentText(), QStringLiteral("640*480"));

    Choose(bitRate, QStringLiteral("2048"));
    title->setText(QStringLiteral("Gate 1"));
    SaveTo(page, {0});
    EXPECT_EQ(m_host.lines, QStringList({Prefix(0) + "Set OSD successfully.",
                                         Prefix(0) + "Set primary video stream successfully.",
                                         Prefix(0) + "Set secondary video stream successfully."}));
    EXPECT_EQ(page->LastPrimary().bitRate, 2048);

    const int handle = Login(0);
    OsdRecord osd{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle, &osd), 0);
    EXPECT_STREQ(osd.title, "Gate 1");
    VideoConfigRecord primary{};
    primary.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle, &primary), 0);
    EXPECT_EQ(primary.bitRate, 2048);
    EXPECT_EQ(primary.frameSize, 5);
    EXPECT_EQ(primary.frameRate, 25);
    VideoConfigRecord secondary{};
    secondary.stream = 0;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle, &secondary), 0);
    EXPECT_EQ(secondary.bitRate, 512);
    EXPECT_EQ(secondary.frameSize, 0);
    EXPECT_EQ(secondary.iFrameInterval, 30);

    const int other = Login(2);
    ASSERT_EQ(Vt_Ipc_GetOSD(other, &osd), 0);
    EXPECT_STREQ(osd.title, "Camera");
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(other, &primary), 0);
    EXPECT_EQ(primary.bitRate, 4096);
}

TEST_F(SubPagesLab, BatchGoesOnPastAWrongPasswordAndNumbersCodecsPerCamera)
{
    auto* page = Show<CVideoImageDlg>();
    Load(page, 0);
    Choose(ById<QComboBox>(page, 1086), QStringLiteral("MJPEG"));
    ById<QLineEdit>(page, 1099)->setText(QStringLiteral("Yard"));
    SaveTo(page, {0, 1, 2});
    EXPECT_EQ(m_host.lines,
              QStringList({Prefix(0) + "Set OSD successfully.", Prefix(0) + "Set primary video stream successfully.",
                           Prefix(0) + "Set secondary video stream successfully.",
                           Prefix(1) + "Set video parameters failed. Username or password is incorrect.",
                           Prefix(2) + "Set OSD successfully.", Prefix(2) + "Set primary video stream successfully.",
                           Prefix(2) + "Set secondary video stream successfully."}));
    VideoConfigRecord primary{};
    primary.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(Login(0), &primary), 0);
    EXPECT_EQ(primary.codec, 2) << "MJPEG on an ordinary camera";
    EXPECT_EQ(primary.bitRate, 2048);
    primary = {};
    primary.stream = 1;
    ASSERT_EQ(Vt_Ipc_GetVideoConfig(Login(2), &primary), 0);
    EXPECT_EQ(primary.codec, 1) << "MJPEG as an A model numbers it";
    OsdRecord osd{};
    ASSERT_EQ(Vt_Ipc_GetOSD(Login(1), &osd), 0);
    EXPECT_STREQ(osd.title, "Camera") << "the refused camera is unchanged";

    auto* network = Show<CNetworkParamDlg>();
    Load(network, 0);
    ById<QLineEdit>(network, 1014)->setText(QStringLiteral("8080"));
    SaveTo(network, {0, 1, 2});
    EXPECT_EQ(m_host.lines, QStringList({Prefix(0) + "Set DDNS successfully.", Prefix(0) + "Set port successfully.",
                                         Prefix(1) + "Set network parameters failed. Username or password is "
                                                     "incorrect.",
                                         Prefix(2) + "Set DDNS successfully.", Prefix(2) + "Set port successfully."}));
    tagVtIpcInfo moved = m_cameras[2];
    moved.port = 8080;
    // The camera answers first and then moves its web server.
    int handle = -1;
    for (int attempt = 0; attempt < 50 && handle < 0; ++attempt) {
        QTest::qWait(100);
        handle = SdkLogin(moved, kPassword);
    }
    ASSERT_GE(handle, 0) << "the camera's web server moved to 8080";
    PortInfoRecord ports{};
    ASSERT_EQ(Vt_Ipc_GetPortInfo(handle, &ports), 0);
    EXPECT_EQ(ports.httpPort, 8080);
    EXPECT_EQ(ports.httpPort2, 8080);
}

TEST_F(SubPagesLab, UnreachableCameraIsReportedAndFillsNothing)
{
    tagVtIpcInfo gone = m_cameras[0];
    std::strcpy(std::strrchr(gone.ip, '.'), ".99");
    m_cameras.push_back(gone);
    auto* page = Show<CVideoImageDlg>();
    ById<QLineEdit>(page, 1099)->setText(QStringLiteral("Camera"));
    SaveTo(page, {3, 0});
    ASSERT_EQ(m_host.lines.size(), 4);
    EXPECT_EQ(m_host.lines[0], Prefix(3) + "Set video parameters failed.  Can not access device.");
    EXPECT_EQ(m_host.lines[1], Prefix(0) + "Set OSD successfully.");

    // A reference camera that could not be logged in to changes nothing.
    auto* sizes = ById<QComboBox>(page, 1088);
    const QString before = sizes->currentText();
    page->LoadReferenceCamera(nullptr, m_cameras[2]);
    EXPECT_EQ(sizes->currentText(), before);
    page->LoadReferenceCamera(LoggedIn(2).get(), m_cameras[2]);
    EXPECT_EQ(ById<QComboBox>(page, 1086)->count(), 2) << "the A model's codecs";
    EXPECT_EQ(ById<QComboBox>(page, 1089)->count(), 5);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new labkit::LabEnvironment);
    const int result = RUN_ALL_TESTS();
    g_application.reset();
    return result;
}
