// The batch upgrade page in the real window (offscreen) in the lab's
// workstation namespace, against vtcamsim in the camera namespace: real
// images over the camera protocol, real reboots and factory restores.
#include "BatchUpgradeDlg.h"
#include "Lab.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "RebootQueue.h"
#include "SortListCtrl.h"
#include "VtIpcSDK.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace {

using namespace std::chrono_literals;

std::unique_ptr<QApplication> g_application;

const char* const kOldVersion = "12.1.0.4";
const char* const kNewVersion = "12.2.0.7";
constexpr int kVersionColumn = 9;
constexpr int kIpColumn = 4;
// The reboot queue's tick in these tests: the 125-tick restore pause lasts
// a second instead of 25.
constexpr auto kTick = 8ms;

void Application()
{
    static int argc = 1;
    static char name[] = "pages_upgrade_lab_tests";
    static char* argv[] = {name, nullptr};
    if (!g_application) {
        g_application = std::make_unique<QApplication>(argc, argv);
    }
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QTest::qWait(20);
    }
    return true;
}

void WriteNoise(const QString& path, std::size_t size)
{
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

class UpgradeLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        Application();
        ASSERT_TRUE(m_folder.isValid());
        ::setenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit().constData(), 1);
        PlatformSetProgramFolder(m_folder.path().toStdString());
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons buttons) {
            m_boxes << text;
            return buttons == ZxButtons::YesNo ? ZxAnswer::Yes : ZxAnswer::Ok;
        });
    }

    void TearDown() override
    {
        m_dlg.reset();
        m_app.reset();
        if (m_sim > 0) {
            labkit::LabEnvironment::Current()->Stop(m_sim);
        }
        ZxSetMessageBoxHook({});
        PlatformSetProgramFolder("");
        ::unsetenv("XDG_CONFIG_HOME");
    }

    // count cameras "VT-C2150" at 192.168.(130 + subnet).10 and up; the camera at
    // wrongPassword (if any) has a password the window does not know; each
    // takes images at linkMbps (0: as fast as the lab carries them). more:
    // further entries of the cameras' configuration.
    void StartCameras(int count, int subnet, int wrongPassword = -1, const char* linkMbps = "0",
                      const char* more = "")
    {
        m_base = QStringLiteral("192.168.%1.").arg(130 + subnet);
        const QString config = m_folder.filePath(QStringLiteral("cameras.json"));
        std::ofstream(config.toStdString())
            << R"({"cameras": [{"index": )" << std::max(wrongPassword, 0) << R"(, "password": ")"
            << (wrongPassword >= 0 ? "other9" : "qr7319") << R"("})" << more << "]}";
        std::vector<std::string> args = {"--count", std::to_string(count), "--base-ip",
                                         (m_base + QStringLiteral("10")).toStdString(), "--model", "VT-C2150",
                                         "--version", kOldVersion, "--password", "qr7319", "--seed",
                                         std::to_string(subnet), "--flash-ms", "300", "--reboot-ms", "800", "--link-mbps", linkMbps,
                                         "--config", config.toStdString()};
        std::string error;
        m_sim = labkit::LabEnvironment::Current()->StartCamSim(args, error);
        ASSERT_GT(m_sim, 0) << error;
    }

    void StartProgram(int cameras)
    {
        m_app = std::make_unique<CZendrixApp>(std::vector<std::string>{});
        m_app->InitInstance();
        m_app->basicMode = 0;
        MainWindowOptions options;
        options.addPages = [this](CZendrixDlg& window) {
            m_queue = MakeRebootQueue(window, kTick);
            m_page = new CBatchUpgradeDlg(window, m_queue);
            window.AddDevicePage(m_page, 10003, {}, &m_page->Binding());
        };
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->show();
        m_dlg->Sheet()->setCurrentWidget(m_page);
        ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
        ASSERT_TRUE(WaitFor([&] { return Rows() == cameras; }, 15000)) << "cameras listed: " << Rows();
        QObject::connect(Bar(), &QProgressBar::valueChanged, [this](int value) {
            m_steps << value;
            m_shownAt << Bar()->isVisible();
        });
    }

    template <class T> T* Control(unsigned id) const
    {
        for (T* widget : m_page->findChildren<T*>()) {
            if (CtrlId(widget) == id) {
                return widget;
            }
        }
        return nullptr;
    }
    QProgressBar* Bar() const { return Control<QProgressBar>(1113); }
    void Press(unsigned id) const
    {
        QPushButton* button = Control<QPushButton>(id);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << "button " << id;
        button->click();
    }
    int Rows() const { return m_page->List()->topLevelItemCount(); }
    QString Cell(int row, int column) const { return m_page->List()->topLevelItem(row)->text(column); }
    int RowOf(const QString& ip) const
    {
        for (int row = 0; row < Rows(); ++row) {
            if (Cell(row, kIpColumn) == ip) {
                return row;
            }
        }
        return -1;
    }
    void ClickRow(int row) const
    {
        const QRect cell = m_page->List()->visualRect(m_page->List()->model()->index(row, kIpColumn));
        QTest::mouseClick(m_page->List()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < m_dlg->Panel()->count(); ++i) {
            lines << m_dlg->Panel()->item(i)->text();
        }
        return lines;
    }
    int LinesWith(const QString& text) const { return static_cast<int>(Lines().filter(text).size()); }
    QString Image(std::size_t bytes) const
    {
        const QString path = m_folder.filePath(QStringLiteral("VTFImage_15_%1.bin").arg(kNewVersion));
        WriteNoise(path, bytes);
        return path;
    }
    static int Login(const QString& ip)
    {
        const QByteArray address = ip.toLatin1();
        return Vt_Ipc_Login(address.constData(), address.constData(), 80, "admin", "qr7319", 0);
    }

    // Upgrades every listed camera with a fresh image and waits for the end.
    void UpgradeAll(std::size_t imageBytes)
    {
        Control<QCheckBox>(1004)->click();
        m_page->ChooseImage(Image(imageBytes));
        Press(1178);
        ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Upgrading operations are all finished.")) == 1; },
                            60000))
            << Lines().join(QLatin1Char('\n')).toStdString();
    }

    QTemporaryDir m_folder;
    QString m_base;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    std::shared_ptr<RebootQueue> m_queue;
    CBatchUpgradeDlg* m_page = nullptr;
    QStringList m_boxes;
    QList<int> m_steps;
    QList<bool> m_shownAt;
    pid_t m_sim = -1;
};

TEST_F(UpgradeLab, ThreeCamerasUpgradeTogetherAndComeBackWithTheNewVersion)
{
    StartCameras(3, 1);
    StartProgram(3);
    UpgradeAll(2 * 1024 * 1024);
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(m_steps, QList<int>({1, 34, 95, 100}));
    EXPECT_EQ(m_shownAt, QList<bool>({false, true, true, true})) << "the bar shows from the first login";
    EXPECT_FALSE(Bar()->isVisible());
    const QStringList lines = Lines();
    EXPECT_EQ(LinesWith(QStringLiteral("Upgrade successfully.")), 3);
    EXPECT_EQ(LinesWith(QStringLiteral("Please wait a moment util the progress disapear.")), 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(LinesWith(m_base + QString::number(10 + i) + QStringLiteral(" Upgrade successfully.")), 1);
    }
    // Each camera flashes, reboots and announces its new version.
    ASSERT_TRUE(WaitFor(
        [&] {
            for (int row = 0; row < Rows(); ++row) {
                if (Cell(row, kVersionColumn) != QLatin1String(kNewVersion)) {
                    return false;
                }
            }
            return Rows() == 3;
        },
        20000));
    EXPECT_TRUE(Control<QPushButton>(1178)->isEnabled()) << "a finished run allows the next";
}

TEST_F(UpgradeLab, ASlowFirstCameraHoldsBackNeitherTheOthersLinesNorTheBar)
{
    StartCameras(3, 7, -1, "0", R"(, {"index": 0, "faults": ["slow-http"], "slowMs": 1000})");
    StartProgram(3);
    const QString slow = m_base + QStringLiteral("10 Upgrade successfully.");
    // At each step of the bar: how many cameras had their line, and whether
    // the slow one was among them.
    QList<int> linesAt;
    QList<bool> slowAt;
    const QObject watch;
    QObject::connect(Bar(), &QProgressBar::valueChanged, &watch, [&] {
        linesAt << LinesWith(QStringLiteral("Upgrade successfully."));
        slowAt << (LinesWith(slow) == 1);
    });
    UpgradeAll(2 * 1024 * 1024);
    EXPECT_EQ(m_steps, QList<int>({1, 34, 95, 100}));
    EXPECT_EQ(linesAt.mid(1), QList<int>({1, 2, 3}));
    EXPECT_EQ(slowAt.mid(1), QList<bool>({false, false, true})) << "the first ticked camera is the slow one";
}

TEST_F(UpgradeLab, TwentyCamerasGoOnWhenOneRefusesThePassword)
{
    StartCameras(20, 2, 7);
    StartProgram(20);
    const QString refused = m_base + QStringLiteral("17");
    UpgradeAll(2 * 1024 * 1024);
    EXPECT_EQ(LinesWith(QStringLiteral("Upgrade successfully.")), 19);
    EXPECT_EQ(LinesWith(refused + QStringLiteral(" Upgrade failed. Username or password is incorrect.")), 1);
    // 19 jobs: 1, then 5 per result, 95 with one left, then 100.
    ASSERT_GE(m_steps.size(), 3);
    EXPECT_EQ(m_steps.front(), 1);
    EXPECT_EQ(m_steps.back(), 100);
    EXPECT_EQ(m_steps[m_steps.size() - 2], 95);
    EXPECT_TRUE(std::is_sorted(m_steps.begin(), m_steps.end()));
    EXPECT_FALSE(Bar()->isVisible());

    ASSERT_TRUE(WaitFor(
        [&] {
            int upgraded = 0;
            for (int row = 0; row < Rows(); ++row) {
                upgraded += Cell(row, kVersionColumn) == QLatin1String(kNewVersion) ? 1 : 0;
            }
            return upgraded == 19;
        },
        30000));
    EXPECT_EQ(Cell(RowOf(refused), kVersionColumn), QLatin1String(kOldVersion));
}

TEST_F(UpgradeLab, RestoreAndRebootReachTheCamerasAfterTheRestorePause)
{
    StartCameras(3, 3);
    StartProgram(3);
    const QString first = m_base + QStringLiteral("10");
    const int handle = Login(first);
    ASSERT_GE(handle, 0);
    OsdRecord factory{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle, &factory), 0);
    OsdRecord changed = factory;
    std::strcpy(changed.title, "Changed on site");
    ASSERT_EQ(Vt_Ipc_SetOSD(handle, &changed), 0);

    ClickRow(RowOf(first));
    Press(1042);
    EXPECT_EQ(m_boxes, QStringList({QStringLiteral("Are you sure to restore the selected devices?")}));
    ASSERT_TRUE(WaitFor([&] { return LinesWith(first + QStringLiteral(" Restore successfully.")) == 1; }, 5000));
    OsdRecord restored{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle, &restored), 0);
    EXPECT_STREQ(restored.title, factory.title);
    // The camera is left alone for the pause, then the queued reboot comes.
    EXPECT_TRUE(m_queue->RestorePaused());
    while (m_queue->RestorePaused()) {
        SystemInfoRecord info{};
        ASSERT_EQ(Vt_Ipc_GetSystemInfo(handle, &info), 0) << "rebooted during the restore pause";
        QTest::qWait(20);
    }
    EXPECT_TRUE(WaitFor(
        [&] {
            SystemInfoRecord info{};
            return Vt_Ipc_GetSystemInfo(handle, &info) != 0 && Vt_Sdk_GetLastError() == VT_ERR_UNREACHABLE;
        },
        3000))
        << "the reboot after the restore never reached the camera";

    // Two ticked cameras: queued without a success line.
    const QString second = m_base + QStringLiteral("11");
    const QString third = m_base + QStringLiteral("12");
    m_page->List()->topLevelItem(RowOf(second))->setCheckState(0, Qt::Checked);
    m_page->List()->topLevelItem(RowOf(third))->setCheckState(0, Qt::Checked);
    Press(1041);
    ASSERT_TRUE(WaitFor([&] { return !m_page->ActionsRunning(); }, 5000));
    EXPECT_EQ(LinesWith(QStringLiteral("Reboot successfully.")), 0);
    for (const QString& ip : {second, third}) {
        const int camera = Login(ip);
        EXPECT_TRUE(WaitFor(
            [&] {
                SystemInfoRecord info{};
                return Vt_Ipc_GetSystemInfo(camera, &info) != 0;
            },
            3000))
            << ip.toStdString() << " never rebooted";
    }
}

TEST_F(UpgradeLab, ALoneSelectedCameraIsToldOfItsRebootWhenTheCameraTookIt)
{
    StartCameras(2, 4);
    StartProgram(2);
    const QString ip = m_base + QStringLiteral("11");
    ClickRow(RowOf(ip));
    m_queue->StartRestorePause(); // holds the reboot back while the lines are checked
    Press(1041);
    ASSERT_TRUE(WaitFor([&] { return !m_page->ActionsRunning(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(m_queue->Pending(), 1U);
    EXPECT_EQ(LinesWith(QStringLiteral("Reboot")), 0) << "queued is not rebooted";
    ASSERT_TRUE(WaitFor([&] { return LinesWith(ip + QStringLiteral(" Reboot successfully.")) == 1; }, 5000));
    const int handle = Login(ip);
    EXPECT_TRUE(WaitFor(
        [&] {
            SystemInfoRecord info{};
            return Vt_Ipc_GetSystemInfo(handle, &info) != 0;
        },
        4000));

    // A camera gone before its turn is told so.
    const QString other = m_base + QStringLiteral("10");
    ClickRow(RowOf(other));
    m_queue->StartRestorePause();
    Press(1041);
    ASSERT_TRUE(WaitFor([&] { return !m_page->ActionsRunning(); }, 5000));
    labkit::LabEnvironment::Current()->Stop(m_sim);
    m_sim = -1;
    EXPECT_TRUE(WaitFor([&] { return LinesWith(other + QStringLiteral(" Reboot failed. Can not access device.")) == 1; },
                        20000))
        << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(LinesWith(other + QStringLiteral(" Reboot successfully.")), 0);
}

// A hurried user: Upgrade pressed again and the language switched back and
// forth while the images go out. One run, one line per camera.
TEST_F(UpgradeLab, UpgradeAgainAndALanguageSwitchDuringARunAddNothingToIt)
{
    StartCameras(3, 6, -1, "100");
    const QDir shipped(QString::fromStdString(PlatformExecutableFolder()) + QStringLiteral("/Lang"));
    ASSERT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("Lang")));
    for (const QString& name : shipped.entryList({QStringLiteral("*.lng")}, QDir::Files)) {
        QFile::copy(shipped.filePath(name), m_folder.filePath(QStringLiteral("Lang/") + name));
    }
    StartProgram(3);
    Control<QCheckBox>(1004)->click();
    m_page->ChooseImage(Image(8 * 1024 * 1024));
    Press(1178);
    Control<QPushButton>(1178)->click();
    ASSERT_TRUE(m_page->Upgrading());
    // Rebooting or restoring a camera in the middle of flashing is not offered.
    EXPECT_FALSE(Control<QPushButton>(1041)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(1042)->isEnabled());
    Control<QPushButton>(1041)->click();
    ASSERT_NE(LangSelectByName(L"\u7b80\u4f53\u4e2d\u6587"), 0);
    m_dlg->Relabel();
    QTest::qWait(200);
    Control<QPushButton>(1178)->click();
    LangClearSelection();
    m_dlg->Relabel();
    ASSERT_TRUE(WaitFor([&] { return !m_page->Upgrading(); }, 60000)) << Lines().join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(LinesWith(m_base + QString::number(10 + i) + QLatin1Char(' ')), 1)
            << Lines().join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Control<QPushButton>(1178)->text(), QStringLiteral("Upgrade"));
    EXPECT_TRUE(Control<QPushButton>(1178)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(1041)->isEnabled());
    EXPECT_EQ(LinesWith(QStringLiteral("Reboot")), 0) << "a disabled Reboot must not run";
}

TEST_F(UpgradeLab, ClosingTheWindowInTheMiddleOfAnUpgradeNeitherCrashesNorHangs)
{
    // Each camera takes about a second and a half for the image.
    StartCameras(3, 5, -1, "100");
    StartProgram(3);
    Control<QCheckBox>(1004)->click();
    m_page->ChooseImage(Image(16 * 1024 * 1024));
    Press(1178);
    ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Please wait a moment")) == 1; }, 10000));
    ASSERT_TRUE(m_page->Upgrading());
    QPointer<CBatchUpgradeDlg> page(m_page);
    m_dlg->close();
    m_dlg.reset();
    EXPECT_TRUE(page.isNull());
    m_app.reset();
    // Nothing is left to deliver to the window that is gone.
    QTest::qWait(300);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::AddGlobalTestEnvironment(new labkit::LabEnvironment);
    const int result = RUN_ALL_TESTS();
    g_application.reset();
    return result;
}
