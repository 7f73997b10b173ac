// A mixed site in the lab: cameras of the family and ONVIF cameras of other
// makers from one vtcamsim, worked on by the real program offscreen in the
// workstation namespace. What the simulator shows afterwards is read from its
// cameras' status pages and over the SDK.
//
// The ONVIF cameras join the window's device table the way the raw frames'
// replies do, and a maker registered here says where their device services
// are: a stand-in, named as such, for the WS-Discovery feed of the table,
// which owns that registration once it is there.
#include "BatchRunner.h"
#include "BatchSetDlg.h"
#include "BatchUpgradeDlg.h"
#include "DeviceTable.h"
#include "Lab.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OemDlg.h"
#include "OnvifCamera.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "SortListCtrl.h"
#include "SystemParamDlg.h"
#include "VideoImageDlg.h"
#include "VtIpcSDK.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

constexpr const char* kPassword = "qr7319";
constexpr int kIndia = 94; // "5.5 India (Calcutta)"

struct SiteCamera
{
    std::string ip;
    std::string mac;
};

// The camera's status page, as anyone on the site would fetch it.
std::string StatusPage(const std::string& ip)
{
    std::string page;
    if (FILE* pipe = ::popen(("curl -s --max-time 3 http://" + ip + "/").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            page.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return page;
}

std::string Row(const std::string& label, const std::string& value)
{
    return "<tr><th>" + label + "</th><td>" + value + "</td></tr>";
}

tagVtIpcInfo Entry(const SiteCamera& camera, const char* model)
{
    tagVtIpcInfo info{};
    unsigned bytes[6] = {};
    std::sscanf(camera.mac.c_str(), "%x:%x:%x:%x:%x:%x", &bytes[0], &bytes[1], &bytes[2], &bytes[3], &bytes[4],
                &bytes[5]);
    for (int i = 0; i < 6; ++i) {
        info.mac[i] = static_cast<unsigned char>(bytes[i]);
    }
    std::snprintf(info.ip, sizeof info.ip, "%s", camera.ip.c_str());
    info.port = 80;
    std::snprintf(info.netmask, sizeof info.netmask, "255.255.255.0");
    std::snprintf(info.model, sizeof info.model, "%s", model);
    std::snprintf(info.version, sizeof info.version, "2.1.0");
    info.upTime = 1000;
    return info;
}

class OnvifSiteLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        labkit::EnsureWindowApplication();
        ASSERT_TRUE(m_sandbox.Valid());
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            return ZxAnswer::Ok;
        });
    }
    void TearDown() override
    {
        m_dlg.reset();
        m_app.reset();
        if (m_sim > 0) {
            labkit::LabEnvironment::Current()->Stop(m_sim);
        }
        ZxSetMessageBoxHook({});
    }

    // Two family cameras at base .10 and .11, two ONVIF cameras at .12 and
    // .13 (the second with a clock 90 minutes ahead); onvifPassword gives the
    // ONVIF cameras a password of their own.
    void StartSite(const std::string& net, const std::string& onvifPassword = kPassword)
    {
        m_onvif = {{net + ".12", "AC:1E:50:00:24:01"}, {net + ".13", "B0:EA:11:26:00:03"}};
        const std::string config =
            R"({"cameras": [{"index": 2, "mac": "AC:1E:50:00:24:01", "protocol": "onvif", "maker": "Acme Optics",
                "model": "AX-200", "version": "2.1.0", "name": "Parking east", "password": ")" +
            onvifPassword + R"("},
               {"index": 3, "mac": "B0:EA:11:26:00:03", "protocol": "onvif", "maker": "Borealis Vision",
                "model": "BV-9", "version": "5.0.1", "name": "Dome hall", "clockOffsetSec": 5400,
                "password": ")" +
            onvifPassword + R"("}]})";
        const std::string file = m_sandbox.Path() + "/site.json";
        std::ofstream(file) << config;
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(
            {"--count", "4", "--base-ip", net + ".10", "--password", kPassword, "--seed", "5", "--reboot-ms", "300",
             "--flash-ms", "200", "--config", file},
            error);
        ASSERT_GT(m_sim, 0) << error;
    }

    // The window with the page at tab, with the site's four cameras found: the
    // family's by the raw frames, the ONVIF cameras by WS-Discovery and, when
    // they take the window's login, read (their MACs known).
    void StartProgram(std::vector<std::string> arguments, int tab, bool onvifLogin = true)
    {
        m_app = std::make_unique<CZendrixApp>(std::move(arguments));
        m_app->InitInstance();
        m_app->basicMode = 0;
        MainWindowOptions options;
        options.addPages = AddZendrixPages;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->show();
        ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
        ById<QLineEdit>(m_dlg.get(), 1039)->setText(QStringLiteral("admin"));
        ById<QLineEdit>(m_dlg.get(), 1029)->setText(QString::fromLatin1(kPassword));
        ASSERT_TRUE(labkit::WaitFor(
            [&] {
                if (m_dlg->Table().Count() != 4) {
                    return false;
                }
                for (const SiteCamera& camera : m_onvif) {
                    const tagVtIpcInfo info = Entry(camera, "");
                    if (onvifLogin && !m_dlg->Table().Find(info.mac)) {
                        return false;
                    }
                }
                return true;
            },
            15000))
            << m_dlg->Table().Count() << " cameras listed";
        m_page = m_dlg->Sheet()->widget(tab < 0 ? m_dlg->Sheet()->count() - 1 : tab);
        m_dlg->Sheet()->setCurrentWidget(m_page);
    }

    // The batch set page with all four cameras ticked and the choices
    // they bound loaded.
    void TickEveryCamera(CBatchSetDlg*& page)
    {
        page = qobject_cast<CBatchSetDlg*>(m_page);
        ASSERT_NE(page, nullptr);
        QTreeWidget* list = page->List();
        ASSERT_TRUE(labkit::WaitFor([&] { return list->topLevelItemCount() == 4; }, 10000));
        for (int row = 0; row < 4; ++row) {
            list->topLevelItem(row)->setCheckState(0, Qt::Checked);
        }
        ASSERT_TRUE(labkit::WaitFor([&] { return !page->Loading(); }, 20000));
    }

    template <class T> T* ById(QWidget* root, unsigned id) const { return labkit::ById<T>(root, id); }
    QStringList Lines() const { return labkit::ListLines(m_dlg->Panel()); }
    std::string Shown() const { return Lines().join(QLatin1Char('\n')).toStdString(); }

    labkit::ProgramSandbox m_sandbox;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    QWidget* m_page = nullptr;
    QStringList m_boxes;
    pid_t m_sim = -1;
    std::vector<SiteCamera> m_onvif;
};

TEST_F(OnvifSiteLab, OneSaveSetsTimeZoneAndNtpOnTickedCamerasOfBothKinds)
{
    StartSite("192.168.171");
    StartProgram({}, 1);
    CBatchSetDlg* page = nullptr;
    ASSERT_NO_FATAL_FAILURE(TickEveryCamera(page));
    QWidget* system = page->SystemPage();
    ById<QComboBox>(system, 1048)->setCurrentIndex(kIndia);
    ById<QRadioButton>(system, 1047)->setChecked(true);
    ById<QLineEdit>(system, 1152)->setText(QStringLiteral("ntp.lab.example"));
    QTest::mouseClick(ById<QPushButton>(page, 1043), Qt::LeftButton);
    ASSERT_TRUE(labkit::WaitFor(
        [&] { return Lines().filter(QStringLiteral("Set date and time successfully.")).size() == 4; }, 20000))
        << Shown();
    EXPECT_EQ(Lines().filter(QStringLiteral("failed")).size(), 0) << Shown();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();

    for (const char* ip : {"192.168.171.10", "192.168.171.11"}) {
        const int handle = Vt_Ipc_Login(ip, ip, 80, "admin", kPassword, 0);
        SystemDateRecord date{};
        ASSERT_EQ(Vt_Ipc_GetSystemDate(handle, &date), 0) << ip;
        EXPECT_EQ(date.timeZone, kIndia) << ip;
        EXPECT_EQ(date.mode, 1) << ip;
        EXPECT_STREQ(date.ntpServer, "ntp.lab.example") << ip;
    }
    for (const SiteCamera& camera : m_onvif) {
        const std::string status = StatusPage(camera.ip);
        EXPECT_NE(status.find(Row("DateTimeType", "NTP")), std::string::npos) << status;
        EXPECT_NE(status.find(Row("TimeZone", "UTC-5:30")), std::string::npos) << status;
        EXPECT_NE(status.find(Row("NTP", "ntp.lab.example")), std::string::npos) << status;
    }
}

TEST_F(OnvifSiteLab, TheOemPageRefusesOnvifCamerasWithItsLineAndSendsThemNothing)
{
    // The ONVIF cameras have a password of their own: the window's login is
    // refused by them when discovery reads them, and a login the page tried
    // would add another refusal to the camera's log.
    StartSite("192.168.172", "own-pass5");
    StartProgram({"vtoem"}, -1, false);
    auto* page = qobject_cast<COemDlg*>(m_page);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(labkit::WaitFor([&] { return page->List()->topLevelItemCount() == 4; }, 10000));
    ASSERT_TRUE(labkit::WaitFor([&] { return Lines().filter(QStringLiteral("Login failed.")).size() == 2; }, 10000))
        << Shown();
    const auto refusals = [](const SiteCamera& camera) {
        OnvifCamera reader(Entry(camera, ""), {"admin", "own-pass5"},
                           {"http://" + camera.ip + "/onvif/device_service", {}});
        std::vector<std::string> log;
        EXPECT_TRUE(reader.Login().Done()) << camera.ip;
        EXPECT_TRUE(reader.GetSystemLogLines(log).Done()) << camera.ip;
        return std::count_if(log.begin(), log.end(),
                             [](const std::string& line) { return line.find("login refused") != std::string::npos; });
    };
    std::vector<std::ptrdiff_t> before;
    for (const SiteCamera& camera : m_onvif) {
        before.push_back(refusals(camera));
    }
    ById<QLineEdit>(page, 1146)->setText(QStringLiteral("Acme"));
    ById<QLineEdit>(page, 1147)->setText(QStringLiteral("www.acme.example"));
    ById<QLineEdit>(page, 1149)->setText(QStringLiteral("AC-200"));
    const std::string logo = m_sandbox.Path() + "/logo.bmp";
    std::ofstream(logo, std::ios::binary) << std::string(2048, '\x42');
    ById<QLineEdit>(page, 1156)->setText(QString::fromStdString(logo));
    ById<QCheckBox>(page, 1020)->click(); // every camera
    QTest::mouseClick(ById<QPushButton>(page, 1145), Qt::LeftButton);
    ASSERT_TRUE(labkit::WaitFor(
        [&] { return !m_boxes.isEmpty() || (Lines().size() == 6 && !page->Runner().Running()); }, 30000))
        << Shown() << m_boxes.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Lines().filter(QStringLiteral("Upload OEM files successfully.")).size(), 2) << Shown();
    for (std::size_t i = 0; i < m_onvif.size(); ++i) {
        const SiteCamera& camera = m_onvif[i];
        EXPECT_EQ(Lines()
                      .filter(QString::fromStdString(camera.ip) +
                              QStringLiteral(" OEM branding is only for the family's cameras; nothing was sent "
                                             "to this camera."))
                      .size(),
                  1)
            << Shown();
        EXPECT_EQ(refusals(camera), before[i]) << camera.ip << ": the page tried a login";
    }
}

TEST_F(OnvifSiteLab, TheUpgradePageSendsAnOnvifCameraItsMakersImageAndItComesBackWithTheNewVersion)
{
    StartSite("192.168.173");
    StartProgram({}, 2);
    auto* page = qobject_cast<CBatchUpgradeDlg*>(m_page);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(labkit::WaitFor([&] { return page->List()->topLevelItemCount() == 4; }, 10000));
    // The maker's image, named as that maker names it: the family's name and
    // model rules are not the ONVIF camera's.
    const std::string image = m_sandbox.Path() + "/ax200-2.2.0.img";
    std::ofstream(image, std::ios::binary) << "ONVIF-IMAGE AX-200 2.2.0\n" << std::string(300000, '\x5a');
    for (int row = 0; row < 4; ++row) {
        QTreeWidgetItem* item = page->List()->topLevelItem(row);
        for (int column = 0; column < page->List()->columnCount(); ++column) {
            if (item->text(column) == QString::fromStdString(m_onvif[0].ip)) {
                item->setCheckState(0, Qt::Checked);
            }
        }
    }
    page->ChooseImage(QString::fromStdString(image));
    QTest::mouseClick(ById<QPushButton>(page, 1178), Qt::LeftButton);
    ASSERT_TRUE(labkit::WaitFor(
        [&] {
            return !m_boxes.isEmpty() ||
                   Lines().filter(QStringLiteral("Upgrading operations are all finished.")).size() == 1;
        },
        30000))
        << Shown();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Lines().filter(QStringLiteral("192.168.173.12 Upgrade successfully.")).size(), 1) << Shown();
    EXPECT_EQ(Lines().filter(QStringLiteral("Upgrade successfully.")).size(), 1) << Shown();
    std::string status;
    for (int tries = 0; tries < 50 && status.find(Row("Firmware", "2.2.0")) == std::string::npos; ++tries) {
        QTest::qWait(100);
        status = StatusPage(m_onvif[0].ip);
    }
    EXPECT_NE(status.find(Row("Firmware", "2.2.0")), std::string::npos) << status;
}

// The Video sub-page with cameras of both kinds ticked offers what all of
// them take (the ONVIF cameras have no MPEG4), and one Save writes the
// streams and the title to every one of them.
TEST_F(OnvifSiteLab, OneSaveSetsTheVideoOfTickedCamerasOfBothKinds)
{
    StartSite("192.168.174");
    StartProgram({}, 1);
    CBatchSetDlg* page = nullptr;
    ASSERT_NO_FATAL_FAILURE(TickEveryCamera(page));
    auto* video = page->findChild<CVideoImageDlg*>();
    ASSERT_NE(video, nullptr);
    page->SubSheet()->setCurrentWidget(video);
    const auto choose = [&](unsigned id, const QString& text) {
        auto* box = ById<QComboBox>(video, id);
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << id << " lacks " << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    };
    QStringList codecs;
    for (int i = 0; i < ById<QComboBox>(video, 1086)->count(); ++i) {
        codecs << ById<QComboBox>(video, 1086)->itemText(i);
    }
    EXPECT_EQ(codecs, QStringList({"H.264", "MJPEG"}));
    EXPECT_LT(ById<QComboBox>(video, 1088)->findText(QStringLiteral("2M(1600*1200)")), 0);
    choose(1086, QStringLiteral("H.264"));
    choose(1088, QStringLiteral("720P(1280*720)"));
    choose(1090, QStringLiteral("15"));
    choose(1092, QStringLiteral("2048"));
    ById<QLineEdit>(video, 1096)->setText(QStringLiteral("40"));
    if (!ById<QCheckBox>(video, 1085)->isChecked()) {
        ById<QCheckBox>(video, 1085)->click();
    }
    choose(1089, QStringLiteral("320*240"));
    choose(1091, QStringLiteral("10"));
    choose(1093, QStringLiteral("256"));
    if (!ById<QCheckBox>(video, 1212)->isChecked()) {
        ById<QCheckBox>(video, 1212)->click();
    }
    ById<QLineEdit>(video, 1099)->setText(QStringLiteral("Lobby"));
    QTest::mouseClick(ById<QPushButton>(page, 1043), Qt::LeftButton);
    ASSERT_TRUE(labkit::WaitFor(
        [&] { return Lines().filter(QStringLiteral("Set secondary video stream")).size() == 4; }, 30000))
        << Shown();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
    for (const char* text : {"Set primary video stream successfully.", "Set secondary video stream successfully.",
                             "Set OSD successfully."}) {
        EXPECT_EQ(Lines().filter(QString::fromLatin1(text)).size(), 4) << Shown();
    }

    for (const char* ip : {"192.168.174.10", "192.168.174.11"}) {
        const int handle = Vt_Ipc_Login(ip, ip, 80, "admin", kPassword, 0);
        VideoConfigRecord primary{};
        primary.stream = 1;
        ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle, &primary), 0) << ip;
        EXPECT_EQ(primary.codec, 0) << ip;
        EXPECT_EQ(primary.frameSize, 5) << ip;
        EXPECT_EQ(primary.frameRate, 15) << ip;
        EXPECT_EQ(primary.bitRate, 2048) << ip;
        EXPECT_EQ(primary.iFrameInterval, 40) << ip;
        VideoConfigRecord secondary{};
        ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle, &secondary), 0) << ip;
        EXPECT_EQ(secondary.frameSize, 3) << ip;
        EXPECT_EQ(secondary.frameRate, 10) << ip;
        EXPECT_EQ(secondary.bitRate, 256) << ip;
        OsdRecord osd{};
        ASSERT_EQ(Vt_Ipc_GetOSD(handle, &osd), 0) << ip;
        EXPECT_STREQ(osd.title, "Lobby") << ip;
    }
    for (const SiteCamera& camera : m_onvif) {
        const std::string status = StatusPage(camera.ip);
        const auto cell = [&](const std::string& label) {
            const std::string head = "<tr><th>" + label + "</th><td>";
            const std::size_t at = status.find(head);
            return at == std::string::npos ? std::string()
                                           : status.substr(at + head.size(), status.find("</td>", at) - at - head.size());
        };
        EXPECT_EQ(cell("Video profile_1").rfind("H264 1280x720 15 fps 2048 kbit/s", 0), 0u) << status;
        EXPECT_NE(cell("Video profile_1").find("GOV 40"), std::string::npos) << status;
        EXPECT_EQ(cell("Video profile_2").rfind("H264 320x240 10 fps 256 kbit/s", 0), 0u) << status;
        EXPECT_NE(status.find("title Lobby"), std::string::npos) << status;
    }
}

} // namespace

int main(int argc, char** argv)
{
    return labkit::RunWindowLabTests(argc, argv);
}
