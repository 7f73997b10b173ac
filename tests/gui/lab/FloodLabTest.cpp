// The program (offscreen, in the lab's workstation namespace) under a flood
// of raw discovery replies from made-up cameras, some of them hostile: the
// table stops at its limit and says so once, every list shows what the table
// holds, what the cameras say reaches the log and the panel escaped, and the
// fake cameras leave when they fall silent.
#include "Lab.h"
#include "OperationLog.h"
#include "OperationPanel.h"
#include "ProgramFolder.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "Tivox.h"
#include "WindowLab.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {
using labkit::WaitFor;

// The workstation adapter's address as "aa:bb:cc:dd:ee:ff", from the program's own listing.
std::string WorkstationMac(const std::string& interfaceName)
{
    VtAdapter* adapters = nullptr;
    int count = 0;
    CTivox::SearchAdapter(&adapters, &count);
    std::string mac;
    for (int i = 0; i < count; ++i) {
        if (interfaceName == adapters[i].name) {
            char text[32];
            std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", adapters[i].mac[0],
                          adapters[i].mac[1], adapters[i].mac[2], adapters[i].mac[3], adapters[i].mac[4],
                          adapters[i].mac[5]);
            mac = text;
        }
    }
    CTivox::FreeSearchAdapter(adapters);
    return mac;
}

bool HasControlCharacter(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)) {
            return true;
        }
    }
    return false;
}

TEST(FloodLab, MadeUpAndHostileCamerasAreCappedEscapedAndLeaveWhenSilent)
{
    LABKIT_REQUIRE_LAB();
    labkit::Lab& lab = *labkit::LabEnvironment::Current();
    labkit::EnsureWindowApplication();

    CZendrixApp app(std::vector<std::string>{});
    app.InitInstance();
    app.basicMode = 0;
    std::atomic<std::int64_t> shift{0};
    app.Table().SetClock([&shift] { return static_cast<std::int64_t>(std::time(nullptr)) + shift.load(); });
    CZendrixDlg dlg(app);
    dlg.show();
    ASSERT_GE(dlg.AdapterCount(), 1) << "the lab interface must be opened";
    const std::string workstation = WorkstationMac(lab.WsInterface());
    ASSERT_FALSE(workstation.empty());

    // 20000 made-up cameras, five replies each within two seconds; the first
    // 40 hostile, and those answer a change nobody asked for.
    constexpr int kHostile = 40;
    std::string error;
    const pid_t flood =
        lab.StartFlood({"--cameras", "20000", "--frames", "100000", "--seconds", "2", "--hostile",
                        std::to_string(kHostile), "--modify-reply", workstation},
                       error);
    ASSERT_GT(flood, 0) << error;
    int status = -1;
    ASSERT_TRUE(WaitFor([&] { return lab.WaitExit(flood, 0, status); }, 30000));
    EXPECT_EQ(status, 0) << "every frame was sent";

    QTreeWidget* tab = dlg.NetworkPage()->List();
    QTreeWidget* basic = dlg.BasicWindow()->List();
    const int limit = static_cast<int>(kDeviceTableLimit);
    ASSERT_TRUE(WaitFor(
        [&] {
            return dlg.Table().Count() == kDeviceTableLimit && tab->topLevelItemCount() == limit &&
                   basic->topLevelItemCount() == limit;
        },
        60000))
        << "table " << dlg.Table().Count() << ", rows " << tab->topLevelItemCount() << " and "
        << basic->topLevelItemCount();
    QStringList lines;
    ASSERT_TRUE(WaitFor(
        [&] {
            lines.clear();
            for (int i = 0; i < dlg.Panel()->count(); ++i) {
                lines << dlg.Panel()->item(i)->text();
            }
            return lines.filter(QStringLiteral("Modify Device Name:")).size() == kHostile;
        },
        10000))
        << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("cameras are listed, the most the list holds")).size(), 1);
    for (const QString& line : lines) {
        EXPECT_FALSE(HasControlCharacter(line)) << line.toStdString();
    }
    const QString report = lines.filter(QStringLiteral("Modify Device Name:")).front();
    EXPECT_TRUE(report.contains(QStringLiteral("cam\\n[2026-01-01 00:00:00] forged\\x1B[2J\uFFFD\uFFFD\uFFFD->"
                                               "renamed\\r\\n[2026-01-01 00:00:00] forged reply\\x07\uFFFD")))
        << report.toStdString();

    // Silent for 64 seconds: every fake camera leaves at the next check.
    shift += kDeviceSilenceLimit;
    dlg.Table().CheckExpired(true);
    EXPECT_EQ(dlg.Table().Count(), 0u);
    EXPECT_EQ(tab->topLevelItemCount(), 0);
    EXPECT_EQ(basic->topLevelItemCount(), 0);

    // One log line per trace, however hostile the address it names, and the
    // file is UTF-8 throughout.
    QFile log(QString::fromStdString(COperationLog::Process().CurrentPath()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray bytes = log.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    EXPECT_FALSE(utf8.hasError()) << "the log is not UTF-8";
    const QRegularExpression stamped(QStringLiteral(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3} \[zendrix\])"));
    int expiryLines = 0;
    int hostileLines = 0;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        ASSERT_TRUE(stamped.match(line).hasMatch()) << "a line the program did not write: " << line.toStdString();
        EXPECT_FALSE(HasControlCharacter(line)) << line.toStdString();
        expiryLines += line.contains(QStringLiteral("[zendrix]Check_30 Disconnect IPC:")) ? 1 : 0;
        hostileLines += line.contains(QStringLiteral("\\r\\n[zendrix]forged line")) ? 1 : 0;
    }
    EXPECT_EQ(expiryLines, limit);
    EXPECT_EQ(hostileLines, kHostile);
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The process log is made at the first trace, in this private folder.
    QTemporaryDir folder;
    ::setenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit().constData(), 1);
    PlatformSetProgramFolder(folder.path().toStdString());
    ::testing::AddGlobalTestEnvironment(new labkit::LabEnvironment);
    const int result = RUN_ALL_TESTS();
    labkit::WindowApplication().reset();
    return result;
}
