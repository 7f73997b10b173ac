// The installer's day: the window, the demo site's cameras and the helpers
// that work the window as an installer would.
#include "InstallerDay.h"

#include "BatchSetDlg.h"
#include "BatchUpgradeDlg.h"
#include "LangTable.h"
#include "MessageBox.h"
#include "PageFactory.h"
#include "VideoImageDlg.h"
#include "VtIpcSDK.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QPushButton>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace installerday {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Login(const std::string& ip, const std::string& password)
{
    return Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", password.c_str(), 0);
}

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

void InstallerDay::SetUp()
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

void InstallerDay::TearDown()
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

std::multiset<QString> InstallerDay::ListedIps(QTreeWidget* list, int ipColumn) const
{
    std::multiset<QString> ips;
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        ips.insert(list->topLevelItem(r)->text(ipColumn));
    }
    return ips;
}

std::multiset<QString> InstallerDay::SiteIps() const
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

std::set<QString> InstallerDay::UniqueReachableIps(bool aModels) const
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

SiteCamera* InstallerDay::CameraAt(const std::string& ip)
{
    for (SiteCamera& camera : m_site.cameras) {
        if (camera.ip == ip) {
            return &camera;
        }
    }
    return nullptr;
}

void InstallerDay::ShootBasicMode(const QString& ip, const QString& name)
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

void InstallerDay::ShootMixedList(const QString& name)
{
    const auto inSubnet = std::find_if(m_site.onvifIps.begin(), m_site.onvifIps.end(),
                                       [](const std::string& ip) { return ip.rfind("192.168.", 0) == 0; });
    if (!m_shots->On() || inSubnet == m_site.onvifIps.end()) {
        return;
    }
    const int shown = m_dlg->Sheet()->currentIndex();
    QTreeWidget* list = Show<CBatchSetDlg>()->List();
    ClickRowShowing(list, QString::fromStdString(*inSubnet));
    // The protocol column is the list's last: in view with the addresses.
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    m_shots->Take(name);
    list->horizontalScrollBar()->setValue(0);
    m_dlg->Sheet()->setCurrentIndex(shown);
}

void InstallerDay::ShootMixedVideo(const QString& name)
{
    const auto inSubnet = std::find_if(m_site.onvifIps.begin(), m_site.onvifIps.end(),
                                       [](const std::string& ip) { return ip.rfind("192.168.", 0) == 0; });
    const std::set<QString> family = UniqueReachableIps(false);
    if (!m_shots->On() || inSubnet == m_site.onvifIps.end() || family.empty()) {
        return;
    }
    const int shown = m_dlg->Sheet()->currentIndex();
    auto* batchSet = Show<CBatchSetDlg>();
    auto* video = batchSet->findChild<CVideoImageDlg*>();
    QWidget* subPage = batchSet->SubSheet()->currentWidget();
    batchSet->SubSheet()->setCurrentWidget(video);
    TickOnly(batchSet->List(), {*family.begin(), QString::fromStdString(*inSubnet)});
    EXPECT_TRUE(WaitFor([&] { return !batchSet->Loading() && ById<QComboBox>(video, 1086)->count() > 0; }, 15000));
    m_shots->Take(name);
    TickOnly(batchSet->List(), {});
    batchSet->SubSheet()->setCurrentWidget(subPage);
    m_dlg->Sheet()->setCurrentIndex(shown);
}

void InstallerDay::UpgradeTogether(CBatchUpgradeDlg* upgrade, const std::set<QString>& ips, const std::string& imageName,
                     const char* version, const QString& shot)
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

} // namespace installerday
