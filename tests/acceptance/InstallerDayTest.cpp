// One installer's day on the demo site, step by step; the steps are the
// fixture's, the first two (finding the cameras and readdressing them) here.
#include "InstallerDay.h"

#include "BatchSetDlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace installerday {
namespace {

TEST_F(InstallerDay, FromFindingTheCamerasToBrandingThemInBothLanguages)
{
    ASSERT_NO_FATAL_FAILURE(FindTheCameras());
    ASSERT_NO_FATAL_FAILURE(ReaddressOutsideTheSubnet());
    auto* batchSet = Show<CBatchSetDlg>();
    ASSERT_NE(batchSet, nullptr);
    ASSERT_NO_FATAL_FAILURE(SetTimeZoneAndSntpOnAll(batchSet));
    ASSERT_NO_FATAL_FAILURE(ChangeThePasswordOnOne(batchSet));
    ASSERT_NO_FATAL_FAILURE(SetVideoAndOsdAtTheEntrance(batchSet));
    ASSERT_NO_FATAL_FAILURE(UpgradeInParallel());
    ASSERT_NO_FATAL_FAILURE(PreviewAndBrighten());
    ASSERT_NO_FATAL_FAILURE(ReadTheAlarmLog());
    ASSERT_NO_FATAL_FAILURE(BrandTheEntrance());
    ASSERT_NO_FATAL_FAILURE(HandOverTheSiteReport());
    ChineseAndBack();
}

} // namespace

// Find the cameras: every camera of the site, the two on one address included.
void InstallerDay::FindTheCameras()
{
    QTreeWidget* network = m_dlg->NetworkPage()->List();
    SCOPED_TRACE("find the cameras");
    ASSERT_TRUE(WaitFor([&] { return ListedIps(network, kNetworkIpColumn) == SiteIps(); }, 15000))
        << "listed " << network->topLevelItemCount() << " of " << m_site.cameras.size();
}

// Readdress the cameras outside the workstation's subnet, one after the
// other from one starting address.
void InstallerDay::ReaddressOutsideTheSubnet()
{
    QTreeWidget* network = m_dlg->NetworkPage()->List();
    const std::vector<std::string> outside = {"10.20.30.41", "10.20.30.42", "10.20.30.43", "172.16.8.20"};
    const std::vector<std::string> moved = {"192.168.5.200", "192.168.5.201", "192.168.5.202", "192.168.5.203"};
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
    ShootMixedList(QStringLiteral("onvif-en"));
    ShootMixedVideo(QStringLiteral("video-mixed-en"));
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

} // namespace installerday

int main(int argc, char** argv)
{
    return labkit::RunWindowLabTests(argc, argv);
}
