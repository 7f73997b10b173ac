#pragma once
// One installer's day on the demo site (scripts/demo-site.json, the site the
// README's first command starts): the real window offscreen with every page,
// in the lab's workstation namespace, against vtcamsim in the camera
// namespace. Each step is done through the window as an installer would, and
// each is checked on the cameras themselves, over the SDK with the test's own
// logins or by discovery, not only in the panel.
//
// The steps follow each other on one site, so a step relies on the ones
// before it: the suite is one test, each step a function of its own.
#include "DayShots.h"
#include "DemoSite.h"
#include "Lab.h"
#include "OperationPanel.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QComboBox>
#include <QImage>
#include <QString>
#include <QTabWidget>
#include <QStringList>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CBatchSetDlg;
class CBatchUpgradeDlg;

namespace installerday {
using labkit::ById;
using labkit::WaitFor;

constexpr int kNetworkIpColumn = 4;
// The office camera, the one with a password of its own.
inline const std::string kOffice = "192.168.5.111";
// The three VT-C6121 cameras at the entrance.
inline const std::set<QString> kEntrance = {"192.168.5.100", "192.168.5.101", "192.168.5.102"};
// The server room's camera, a VT-C3190A.
inline const std::string kServerRoom = "192.168.5.109";

std::string ReadAll(const std::string& path);
int Login(const std::string& ip, const std::string& password);
// The rows of a list whose any column shows text.
std::vector<QTreeWidgetItem*> RowsShowing(QTreeWidget* list, const QString& text);
void ClickRow(QTreeWidget* list, QTreeWidgetItem* row);
// Clicks the one row with a column showing text.
void ClickRowShowing(QTreeWidget* list, const QString& text);
void TickOnly(QTreeWidget* list, const std::set<QString>& ips);
// The mean grey of a picture, 0 to 255; -1 without one.
double MeanGrey(const QImage& picture);
void Choose(QComboBox* box, const QString& text);

class InstallerDay : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

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
    std::multiset<QString> ListedIps(QTreeWidget* list, int ipColumn) const;
    // Every camera the lists show: the family's and the ONVIF cameras.
    std::multiset<QString> SiteIps() const;
    // Cameras with an address of their own, in the workstation's subnet.
    std::set<QString> UniqueReachableIps(bool aModels) const;
    SiteCamera* CameraAt(const std::string& ip);
    // The window in basic mode with the camera at ip selected, then full mode again.
    void ShootBasicMode(const QString& ip, const QString& name);
    // The batch set page's list with the site's first ONVIF camera in the
    // workstation's subnet selected, beside the family's: the protocol column
    // in view.
    void ShootMixedList(const QString& name);
    // The batch set page's Video sub-page with a family camera and that
    // ONVIF camera ticked: what both of them take.
    void ShootMixedVideo(const QString& name);
    void Refresh() { QTest::mouseClick(ById<QWidget>(m_dlg.get(), 1162), Qt::LeftButton); }

    // Upgrades the cameras at ips with one image in one parallel run; each
    // must flash, reboot, announce the version and report it when asked.
    void UpgradeTogether(CBatchUpgradeDlg* upgrade, const std::set<QString>& ips, const std::string& imageName,
                         const char* version, const QString& shot = {});

    // The day's steps, in the order the test takes them.
    void FindTheCameras();
    void ReaddressOutsideTheSubnet();
    void SetTimeZoneAndSntpOnAll(CBatchSetDlg* batchSet);
    void ChangeThePasswordOnOne(CBatchSetDlg* batchSet);
    void SetVideoAndOsdAtTheEntrance(CBatchSetDlg* batchSet);
    void UpgradeInParallel();
    void PreviewAndBrighten();
    void ReadTheAlarmLog();
    void BrandTheEntrance();
    void HandOverTheSiteReport();
    void ChineseAndBack();

    std::unique_ptr<labkit::ProgramSandbox> m_sandbox;
    std::string m_root;
    Site m_site;
    pid_t m_sim = -1;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    std::unique_ptr<DayShots> m_shots;
    QStringList m_boxes;
};

} // namespace installerday
