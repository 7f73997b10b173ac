// A mixed site in the lab: cameras of the family and ONVIF cameras of other
// makers from one vtcamsim, worked on by the real program offscreen in the
// workstation namespace. What the simulator shows afterwards is read from its
// cameras' status pages and over the SDK.
//
// The ONVIF cameras join the window's device table through WS-Discovery and
// the login's reads, as on a real site.
#include "OnvifSiteLab.h"

#include <QTest>

namespace {

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
