// The installer's day on the batch set page: date and time on all cameras,
// a password on one, video and OSD on the entrance cameras.
#include "InstallerDay.h"

#include "BatchRunner.h"
#include "BatchSetDlg.h"
#include "SystemParamDlg.h"
#include "VideoImageDlg.h"
#include "VtIpcSDK.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace installerday {

// Time zone and SNTP on every camera with an address of its own; the one
// with another password is refused and the others go on.
void InstallerDay::SetTimeZoneAndSntpOnAll(CBatchSetDlg* batchSet)
{
    QTreeWidget* network = m_dlg->NetworkPage()->List();
    ASSERT_EQ(CameraAt(kOffice)->password, "site2024");
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
    EXPECT_EQ(LinesWith(QString::fromStdString(kOffice) +
                        QStringLiteral(" Set system parameters failed. Username or password is incorrect.")),
              1)
        << Panel();
    for (const QString& ip : targets) {
        SystemDateRecord date{};
        const SiteCamera* camera = CameraAt(ip.toStdString());
        const int handle = Login(camera->ip, camera->password);
        ASSERT_GE(handle, 0) << camera->ip;
        ASSERT_EQ(Vt_Ipc_GetSystemDate(handle, &date), 0) << camera->ip;
        if (camera->ip == kOffice) {
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
void InstallerDay::ChangeThePasswordOnOne(CBatchSetDlg* batchSet)
{
    SCOPED_TRACE("change the password on one");
    ById<QLineEdit>(m_dlg.get(), 1029)->setText(QStringLiteral("site2024"));
    const auto rows = RowsShowing(batchSet->List(), QString::fromStdString(kOffice));
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
    EXPECT_GE(Login(kOffice, m_site.password), 0);
    EXPECT_LT(Login(kOffice, "site2024"), 0);
    CameraAt(kOffice)->password = m_site.password;
    batchSet->SubSheet()->setCurrentIndex(1);
    m_shots->Take(QStringLiteral("batchset-network-en"));
    ById<QLineEdit>(m_dlg.get(), 1029)->setText(QString::fromStdString(m_site.password));
}

// Video and OSD on the three VT-C6121 cameras at the entrance.
void InstallerDay::SetVideoAndOsdAtTheEntrance(CBatchSetDlg* batchSet)
{
    SCOPED_TRACE("video and OSD");
    auto* video = batchSet->findChild<CVideoImageDlg*>();
    ASSERT_NE(video, nullptr);
    batchSet->SubSheet()->setCurrentWidget(video);
    TickOnly(batchSet->List(), kEntrance);
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
    for (const QString& ip : kEntrance) {
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

} // namespace installerday
