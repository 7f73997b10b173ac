// ONVIF cameras of a mixed lab site on the pages that read or readdress one
// camera at a time: the log page shows an ONVIF camera's system log as plain
// lines, the network page moves the camera outside the workstation's subnet
// into it, a camera whose https certificate changed is asked about once and
// sent no login by discovery or the network page, and the preview page plays
// an ONVIF camera and brightens its picture.
#include "CertificatePins.h"
#include "CertificatePrompt.h"
#include "CertificateQuestions.h"
#include "LogDlg.h"
#include "OnvifSiteLab.h"
#include "PreviewLab.h"
#include "SearchDlg.h"
#include "VideoViewDlg.h"
#include "VideoWnd.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>

namespace {

using previewlab::MeanLuma;

// With ZX_ONVIF_SHOTS naming a folder, what grab shows of the window is saved
// there in English and in Chinese as name-en.png and name-zh.png.
void SaveInBothLanguages(CZendrixDlg& window, const QString& name, const std::function<QPixmap()>& grab)
{
    const QString folder = qEnvironmentVariable("ZX_ONVIF_SHOTS");
    if (folder.isEmpty()) {
        return;
    }
    for (const auto& [language, suffix] :
         {std::pair{L"English", "en"}, {L"\u7B80\u4F53\u4E2D\u6587", "zh"}}) {
        LangSelectByName(language);
        window.Relabel();
        QTest::qWait(50);
        grab().save(folder + QLatin1Char('/') + name + QLatin1Char('-') + QLatin1String(suffix) +
                    QStringLiteral(".png"));
    }
    LangSelectByName(L"English");
    window.Relabel();
}

QTreeWidgetItem* RowShowing(QTreeWidget* list, const std::string& text)
{
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        for (int column = 0; column < list->columnCount(); ++column) {
            if (item->text(column) == QString::fromStdString(text)) {
                return item;
            }
        }
    }
    return nullptr;
}

TEST_F(OnvifSiteLab, TheLogPageShowsAnOnvifCamerasSystemLogAsPlainLines)
{
    StartSite("192.168.174");
    StartProgram({"vtlog"}, -1);
    auto* page = qobject_cast<CLogDlg*>(m_page);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(labkit::WaitFor([&] { return page->List()->topLevelItemCount() == 4; }, 10000));
    // Something of the camera's own in its log: a host name set over SOAP.
    OnvifCamera writer(Entry(m_onvif[0], ""), {"admin", kPassword},
                       {"http://" + m_onvif[0].ip + "/onvif/device_service", {}});
    ASSERT_TRUE(writer.Login().Done());
    ASSERT_TRUE(writer.SetDeviceName("Gate-7").Done());

    page->List()->setCurrentItem(RowShowing(page->List(), m_onvif[0].ip));
    QPlainTextEdit* lines = page->SystemLogText();
    ASSERT_TRUE(labkit::WaitFor([&] { return !page->Busy() && lines->isVisible(); }, 15000)) << Shown();
    EXPECT_TRUE(lines->toPlainText().contains(QStringLiteral(" hostname set: Gate-7")))
        << lines->toPlainText().toStdString();
    EXPECT_TRUE(lines->isReadOnly());
    EXPECT_FALSE(page->Grid()->isVisible());
    EXPECT_FALSE(page->QueryButton()->isEnabled());
    EXPECT_FALSE(page->MainTypeBox()->isEnabled());
    EXPECT_FALSE(page->DownloadButton()->isEnabled());
    EXPECT_FALSE(page->GoButton()->isEnabled());
    EXPECT_TRUE(page->ShowButton()->isEnabled()) << "Show Log reads the lines again";
    EXPECT_EQ(Lines().filter(QStringLiteral("log database")).size(), 0) << Shown();
    SaveInBothLanguages(*m_dlg, QStringLiteral("log-onvif-lines"), [&] { return m_dlg->grab(); });

    // A family camera brings the grid and its commands back.
    page->List()->setCurrentItem(RowShowing(page->List(), "192.168.174.10"));
    ASSERT_TRUE(labkit::WaitFor([&] { return !page->Busy(); }, 15000));
    EXPECT_FALSE(lines->isVisible());
    EXPECT_TRUE(page->Grid()->isVisible());
    EXPECT_TRUE(page->QueryButton()->isEnabled());
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
}

TEST_F(OnvifSiteLab, TheNetworkPageMovesAnOnvifCameraFromOutsideTheSubnetIntoIt)
{
    const SiteCamera far{"10.44.7.20", "C0:41:D5:00:00:04"};
    m_onvif = {far};
    StartSimulator("192.168.175",
                   R"({"cameras": [{"index": 1, "mac": "C0:41:D5:00:00:04", "ip": "10.44.7.20",
                       "netmask": "255.255.255.0", "gateway": "10.44.7.1", "protocol": "onvif",
                       "maker": "Corvid", "model": "CS-4K", "version": "1.0.4", "name": "Far shed"}]})",
                   2);
    StartProgram({}, 0);
    QTreeWidget* list = m_dlg->NetworkPage()->List();
    ASSERT_TRUE(labkit::WaitFor([&] { return RowShowing(list, far.ip) != nullptr; }, 10000));

    QTreeWidgetItem* row = RowShowing(list, far.ip);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
    ById<QLineEdit>(m_dlg->NetworkPage(), 1010)->setText(QStringLiteral("192.168.175.41"));
    ById<QLineEdit>(m_dlg->NetworkPage(), 1011)->setText(QStringLiteral("255.255.0.0"));
    ById<QLineEdit>(m_dlg->NetworkPage(), 1012)->setText(QStringLiteral("192.168.0.1"));
    QTest::mouseClick(ById<QPushButton>(m_dlg->NetworkPage(), 1015), Qt::LeftButton);
    ASSERT_TRUE(labkit::WaitFor(
        [&] { return Lines().filter(QStringLiteral("IP:10.44.7.20->192.168.175.41")).size() == 1; }, 20000))
        << Shown();
    EXPECT_EQ(Lines().filter(QStringLiteral("successfully.")).size(), 1) << Shown();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();

    const std::string status = StatusPage("192.168.175.41");
    EXPECT_NE(status.find(Row("MAC", far.mac)), std::string::npos) << status;
    EXPECT_NE(status.find(Row("Address", "192.168.175.41/16")), std::string::npos) << status;
    EXPECT_NE(status.find(Row("Gateway", "192.168.0.1")), std::string::npos) << status;
    SaveInBothLanguages(*m_dlg, QStringLiteral("network-protocol-column"), [&] { return m_dlg->grab(); });
    // The workstation's own address alone: the one it used to reach the
    // camera's old subnet is gone.
    const labkit::Lab& lab = *labkit::LabEnvironment::Current();
    EXPECT_TRUE(labkit::WaitFor([&] { return lab.WorkstationAddressCount() == 1; }, 3000))
        << lab.WorkstationAddressCount();
}

// "AB:CD:..." as the camera's own status page shows its certificate's.
std::string ShownCertificate(const std::string& ip)
{
    const std::string page = StatusPage(ip + ":80", true); // TLS on the camera's HTTP port
    const std::string label = "<tr><th>Certificate SHA-256</th><td>";
    const std::size_t at = page.find(label);
    return at == std::string::npos ? std::string() : page.substr(at + label.size(), 95);
}

// The panel's lines telling that a camera showed another certificate.
qsizetype ChangedCertificateLines(const QStringList& lines)
{
    return lines.filter(QStringLiteral("HTTPS certificate has changed")).size();
}

TEST_F(OnvifSiteLab, AChangedCertificateIsAskedAboutOnceYesPinsItAndLogsInAgainNoKeepsRefusing)
{
    const std::string net = "192.168.176";
    m_onvif = {{net + ".10", "AC:1E:50:00:24:05"}, {net + ".11", "B0:EA:11:26:00:06"}};
    const std::string config =
        R"({"cameras": [{"index": 0, "mac": "AC:1E:50:00:24:05", "protocol": "onvif", "maker": "Acme Optics",
            "model": "AX-200", "version": "2.1.0", "name": "Gate", "https": true},
           {"index": 1, "mac": "B0:EA:11:26:00:06", "protocol": "onvif", "maker": "Borealis Vision",
            "model": "BV-9", "version": "5.0.1", "name": "Yard", "https": true}]})";
    StartSimulator(net, config, 2);
    StartProgram({"vtlog"}, -1);
    auto* page = qobject_cast<CLogDlg*>(m_page);
    ASSERT_NE(page, nullptr);
    const auto select = [&](const SiteCamera& camera) {
        QTreeWidgetItem* row = nullptr;
        EXPECT_TRUE(
            labkit::WaitFor([&] { return (row = RowShowing(page->List(), camera.ip)) != nullptr; }, 15000));
        page->List()->setCurrentItem(row);
        return labkit::WaitFor([&] { return !page->Busy(); }, 15000);
    };
    const auto systemLogShown = [&] { return page->SystemLogText()->isVisible(); };
    // First use pins both cameras' certificates.
    for (const SiteCamera& camera : m_onvif) {
        ASSERT_TRUE(select(camera));
        EXPECT_TRUE(systemLogShown()) << Shown();
    }
    const std::string firstGate = PinnedCertificate(m_onvif[0].mac);
    const std::string firstYard = PinnedCertificate(m_onvif[1].mac);
    ASSERT_FALSE(firstGate.empty()) << Shown();
    EXPECT_EQ(FingerprintText(firstGate), ShownCertificate(m_onvif[0].ip));

    // The site starts again: every camera makes a new certificate.
    labkit::LabEnvironment::Current()->Stop(m_sim);
    ASSERT_TRUE(labkit::WaitFor([&] { return m_dlg->Table().Count() == 0; }, 5000)) << "each camera says Bye";
    StartSimulator(net, config, 2);
    // Discovery's reads meet the pins: each camera is told about once, and
    // listed by its MAC without a login sent.
    ASSERT_TRUE(labkit::WaitFor([&] { return SiteListed(); }, 15000));
    const auto changedLines = [&] { return ChangedCertificateLines(Lines()); };
    EXPECT_TRUE(labkit::WaitFor([&] { return changedLines() == 2; }, 3000)) << Shown();
    const std::string newGate = ShownCertificate(m_onvif[0].ip);
    const std::string newYard = ShownCertificate(m_onvif[1].ip);
    ASSERT_FALSE(newGate.empty());
    ASSERT_NE(newGate, FingerprintText(firstGate));

    m_question = ZxAnswer::No;
    ASSERT_TRUE(select(m_onvif[0]));
    ASSERT_EQ(m_boxes.size(), 1) << Shown();
    EXPECT_TRUE(m_boxes[0].contains(QString::fromStdString(m_onvif[0].ip))) << m_boxes[0].toStdString();
    EXPECT_TRUE(
        m_boxes[0].contains(QStringLiteral("Pinned: ") + QString::fromStdString(FingerprintText(firstGate))))
        << m_boxes[0].toStdString();
    EXPECT_TRUE(m_boxes[0].contains(QStringLiteral("Now: ") + QString::fromStdString(newGate)))
        << m_boxes[0].toStdString();
    EXPECT_FALSE(systemLogShown());
    EXPECT_EQ(changedLines(), 3) << Shown();
    EXPECT_EQ(PinnedCertificate(m_onvif[0].mac), firstGate) << "no keeps the old pin";

    m_question = ZxAnswer::Yes;
    ASSERT_TRUE(select(m_onvif[1]));
    ASSERT_EQ(m_boxes.size(), 2) << Shown();
    EXPECT_TRUE(m_boxes[1].contains(QStringLiteral("Now: ") + QString::fromStdString(newYard)));
    EXPECT_TRUE(systemLogShown()) << "the login was tried again with the new pin: " << Shown();
    EXPECT_EQ(FingerprintText(PinnedCertificate(m_onvif[1].mac)), newYard);
    EXPECT_NE(PinnedCertificate(m_onvif[1].mac), firstYard);
    SaveInBothLanguages(*m_dlg, QStringLiteral("certificate-question"), [&] {
        std::string refused;
        for (const CertificatePin& pin : CertificatePins()) {
            refused = pin.key == m_onvif[0].mac ? pin.refused : refused;
        }
        const CertificateQuestion asked{m_onvif[0].mac, firstGate, refused,
                                        L"[" + std::wstring(m_onvif[0].mac.begin(), m_onvif[0].mac.end()) +
                                            L"] " + std::wstring(m_onvif[0].ip.begin(), m_onvif[0].ip.end())};
        QMessageBox box(QMessageBox::Question, QStringLiteral("Vantrel Zendrix"),
                        CertificateQuestionText(asked), QMessageBox::Yes | QMessageBox::No, m_dlg.get());
        box.show();
        QTest::qWait(50);
        return box.grab();
    });

    // Asked once: the gate is refused again without another question.
    ASSERT_TRUE(select(m_onvif[0]));
    EXPECT_EQ(m_boxes.size(), 2);
    EXPECT_FALSE(systemLogShown());
    EXPECT_EQ(changedLines(), 4) << Shown();
}

TEST_F(OnvifSiteLab, DiscoveryAndTheNetworkPageSendNothingToAnHttpsCameraWhoseCertificateChanged)
{
    const std::string net = "192.168.178";
    const SiteCamera gate{net + ".10", "AC:1E:50:00:24:07"};
    m_onvif = {gate};
    const std::string config =
        R"({"cameras": [{"index": 0, "mac": "AC:1E:50:00:24:07", "protocol": "onvif", "maker": "Acme Optics",
            "model": "AX-200", "version": "2.1.0", "name": "Gate", "https": true}]})";
    StartSimulator(net, config, 1);
    StartProgram({}, 0);
    // Discovery's login read pins the certificate on first use.
    const std::string first = PinnedCertificate(gate.mac);
    ASSERT_FALSE(first.empty()) << Shown();
    EXPECT_EQ(FingerprintText(first), ShownCertificate(gate.ip));
    const auto changedLines = [&] { return ChangedCertificateLines(Lines()); };

    // Another certificate pinned before: the readdress is refused.
    const std::string other(64, 'e');
    ASSERT_TRUE(PinCertificate(gate.mac, other));
    QTreeWidget* list = m_dlg->NetworkPage()->List();
    QTreeWidgetItem* row = RowShowing(list, gate.ip);
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
    ById<QLineEdit>(m_dlg->NetworkPage(), 1010)->setText(QString::fromStdString(net + ".41"));
    QTest::mouseClick(ById<QPushButton>(m_dlg->NetworkPage(), 1015), Qt::LeftButton);
    ASSERT_TRUE(labkit::WaitFor([&] { return changedLines() == 1; }, 20000)) << Shown();
    EXPECT_EQ(Lines().filter(QStringLiteral("successfully.")).size(), 0) << Shown();
    EXPECT_NE(StatusPage(gate.ip + ":80", true).find(Row("MAC", gate.mac)), std::string::npos)
        << "the camera stays at its address";
    EXPECT_EQ(PinnedCertificate(gate.mac), other);

    // The site starts again with a new certificate: discovery's read sends no login and lists no details.
    ASSERT_TRUE(PinCertificate(gate.mac, first));
    labkit::LabEnvironment::Current()->Stop(m_sim);
    ASSERT_TRUE(labkit::WaitFor([&] { return m_dlg->Table().Count() == 0; }, 5000)) << "the camera says Bye";
    StartSimulator(net, config, 1);
    const std::string now = ShownCertificate(gate.ip);
    ASSERT_NE(now, FingerprintText(first));
    ASSERT_TRUE(labkit::WaitFor([&] { return changedLines() == 2; }, 15000)) << Shown();
    // Listed by the MAC its pin is kept under, without anything the camera would tell after a login.
    DeviceRef entry;
    ASSERT_TRUE(labkit::WaitFor([&] { return (entry = m_dlg->Table().Find(Entry(gate, "").mac)) != nullptr; }, 3000));
    tagVtIpcInfo listed{};
    ASSERT_TRUE(m_dlg->Table().Snapshot(*entry, listed));
    EXPECT_STREQ(listed.ip, gate.ip.c_str());
    EXPECT_STREQ(listed.model, "") << "the details were taken";
    EXPECT_EQ(PinnedCertificate(gate.mac), first);
    const std::vector<CertificatePin> pins = CertificatePins();
    const auto pin = std::find_if(pins.begin(), pins.end(), [&](const auto& p) { return p.key == gate.mac; });
    ASSERT_NE(pin, pins.end());
    EXPECT_EQ(FingerprintText(pin->refused), now) << "noted for zendrix-cli trust";
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
}


// The value of a row of the camera's status page.
std::string StatusCell(const std::string& ip, const std::string& label)
{
    const std::string page = StatusPage(ip);
    const std::string head = "<tr><th>" + label + "</th><td>";
    const std::size_t at = page.find(head);
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t from = at + head.size();
    return page.substr(from, page.find("</td>", from) - from);
}

TEST_F(OnvifSiteLab, ThePreviewPagePlaysAnOnvifCameraAndItsBrightnessSliderBrightensThePicture)
{
    const SiteCamera camera{"192.168.177.11", "AC:1E:50:00:24:09"};
    m_onvif = {camera};
    // A range of the camera's own, so that the slider's value must be scaled into it.
    StartSimulator("192.168.177",
                   R"({"cameras": [{"index": 1, "mac": "AC:1E:50:00:24:09", "protocol": "onvif",
                       "maker": "Acme Optics", "model": "AX-200", "version": "2.1.0", "name": "Loading bay",
                       "imagingRange": [-50, 50]}]})",
                   2);
    // A small main stream keeps the simulator's encoder light.
    OnvifCamera writer(Entry(camera, ""), {"admin", kPassword}, {"http://" + camera.ip + "/onvif/device_service", {}});
    ASSERT_TRUE(writer.Login().Done());
    VideoConfigRecord video{};
    video.stream = 1;
    ASSERT_TRUE(writer.GetVideoConfig(video).Done());
    video.frameSize = 6; // 704 x 576
    video.frameRate = 15;
    ASSERT_TRUE(writer.SetVideoConfig(video).Done());
    ASSERT_EQ(StatusCell(camera.ip, "Brightness"), "0") << "the middle of the camera's range";

    StartProgram({}, 3);
    m_dlg->resize(1400, 860);
    auto* page = qobject_cast<CVideoViewDlg*>(m_page);
    ASSERT_NE(page, nullptr);
    QTreeWidgetItem* row = nullptr;
    ASSERT_TRUE(labkit::WaitFor([&] { return (row = RowShowing(page->List(), camera.ip)) != nullptr; }, 10000));
    QTest::mouseClick(page->List()->viewport(), Qt::LeftButton, {}, page->List()->visualItemRect(row).center());
    ASSERT_TRUE(labkit::WaitFor([&] { return page->HeldCamera() && !page->Loading(); }, 20000)) << Shown();
    // The camera's middle shows in the sliders' middle, sharpness too: an
    // ONVIF camera's values are all scaled onto 0-255, whatever its model.
    QSlider* brightness = page->Slider(PictureValue::Brightness);
    QSlider* sharpness = page->Slider(PictureValue::Sharpness);
    EXPECT_EQ(brightness->value(), 50);
    EXPECT_EQ(sharpness->value(), 50);
    QTest::keyClick(sharpness, Qt::Key_PageDown); // 40 of 100, 102 of 255, -10 in -50..50
    EXPECT_TRUE(labkit::WaitFor([&] { return StatusCell(camera.ip, "Sharpness") == "-10"; }, 10000))
        << StatusCell(camera.ip, "Sharpness");

    QTest::mouseClick(page->PlayButton(), Qt::LeftButton);
    CVideoWnd& area = *page->Video();
    ASSERT_TRUE(labkit::WaitFor([&] { return area.FramesPainted() >= 20; }, 20000))
        << "pictures painted: " << area.FramesPainted() << "\n" << Shown();
    EXPECT_TRUE(page->IsPlaying());
    EXPECT_EQ(Lines().filter(QStringLiteral("Play video successfully.")).size(), 1) << Shown();
    EXPECT_EQ(area.ShownPicture().size(), area.size());
    const double before = MeanLuma(area.ShownPicture());
    SaveInBothLanguages(*m_dlg, QStringLiteral("preview-onvif"), [&] { return m_dlg->grab(); });

    for (int step = 0; step < 3; ++step) {
        QTest::keyClick(brightness, Qt::Key_PageUp); // 50 -> 80
    }
    ASSERT_EQ(brightness->value(), 80);
    // 80 of 100 on the slider is 204 of 255, 30 in the camera's -50..50.
    EXPECT_TRUE(labkit::WaitFor([&] { return StatusCell(camera.ip, "Brightness") == "30"; }, 10000))
        << StatusCell(camera.ip, "Brightness");
    const uint64_t painted = area.FramesPainted();
    EXPECT_TRUE(labkit::WaitFor(
        [&] { return area.FramesPainted() > painted && MeanLuma(area.ShownPicture()) > before + 30; }, 10000))
        << "luma " << before << " -> " << MeanLuma(area.ShownPicture());
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();

    QTest::mouseClick(page->PlayButton(), Qt::LeftButton);
    EXPECT_TRUE(labkit::WaitFor([&] { return !page->IsPlaying(); }, 10000));
}

} // namespace

int main(int argc, char** argv)
{
    return labkit::RunWindowLabTests(argc, argv);
}
