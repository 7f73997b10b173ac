// One installer's day on the demo site (scripts/demo-site.json, the site the
// README's first command starts): the real window offscreen with every page,
// in the lab's workstation namespace, against vtcamsim in the camera
// namespace. Each step is done through the window as an installer would, and
// each is checked on the cameras themselves, over the SDK with the test's own
// logins or by discovery, not only in the panel.
//
// The steps follow each other on one site, so a step relies on the ones
// before it: the suite is one test, each step a scope of its own.
#include "BatchRunner.h"
#include "BatchSetDlg.h"
#include "BatchUpgradeDlg.h"
#include "CustomDownloadDlg.h"
#include "DayShots.h"
#include "DemoSite.h"
#include "Lab.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "LogDlg.h"
#include "LogRules.h"
#include "MessageBox.h"
#include "OemDlg.h"
#include "OemFile.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "PreviewRules.h"
#include "ProgramFolder.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "SystemParamDlg.h"
#include "VideoImageDlg.h"
#include "VideoViewDlg.h"
#include "VideoWnd.h"
#include "VtIpcSDK.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimeEdit>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {
using labkit::ById;
using labkit::WaitFor;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Login(const std::string& ip, const std::string& password)
{
    return Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", password.c_str(), 0);
}

// The rows of a list whose any column shows text.
std::vector<QTreeWidgetItem*> RowsShowing(QTreeWidget* list, const QString& text)
{
    std::vector<QTreeWidgetItem*> rows;
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        QTreeWidgetItem* row = list->topLevelItem(r);
        for (int c = 0; c < list->columnCount(); ++c) {
            if (row->text(c) == text) {
                rows.push_back(row);
                break;
            }
        }
    }
    return rows;
}

void ClickRow(QTreeWidget* list, QTreeWidgetItem* row)
{
    list->scrollToItem(row);
    const QRect cell = list->visualItemRect(row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + cell.width() / 2, cell.center().y()));
}

// Clicks the one row with a column showing text.
void ClickRowShowing(QTreeWidget* list, const QString& text)
{
    const auto rows = RowsShowing(list, text);
    ASSERT_EQ(rows.size(), 1u) << text.toStdString();
    ClickRow(list, rows.front());
}

void TickOnly(QTreeWidget* list, const std::set<QString>& ips)
{
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        QTreeWidgetItem* row = list->topLevelItem(r);
        bool wanted = false;
        for (int c = 0; c < list->columnCount(); ++c) {
            wanted = wanted || ips.count(row->text(c)) != 0;
        }
        if ((row->checkState(0) == Qt::Checked) != wanted) {
            row->setCheckState(0, wanted ? Qt::Checked : Qt::Unchecked);
        }
    }
}

// The mean grey of a picture, 0 to 255; -1 without one.
double MeanGrey(const QImage& picture)
{
    if (picture.isNull()) {
        return -1;
    }
    const QImage small = picture.scaled(64, 36).convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            sum += qGray(small.pixel(x, y));
        }
    }
    return sum / (small.width() * small.height());
}

void Choose(QComboBox* box, const QString& text)
{
    const int entry = box->findText(text);
    ASSERT_GE(entry, 0) << text.toStdString();
    box->setCurrentIndex(entry);
    emit box->activated(entry);
}

class InstallerDay : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        labkit::EnsureWindowApplication();
        m_sandbox = std::make_unique<labkit::ProgramSandbox>();
        ASSERT_TRUE(m_sandbox->Valid());
        m_root = m_sandbox->Path();
        m_site = ReadSite(m_root + "/site.json");
        ASSERT_TRUE(m_site.error.empty()) << m_site.error;
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(m_site.simArgs, error);
        ASSERT_GT(m_sim, 0) << error;
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons buttons) {
            m_boxes << text;
            // Questions that would open a folder are answered No.
            if (text.contains(QStringLiteral("Open path"))) {
                return ZxAnswer::No;
            }
            return buttons == ZxButtons::YesNo ? ZxAnswer::Yes : ZxAnswer::Ok;
        });
        m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{"vtlog", "vtoem"});
        m_app->InitInstance();
        m_app->basicMode = 0;
        ASSERT_GT(LangSelectByName(L"English"), 0);
        MainWindowOptions options;
        options.addPages = AddZendrixPages;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->resize(1120, 860);
        m_dlg->show();
        ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
        ASSERT_EQ(m_dlg->Sheet()->count(), 6) << "network, batch set, upgrade, preview, log and OEM pages";
        ById<QLineEdit>(m_dlg.get(), 1039)->setText(QString::fromStdString(m_site.user));
        ById<QLineEdit>(m_dlg.get(), 1029)->setText(QString::fromStdString(m_site.password));
        m_shots = std::make_unique<DayShots>(m_dlg.get());
        ASSERT_TRUE(m_shots->Error().isEmpty()) << m_shots->Error().toStdString();
    }

    void TearDown() override
    {
        if (m_shots) {
            EXPECT_TRUE(m_shots->Error().isEmpty()) << m_shots->Error().toStdString();
        }
        m_shots.reset();
        m_dlg.reset();
        m_app.reset();
        if (m_sim > 0) {
            labkit::LabEnvironment::Current()->Stop(m_sim);
        }
        ZxSetMessageBoxHook({});
        m_sandbox.reset();
    }

    template <class Page> Page* Show()
    {
        auto* page = m_dlg->findChild<Page*>();
        EXPECT_NE(page, nullptr);
        if (page != nullptr) {
            m_dlg->Sheet()->setCurrentWidget(page);
        }
        return page;
    }

    QStringList Lines() const { return labkit::ListLines(m_dlg->Panel()); }
    int LinesWith(const QString& text) const { return static_cast<int>(Lines().filter(text).size()); }
    std::string Panel() const { return Lines().join(QLatin1Char('\n')).toStdString(); }
    void ClearPanel() { m_dlg->Panel()->clear(); }

    // The IPs each listed camera shows, as discovery found them.
    std::multiset<QString> ListedIps(QTreeWidget* list, int ipColumn) const
    {
        std::multiset<QString> ips;
        for (int r = 0; r < list->topLevelItemCount(); ++r) {
            ips.insert(list->topLevelItem(r)->text(ipColumn));
        }
        return ips;
    }
    // Every camera the lists show: the family's and the ONVIF cameras.
    std::multiset<QString> SiteIps() const
    {
        std::multiset<QString> ips;
        for (const SiteCamera& camera : m_site.cameras) {
            ips.insert(QString::fromStdString(camera.ip));
        }
        for (const std::string& ip : m_site.onvifIps) {
            ips.insert(QString::fromStdString(ip));
        }
        return ips;
    }
    // Cameras with an address of their own, in the workstation's subnet.
    std::set<QString> UniqueReachableIps(bool aModels) const
    {
        std::set<QString> ips;
        for (const SiteCamera& camera : m_site.cameras) {
            const QString ip = QString::fromStdString(camera.ip);
            if (SiteIps().count(ip) == 1 && ip.startsWith(QStringLiteral("192.168.")) &&
                (aModels || camera.model.back() != 'A')) {
                ips.insert(ip);
            }
        }
        return ips;
    }
    SiteCamera* CameraAt(const std::string& ip)
    {
        for (SiteCamera& camera : m_site.cameras) {
            if (camera.ip == ip) {
                return &camera;
            }
        }
        return nullptr;
    }
    // The window in basic mode with the camera at ip selected, then full mode again.
    void ShootBasicMode(const QString& ip, const QString& name)
    {
        if (!m_shots->On()) {
            return;
        }
        m_dlg->ToggleBasicMode();
        QTreeWidget* list = m_dlg->BasicWindow()->List();
        QTest::qWait(100);
        ClickRowShowing(list, ip);
        m_shots->Take(name);
        m_dlg->ToggleBasicMode();
    }
    void Refresh() { QTest::mouseClick(ById<QWidget>(m_dlg.get(), 1162), Qt::LeftButton); }

    // Upgrades the cameras at ips with one image in one parallel run; each
    // must flash, reboot, announce the version and report it when asked.
    void UpgradeTogether(CBatchUpgradeDlg* upgrade, const std::set<QString>& ips, const std::string& imageName,
                         const char* version, const QString& shot = {})
    {
        constexpr int kVersionColumn = 9;
        TickOnly(upgrade->List(), ips);
        const std::string image = m_root + "/" + imageName;
        std::mt19937 random(16);
        std::string bytes(3 * 1024 * 1024, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        std::ofstream(image, std::ios::binary) << bytes;
        upgrade->ChooseImage(QString::fromStdString(image));
        ClearPanel();
        m_boxes.clear();
        auto* start = ById<QPushButton>(upgrade, 1178);
        ASSERT_TRUE(start->isEnabled()) << imageName;
        start->click();
        ASSERT_TRUE(
            WaitFor([&] { return LinesWith(QStringLiteral("Upgrading operations are all finished.")) == 1; }, 90000))
            << Panel();
        EXPECT_EQ(LinesWith(QStringLiteral("Upgrade successfully.")), static_cast<int>(ips.size())) << Panel();
        EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(WaitFor(
            [&] {
                for (const QString& ip : ips) {
                    const auto rows = RowsShowing(upgrade->List(), ip);
                    if (rows.size() != 1 || rows.front()->text(kVersionColumn) != QLatin1String(version)) {
                        return false;
                    }
                }
                return true;
            },
            30000))
            << "the list shows what the cameras announced after their reboot";
        if (!shot.isEmpty()) {
            m_shots->Take(shot);
        }
        for (const QString& ip : ips) {
            SystemInfoRecord info{};
            ASSERT_TRUE(WaitFor(
                [&] { return Vt_Ipc_GetSystemInfo(Login(ip.toStdString(), m_site.password), &info) == 0; }, 10000))
                << ip.toStdString();
            EXPECT_STREQ(info.version, version) << ip.toStdString();
        }
        TickOnly(upgrade->List(), {});
    }

    std::unique_ptr<labkit::ProgramSandbox> m_sandbox;
    std::string m_root;
    Site m_site;
    pid_t m_sim = -1;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    std::unique_ptr<DayShots> m_shots;
    QStringList m_boxes;
};

TEST_F(InstallerDay, FromFindingTheCamerasToBrandingThemInBothLanguages)
{
    constexpr int kNetworkIpColumn = 4;
    QTreeWidget* network = m_dlg->NetworkPage()->List();

    // Find the cameras: every camera of the site, the two on one address included.
    {
        SCOPED_TRACE("find the cameras");
        ASSERT_TRUE(WaitFor([&] { return ListedIps(network, kNetworkIpColumn) == SiteIps(); }, 15000))
            << "listed " << network->topLevelItemCount() << " of " << m_site.cameras.size();
    }

    // Readdress the cameras outside the workstation's subnet, one after the
    // other from one starting address.
    const std::vector<std::string> outside = {"10.20.30.41", "10.20.30.42", "10.20.30.43", "172.16.8.20"};
    const std::vector<std::string> moved = {"192.168.5.200", "192.168.5.201", "192.168.5.202", "192.168.5.203"};
    {
        SCOPED_TRACE("readdress the cameras outside the subnet");
        for (const std::string& ip : outside) {
            EXPECT_LT(Login(ip, m_site.password), 0) << ip << " is out of the workstation's reach at first";
        }
        std::set<QString> outsideIps;
        for (const std::string& ip : outside) {
            outsideIps.insert(QString::fromStdString(ip));
        }
        TickOnly(network, outsideIps);
        ASSERT_TRUE(m_dlg->NetworkPage()->IsMultiMode());
        // One starting address, and the subnet's mask, gateway and DNS for all.
        ById<QLineEdit>(m_dlg->NetworkPage(), 1010)->setText(QString::fromStdString(moved.front()));
        ById<QLineEdit>(m_dlg->NetworkPage(), 1011)->setText(QStringLiteral("255.255.0.0"));
        ById<QLineEdit>(m_dlg->NetworkPage(), 1012)->setText(QStringLiteral("192.168.0.1"));
        ById<QLineEdit>(m_dlg->NetworkPage(), 1013)->setText(QStringLiteral("192.168.0.1"));
        ClearPanel();
        m_boxes.clear();
        QTest::mouseClick(ById<QPushButton>(m_dlg->NetworkPage(), 1015), Qt::LeftButton);
        EXPECT_EQ(m_boxes, QStringList({QStringLiteral("Are you sure to modify the selected devices?")}));
        ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("successfully.")) == 4; }, 10000)) << Panel();
        // In the list's order, which sorts by address.
        for (std::size_t i = 0; i < outside.size(); ++i) {
            EXPECT_EQ(LinesWith(QStringLiteral("IP:%1->%2 ").arg(QString::fromStdString(outside[i]),
                                                                 QString::fromStdString(moved[i]))),
                      1)
                << Panel();
        }
        // The cameras answer on their new addresses and discovery finds them there.
        for (std::size_t i = 0; i < moved.size(); ++i) {
            EXPECT_TRUE(WaitFor([&] { return Login(moved[i], m_site.password) >= 0; }, 5000)) << moved[i];
        }
        Refresh();
        for (SiteCamera& camera : m_site.cameras) {
            const auto at = std::find(outside.begin(), outside.end(), camera.ip);
            if (at != outside.end()) {
                camera.ip = moved[static_cast<std::size_t>(at - outside.begin())];
            }
        }
        const std::multiset<QString> expected = SiteIps();
        EXPECT_TRUE(WaitFor([&] { return ListedIps(network, kNetworkIpColumn) == expected; }, 10000));
        for (const std::string& ip : moved) {
            const auto rows = RowsShowing(network, QString::fromStdString(ip));
            ASSERT_EQ(rows.size(), 1u) << ip;
            EXPECT_EQ(rows.front()->text(kNetworkIpColumn + 2), QStringLiteral("255.255.0.0")) << ip;
            EXPECT_EQ(rows.front()->text(kNetworkIpColumn + 3), QStringLiteral("192.168.0.1")) << ip;
        }
        TickOnly(network, {});
        ClickRowShowing(network, QString::fromStdString(moved.front()));
        m_shots->Take(QStringLiteral("network-en"));
        ShootBasicMode(QString::fromStdString(moved.front()), QStringLiteral("basic-en"));
        if (m_shots->On()) {
            auto* search = ById<QLineEdit>(m_dlg.get(), 1160);
            search->setText(QStringLiteral("C6121"));
            QTest::keyClick(search, Qt::Key_Return);
            m_shots->Take(QStringLiteral("search-en"));
            search->clear();
            QTest::keyClick(search, Qt::Key_Return);
            ASSERT_TRUE(WaitFor([&] { return ListedIps(network, kNetworkIpColumn) == expected; }, 5000));
        }
    }

    // Time zone and SNTP on every camera with an address of its own; the one
    // with another password is refused and the others go on.
    auto* batchSet = Show<CBatchSetDlg>();
    ASSERT_NE(batchSet, nullptr);
    const std::string office = "192.168.5.111";
    ASSERT_EQ(CameraAt(office)->password, "site2024");
    {
        SCOPED_TRACE("time zone and SNTP on all");
        const std::set<QString> targets = UniqueReachableIps(true);
        ASSERT_GE(targets.size(), 20u);
        ASSERT_TRUE(WaitFor([&] { return batchSet->List()->topLevelItemCount() == network->topLevelItemCount(); },
                            5000));
        TickOnly(batchSet->List(), targets);
        ASSERT_TRUE(batchSet->TickedMode());
        ASSERT_TRUE(WaitFor([&] { return !batchSet->Loading(); }, 15000)) << "the reference camera was loaded";
        batchSet->SubSheet()->setCurrentWidget(batchSet->SystemPage());
        QWidget* systemPage = batchSet->SystemPage();
        ById<QComboBox>(systemPage, 1048)->setCurrentIndex(38);
        ById<QRadioButton>(systemPage, 1047)->setChecked(true);
        ById<QLineEdit>(systemPage, 1152)->setText(QStringLiteral("ntp.site.example"));
        ClearPanel();
        m_boxes.clear();
        QTest::mouseClick(ById<QPushButton>(batchSet, 1043), Qt::LeftButton);
        EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
        const int expectedSuccess = static_cast<int>(targets.size()) - 1;
        ASSERT_TRUE(WaitFor(
            [&] {
                return !batchSet->Runner().Running() &&
                       LinesWith(QStringLiteral("Set date and time successfully.")) == expectedSuccess;
            },
            60000))
            << Panel();
        EXPECT_EQ(LinesWith(QString::fromStdString(office) +
                            QStringLiteral(" Set system parameters failed. Username or password is incorrect.")),
                  1)
            << Panel();
        for (const QString& ip : targets) {
            SystemDateRecord date{};
            const SiteCamera* camera = CameraAt(ip.toStdString());
            const int handle = Login(camera->ip, camera->password);
            ASSERT_GE(handle, 0) << camera->ip;
            ASSERT_EQ(Vt_Ipc_GetSystemDate(handle, &date), 0) << camera->ip;
            if (camera->ip == office) {
                EXPECT_NE(date.timeZone, 38) << "the refused camera kept its zone";
            } else {
                EXPECT_EQ(date.timeZone, 38) << camera->ip;
                EXPECT_EQ(date.mode, 1) << camera->ip;
                EXPECT_STREQ(date.ntpServer, "ntp.site.example") << camera->ip;
            }
        }
        m_shots->Take(QStringLiteral("batchset-system-en"));
        TickOnly(batchSet->List(), {});
        // One of the two cameras on 192.168.5.103.
        ClickRowShowing(batchSet->List(), QStringLiteral("Loading bay"));
        m_shots->Take(QStringLiteral("warning-conflict-en"));
    }

    // The camera with another password gets the site's password.
    {
        SCOPED_TRACE("change the password on one");
        ById<QLineEdit>(m_dlg.get(), 1029)->setText(QStringLiteral("site2024"));
        const auto rows = RowsShowing(batchSet->List(), QString::fromStdString(office));
        ASSERT_EQ(rows.size(), 1u);
        ClickRow(batchSet->List(), rows.front());
        ASSERT_FALSE(batchSet->TickedMode());
        ASSERT_TRUE(WaitFor([&] { return !batchSet->Loading(); }, 15000)) << "the camera was loaded";
        ById<QLineEdit>(batchSet->SystemPage(), 1029)->setText(QString::fromStdString(m_site.password));
        ById<QLineEdit>(batchSet->SystemPage(), 1031)->setText(QString::fromStdString(m_site.password));
        ClearPanel();
        QTest::mouseClick(ById<QPushButton>(batchSet, 1043), Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Modify password successfully.")) == 1; }, 15000))
            << Panel();
        EXPECT_GE(Login(office, m_site.password), 0);
        EXPECT_LT(Login(office, "site2024"), 0);
        CameraAt(office)->password = m_site.password;
        batchSet->SubSheet()->setCurrentIndex(1);
        m_shots->Take(QStringLiteral("batchset-network-en"));
        ById<QLineEdit>(m_dlg.get(), 1029)->setText(QString::fromStdString(m_site.password));
    }

    // Video and OSD on the three VT-C6121 cameras at the entrance.
    const std::set<QString> entrance = {"192.168.5.100", "192.168.5.101", "192.168.5.102"};
    {
        SCOPED_TRACE("video and OSD");
        auto* video = batchSet->findChild<CVideoImageDlg*>();
        ASSERT_NE(video, nullptr);
        batchSet->SubSheet()->setCurrentWidget(video);
        TickOnly(batchSet->List(), entrance);
        ASSERT_TRUE(batchSet->TickedMode());
        auto* bitRate = ById<QComboBox>(video, 1092);
        ASSERT_TRUE(WaitFor([&] { return !batchSet->Loading() && bitRate->count() > 0; }, 15000))
            << "the reference camera was loaded";
        Choose(bitRate, QStringLiteral("2048"));
        ById<QLineEdit>(video, 1099)->setText(QStringLiteral("Entrance"));
        ClearPanel();
        m_boxes.clear();
        QTest::mouseClick(ById<QPushButton>(batchSet, 1043), Qt::LeftButton);
        EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
        ASSERT_TRUE(WaitFor(
            [&] {
                return !batchSet->Runner().Running() &&
                       LinesWith(QStringLiteral("Set primary video stream successfully.")) == 3;
            },
            20000))
            << Panel();
        EXPECT_EQ(LinesWith(QStringLiteral("Set OSD successfully.")), 3) << Panel();
        for (const QString& ip : entrance) {
            const int handle = Login(ip.toStdString(), m_site.password);
            ASSERT_GE(handle, 0);
            OsdRecord osd{};
            ASSERT_EQ(Vt_Ipc_GetOSD(handle, &osd), 0);
            EXPECT_STREQ(osd.title, "Entrance") << ip.toStdString();
            VideoConfigRecord primary{};
            primary.stream = 1;
            ASSERT_EQ(Vt_Ipc_GetVideoConfig(handle, &primary), 0);
            EXPECT_EQ(primary.bitRate, 2048) << ip.toStdString();
        }
        const int untouched = Login("192.168.5.113", m_site.password);
        OsdRecord osd{};
        ASSERT_EQ(Vt_Ipc_GetOSD(untouched, &osd), 0);
        EXPECT_STRNE(osd.title, "Entrance");
        m_shots->Take(QStringLiteral("batchset-video-en"));
        TickOnly(batchSet->List(), {});
    }

    // New firmware on every camera of the VT-C6 platform at once.
    {
        SCOPED_TRACE("upgrade in parallel");
        auto* upgrade = Show<CBatchUpgradeDlg>();
        ASSERT_NE(upgrade, nullptr);
        ASSERT_TRUE(WaitFor([&] { return upgrade->List()->topLevelItemCount() == network->topLevelItemCount(); },
                            5000));
        const std::set<QString> platform5 = UniqueReachableIps(false);
        ASSERT_GE(platform5.size(), 15u);
        UpgradeTogether(upgrade, platform5, "VTFImage_50_31.4.1.2.bin", "31.4.1.2", QStringLiteral("upgrade-en"));
        SystemInfoRecord aModel{};
        ASSERT_EQ(Vt_Ipc_GetSystemInfo(Login("192.168.5.109", m_site.password), &aModel), 0);
        EXPECT_STREQ(aModel.version, "31.2.0.10") << "an A model takes no VT-C6 image";
        // Then the A models, with their own image.
        std::set<QString> aModels;
        const std::set<QString> all = UniqueReachableIps(true);
        std::set_difference(all.begin(), all.end(), platform5.begin(), platform5.end(),
                            std::inserter(aModels, aModels.end()));
        ASSERT_EQ(aModels.size(), 3u);
        if (m_shots->On()) {
            // The VT-C6 image does not fit them: the page says so before anything is sent.
            TickOnly(upgrade->List(), aModels);
            upgrade->ChooseImage(QString::fromStdString(m_root + "/VTFImage_50_31.4.1.2.bin"));
            m_shots->Take(QStringLiteral("upgrade-refused-en"));
        }
        UpgradeTogether(upgrade, aModels, "VTFImage_30_31.6.0.5.bin", "31.6.0.5");
    }

    // Watch the server room's camera and make its picture brighter.
    const std::string serverRoom = "192.168.5.109"; // VT-C3190A
    {
        SCOPED_TRACE("preview and brightness");
        auto* preview = Show<CVideoViewDlg>();
        ASSERT_NE(preview, nullptr);
        ImagingSettingsRecord picture{};
        ASSERT_EQ(Vt_Ipc_GetImagingSettings(Login(serverRoom, m_site.password), &picture), 0);
        ASSERT_EQ(picture.brightness, 128) << "the A model's factory middle";
        const auto rows = RowsShowing(preview->List(), QString::fromStdString(serverRoom));
        ASSERT_EQ(rows.size(), 1u);
        ClickRow(preview->List(), rows.front());
        QSlider* brightness = preview->Slider(PictureValue::Brightness);
        ASSERT_TRUE(WaitFor([&] { return preview->PlayButton()->isEnabled() && brightness->value() == 50; }, 5000));
        ClearPanel();
        QTest::mouseClick(preview->PlayButton(), Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return preview->IsPlaying(); }, 5000)) << Panel();
        EXPECT_EQ(LinesWith(QStringLiteral("Play video successfully.")), 1) << Panel();
        CVideoWnd* video = preview->Video();
        const uint64_t painted = video->FramesPainted();
        ASSERT_TRUE(WaitFor([&] { return video->FramesPainted() >= painted + 5; }, 8000)) << "the camera's pictures";
        const double before = MeanGrey(video->ShownPicture());
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(brightness, Qt::Key_PageUp);
        }
        EXPECT_EQ(brightness->value(), 80);
        EXPECT_TRUE(WaitFor([&] { return MeanGrey(video->ShownPicture()) > before + 20; }, 3000))
            << "the pictures after the change: " << before << " -> " << MeanGrey(video->ShownPicture());
        ImagingSettingsRecord after{};
        EXPECT_TRUE(WaitFor(
            [&] {
                return Vt_Ipc_GetImagingSettings(Login(serverRoom, m_site.password), &after) == 0 &&
                       after.brightness == 204;
            },
            5000))
            << "brightness on the camera: " << after.brightness;
        EXPECT_EQ(after.contrast, picture.contrast) << "only the brightness changed";
        m_shots->Take(QStringLiteral("preview-en"));
        QTest::mouseClick(preview->PlayButton(), Qt::LeftButton);
        EXPECT_TRUE(WaitFor([&] { return !preview->IsPlaying(); }, 5000));
    }

    // Read the same camera's log, alarms only, and compare with the camera's own file.
    {
        SCOPED_TRACE("log filtered by type");
        auto* log = Show<CLogDlg>();
        ASSERT_NE(log, nullptr);
        const auto rows = RowsShowing(log->List(), QString::fromStdString(serverRoom));
        ASSERT_EQ(rows.size(), 1u);
        log->List()->setCurrentItem(rows.front());
        ASSERT_TRUE(WaitFor([&] { return !log->Busy(); }, 20000));
        ASSERT_GT(log->Grid()->topLevelItemCount(), 0) << Panel();
        log->StartDate()->setDate(QDate(2000, 1, 1));
        log->MainTypeBox()->setCurrentIndex(1);
        QTest::mouseClick(log->QueryButton(), Qt::LeftButton);
        ASSERT_TRUE(WaitFor([&] { return !log->Busy(); }, 20000));

        const std::string served = m_root + "/served_log.db";
        ASSERT_EQ(Vt_Ipc_DownloadLog(Login(serverRoom, m_site.password), served.c_str()), 0) << Vt_Sdk_GetLastError();
        const QDateTime end(log->EndDate()->date(), log->EndTime()->time());
        const std::string where = "where main_type=1 and time>=" +
                                  std::to_string(QDateTime(QDate(2000, 1, 1), QTime(0, 0)).toSecsSinceEpoch()) +
                                  " and time<" + std::to_string(end.toSecsSinceEpoch());
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(served.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* count = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, ("select count(*) from log " + where).c_str(), -1, &count, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
        const int alarms = sqlite3_column_int(count, 0);
        sqlite3_finalize(count);
        QStringList expectedTimes;
        sqlite3_stmt* times = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, ("select time from log " + where + " order by time desc, rowid desc limit 40").c_str(),
                                     -1, &times, nullptr),
                  SQLITE_OK);
        while (sqlite3_step(times) == SQLITE_ROW) {
            expectedTimes << QString::fromStdString(FormatLogTime(sqlite3_column_int(times, 0)));
        }
        sqlite3_finalize(times);
        sqlite3_close(db);

        ASSERT_GT(alarms, 0);
        EXPECT_EQ(log->TotalPages(), PageCount(alarms, 40));
        ASSERT_EQ(log->Grid()->topLevelItemCount(), static_cast<int>(expectedTimes.size()));
        const QString alarmText = QString::fromStdWString(TypeText(1));
        for (int r = 0; r < log->Grid()->topLevelItemCount(); ++r) {
            EXPECT_EQ(log->Grid()->topLevelItem(r)->text(1), expectedTimes[r]) << "row " << r;
            EXPECT_EQ(log->Grid()->topLevelItem(r)->text(2), alarmText) << "row " << r;
        }
        m_shots->Take(QStringLiteral("log-en"));
        if (m_shots->On()) {
            log->SetCustomDialogHook([&](CCustomDownloadDlg& dialog) {
                dialog.NameBox()->setText(QStringLiteral("record/clip_0001.avi"));
                dialog.show();
                m_shots->TakeWith(&dialog, QStringLiteral("log-custom-download-en"));
                return false;
            });
            QTest::mouseClick(log->CustomButton(), Qt::LeftButton);
            log->SetCustomDialogHook({});
        }
    }

    // Branding for the entrance cameras.
    {
        SCOPED_TRACE("OEM branding");
        auto* oem = Show<COemDlg>();
        ASSERT_NE(oem, nullptr);
        const std::string logo = m_root + "/site logo.bmp";
        {
            std::string bytes = "BM";
            for (int i = 0; i < 40000; ++i) {
                bytes += static_cast<char>((i * 37) & 0xFF);
            }
            std::ofstream(logo, std::ios::binary) << bytes;
        }
        ById<QLineEdit>(oem, 1146)->setText(QStringLiteral("Vantrel Site Services"));
        ById<QLineEdit>(oem, 1147)->setText(QStringLiteral("www.site.example"));
        ById<QLineEdit>(oem, 1149)->setText(QStringLiteral("VS-6121"));
        ById<QLineEdit>(oem, 1156)->setText(QString::fromStdString(logo));
        TickOnly(oem->List(), entrance);
        auto* upload = ById<QPushButton>(oem, 1145);
        ASSERT_TRUE(WaitFor([&] { return upload->isEnabled(); }, 3000));
        ClearPanel();
        m_boxes.clear();
        QTest::mouseClick(upload, Qt::LeftButton);
        EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
        ASSERT_TRUE(WaitFor([&] { return !oem->Runner().Running() &&
                                         LinesWith(QStringLiteral("Upload OEM files successfully.")) == 3; },
                            30000))
            << Panel();
        const std::string config = ReadAll(OemFilePath());
        EXPECT_NE(config.find("Vantrel Site Services"), std::string::npos);
        for (const QString& ip : entrance) {
            const int handle = Login(ip.toStdString(), m_site.password);
            for (const auto& [remote, local] : {std::pair{std::string("vtoem.cfg"), config},
                                                std::pair{std::string("site logo.bmp"), ReadAll(logo)}}) {
                const std::string held = m_root + "/held";
                std::remove(held.c_str());
                ASSERT_EQ(Vt_Ipc_DownloadCustom(handle, held.c_str(), 1, ("oem/" + remote).c_str()), 0)
                    << ip.toStdString() << " " << remote;
                EXPECT_TRUE(ReadAll(held) == local) << ip.toStdString() << " " << remote;
            }
        }
        m_shots->Take(QStringLiteral("oem-en"));
        TickOnly(oem->List(), {});
    }

    // Chinese and back: every page relabelled, the cameras still found.
    {
        SCOPED_TRACE("Chinese and back");
        const auto titles = [&] {
            QStringList texts;
            for (int i = 0; i < m_dlg->Sheet()->count(); ++i) {
                texts << m_dlg->Sheet()->tabText(i);
            }
            texts << ById<QPushButton>(m_dlg->NetworkPage(), 1015)->text();
            return texts;
        };
        const auto choose = [&](const QString& language) {
            QMenu* menu = m_dlg->ShowHelpMenu();
            auto* languages = menu->findChild<QMenu*>(QStringLiteral("languageMenu"));
            ASSERT_NE(languages, nullptr);
            QAction* wanted = nullptr;
            for (QAction* action : languages->actions()) {
                if (action->text() == language) {
                    wanted = action;
                }
            }
            ASSERT_NE(wanted, nullptr) << language.toStdString();
            wanted->trigger();
            menu->close();
        };
        const QStringList english = titles();
        ClearPanel();
        choose(QStringLiteral("\u7b80\u4f53\u4e2d\u6587"));
        const QStringList chinese = titles();
        for (int i = 0; i < english.size(); ++i) {
            if (english[i] != QStringLiteral("OEM")) {
                EXPECT_NE(chinese[i], english[i]);
            }
            EXPECT_FALSE(chinese[i].isEmpty()) << english[i].toStdString();
        }
        m_dlg->Sheet()->setCurrentIndex(0);
        Refresh();
        const std::multiset<QString> expected = SiteIps();
        EXPECT_TRUE(WaitFor([&] { return ListedIps(network, kNetworkIpColumn) == expected; }, 10000));
        // The server room's camera selected on the upgrade page too: the A
        // models' image chosen last fits it, so the page shows no warning.
        const QString serverRoomIp = QString::fromStdString(serverRoom);
        QTreeWidget* upgradeList = Show<CBatchUpgradeDlg>()->List();
        ClickRowShowing(upgradeList, serverRoomIp);
        m_dlg->Sheet()->setCurrentIndex(0);
        ClickRowShowing(network, serverRoomIp);
        m_shots->TakePages(m_dlg->Sheet(), {"network", "batchset", "upgrade", "", "log", "oem"}, "zh");
        if (m_shots->On()) {
            auto* preview = Show<CVideoViewDlg>();
            const uint64_t painted = preview->Video()->FramesPainted();
            QTest::mouseClick(preview->PlayButton(), Qt::LeftButton);
            EXPECT_TRUE(WaitFor([&] { return preview->Video()->FramesPainted() >= painted + 5; }, 8000));
            m_shots->Take(QStringLiteral("preview-zh"));
            QTest::mouseClick(preview->PlayButton(), Qt::LeftButton);
            EXPECT_TRUE(WaitFor([&] { return !preview->IsPlaying(); }, 5000));
            m_dlg->Sheet()->setCurrentIndex(0);
        }
        ShootBasicMode(serverRoomIp, QStringLiteral("basic-zh"));
        choose(QStringLiteral("English"));
        EXPECT_EQ(titles(), english);
    }
}
} // namespace

int main(int argc, char** argv)
{
    return labkit::RunWindowLabTests(argc, argv);
}
