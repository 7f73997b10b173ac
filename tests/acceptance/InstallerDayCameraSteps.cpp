// The installer's day on the upgrade, preview and log pages: new firmware in
// parallel, a brighter picture while watching, and the alarms of one camera.
#include "InstallerDay.h"

#include "BatchUpgradeDlg.h"
#include "CustomDownloadDlg.h"
#include "LogDlg.h"
#include "LogRules.h"
#include "PreviewRules.h"
#include "VideoViewDlg.h"
#include "VideoWnd.h"
#include "VtIpcSDK.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimeEdit>
#include <algorithm>
#include <iterator>
#include <sqlite3.h>

namespace installerday {

// New firmware on every camera of the VT-C6 platform at once.
void InstallerDay::UpgradeInParallel()
{
    QTreeWidget* network = m_dlg->NetworkPage()->List();
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
void InstallerDay::PreviewAndBrighten()
{
    SCOPED_TRACE("preview and brightness");
    auto* preview = Show<CVideoViewDlg>();
    ASSERT_NE(preview, nullptr);
    ImagingSettingsRecord picture{};
    ASSERT_EQ(Vt_Ipc_GetImagingSettings(Login(kServerRoom, m_site.password), &picture), 0);
    ASSERT_EQ(picture.brightness, 128) << "the A model's factory middle";
    const auto rows = RowsShowing(preview->List(), QString::fromStdString(kServerRoom));
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
            return Vt_Ipc_GetImagingSettings(Login(kServerRoom, m_site.password), &after) == 0 &&
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
void InstallerDay::ReadTheAlarmLog()
{
    SCOPED_TRACE("log filtered by type");
    auto* log = Show<CLogDlg>();
    ASSERT_NE(log, nullptr);
    const auto rows = RowsShowing(log->List(), QString::fromStdString(kServerRoom));
    ASSERT_EQ(rows.size(), 1u);
    log->List()->setCurrentItem(rows.front());
    ASSERT_TRUE(WaitFor([&] { return !log->Busy(); }, 20000));
    ASSERT_GT(log->Grid()->topLevelItemCount(), 0) << Panel();
    log->StartDate()->setDate(QDate(2000, 1, 1));
    log->MainTypeBox()->setCurrentIndex(1);
    QTest::mouseClick(log->QueryButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !log->Busy(); }, 20000));

    const std::string served = m_root + "/served_log.db";
    ASSERT_EQ(Vt_Ipc_DownloadLog(Login(kServerRoom, m_site.password), served.c_str()), 0) << Vt_Sdk_GetLastError();
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

} // namespace installerday
