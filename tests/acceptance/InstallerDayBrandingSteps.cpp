// The installer's day ends with branding: OEM files on the entrance cameras,
// then every page in Chinese and back in English.
#include "InstallerDay.h"

#include "BatchRunner.h"
#include "BatchUpgradeDlg.h"
#include "OemDlg.h"
#include "OemFile.h"
#include "VideoViewDlg.h"
#include "VideoWnd.h"
#include "VtIpcSDK.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <cstdio>
#include <fstream>

namespace installerday {

// Branding for the entrance cameras.
void InstallerDay::BrandTheEntrance()
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
    TickOnly(oem->List(), kEntrance);
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
    for (const QString& ip : kEntrance) {
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
void InstallerDay::ChineseAndBack()
{
    QTreeWidget* network = m_dlg->NetworkPage()->List();
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
    const QString serverRoomIp = QString::fromStdString(kServerRoom);
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
    ShootMixedList(QStringLiteral("onvif-zh"));
    ShootMixedVideo(QStringLiteral("video-mixed-zh"));
    choose(QStringLiteral("English"));
    EXPECT_EQ(titles(), english);
}

} // namespace installerday
