// The real program offscreen in the lab's workstation namespace with the
// batch set page, against vtcamsim in the camera namespace: what "Save
// Parameters" on the System sub-page does to the simulated cameras, read back
// from them over the SDK.
#include "AppSettings.h"
#include "BatchRunner.h"
#include "BatchSetDlg.h"
#include "CameraLoader.h"
#include "DeviceTable.h"
#include "Lab.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "RebootQueue.h"
#include "ProgramFolder.h"
#include "SortListCtrl.h"
#include "SystemParamDlg.h"
#include "VideoImageDlg.h"
#include "VtIpcSDK.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {
std::unique_ptr<QApplication> g_application;

void Application()
{
    static int argc = 1;
    static char name[] = "batchset_lab_tests";
    static char* argv[] = {name, nullptr};
    if (!g_application) {
        g_application = std::make_unique<QApplication>(argc, argv);
    }
}

template <class T> T* ById(QWidget* root, unsigned id)
{
    for (T* widget : root->findChildren<T*>()) {
        if (CtrlId(widget) == id) {
            return widget;
        }
    }
    return nullptr;
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

// The camera's date settings, read with the test's own login.
bool ReadDate(const std::string& ip, SystemDateRecord& record, const char* password = "qr7319")
{
    const int handle = Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", password, 0);
    return handle >= 0 && Vt_Ipc_GetSystemDate(handle, &record) == 0;
}

class BatchSetLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LABKIT_REQUIRE_LAB();
        Application();
        ASSERT_TRUE(m_folder.isValid());
        ::setenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit().constData(), 1);
        PlatformSetProgramFolder(m_folder.path().toStdString());
        ZxSetMessageBoxHook([this](const QString& text, ZxButtons) {
            m_boxes << text;
            return ZxAnswer::Ok;
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
        LangClearSelection();
        PlatformSetProgramFolder("");
        ::unsetenv("XDG_CONFIG_HOME");
    }

    void StartCameras(std::vector<std::string> args, const std::string& config = {})
    {
        args.insert(args.end(), {"--seed", "11", "--password", "qr7319"});
        if (!config.empty()) {
            const std::string path = m_folder.filePath(QStringLiteral("cameras.json")).toStdString();
            std::ofstream(path) << config;
            args.insert(args.end(), {"--config", path});
        }
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
        options.addPages = AddZendrixPages;
        m_dlg = std::make_unique<CZendrixDlg>(*m_app, options);
        m_dlg->show();
        ASSERT_GE(m_dlg->AdapterCount(), 1) << "the lab interface must be opened";
        m_page = qobject_cast<CBatchSetDlg*>(m_dlg->Sheet()->widget(1));
        ASSERT_NE(m_page, nullptr);
        m_dlg->Sheet()->setCurrentWidget(m_page);
        ASSERT_TRUE(WaitFor([&] { return List()->topLevelItemCount() == cameras; }, 10000))
            << "cameras listed: " << List()->topLevelItemCount();
    }

    QTreeWidget* List() const { return m_page->List(); }
    QWidget* System() const { return m_page->SystemPage(); }
    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < m_dlg->Panel()->count(); ++i) {
            lines << m_dlg->Panel()->item(i)->text();
        }
        return lines;
    }
    QStringList LinesWith(const QString& text) const { return Lines().filter(text); }
    void ClickRow(int row)
    {
        const QRect cell = List()->visualRect(List()->model()->index(row, 4));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // A click whose load has ended: the sub-pages show the camera and "Save
    // Parameters" takes what they show.
    void LoadRow(int row)
    {
        ClickRow(row);
        WaitForLoad();
    }
    // Ticks load the reference camera's choices, which Save waits for too.
    void TickRows(int count)
    {
        for (int row = 0; row < count; ++row) {
            List()->topLevelItem(row)->setCheckState(0, Qt::Checked);
        }
        WaitForLoad();
    }
    void WaitForLoad() { ASSERT_TRUE(WaitFor([&] { return !m_page->Loading(); }, 20000)) << "the load ended"; }
    void PressSave() { QTest::mouseClick(ById<QPushButton>(m_page, 1043), Qt::LeftButton); }
    void SetPasswords(const QString& password)
    {
        ById<QLineEdit>(System(), 1029)->setText(password);
        ById<QLineEdit>(System(), 1031)->setText(password);
    }
    bool BatchDone() const { return !m_page->Runner().Running() && ById<QPushButton>(m_page, 1043)->isEnabled(); }

    QTemporaryDir m_folder;
    std::unique_ptr<CZendrixApp> m_app;
    std::unique_ptr<CZendrixDlg> m_dlg;
    CBatchSetDlg* m_page = nullptr;
    QStringList m_boxes;
    pid_t m_sim = -1;
};

TEST_F(BatchSetLab, OneCameraLoadedChangedAndSavedOnlyThatCameraChanges)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.21.10"});
    StartProgram(3);
    SystemDateRecord before{};
    ASSERT_TRUE(ReadDate("192.168.21.11", before));

    // Loading fills the sub-page from the camera.
    auto* zone = ById<QComboBox>(System(), 1048);
    zone->setCurrentIndex(0);
    LoadRow(1);
    ASSERT_TRUE(WaitFor([&] { return zone->currentIndex() == before.timeZone; }, 3000));
    EXPECT_EQ(List()->currentItem()->text(4), QStringLiteral("192.168.21.11"));

    zone->setCurrentIndex(38);
    ById<QRadioButton>(System(), 1047)->setChecked(true);
    ById<QLineEdit>(System(), 1152)->setText(QStringLiteral("ntp.lab.example"));
    ById<QLineEdit>(System(), 1018)->setText(QStringLiteral("Cam.1"));
    PressSave();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Set device name successfully.")).size() == 1; },
                        10000))
        << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(LinesWith(QStringLiteral("192.168.21.11 Set date and time successfully.")).size(), 1);
    EXPECT_TRUE(LinesWith(QStringLiteral("password")).isEmpty()) << "the password was not changed";

    SystemDateRecord after{};
    ASSERT_TRUE(ReadDate("192.168.21.11", after));
    EXPECT_EQ(after.timeZone, 38);
    EXPECT_EQ(after.mode, 1);
    EXPECT_STREQ(after.ntpServer, "ntp.lab.example");
    for (const char* untouched : {"192.168.21.10", "192.168.21.12"}) {
        SystemDateRecord other{};
        ASSERT_TRUE(ReadDate(untouched, other));
        EXPECT_EQ(other.timeZone, before.timeZone) << untouched;
        EXPECT_STRNE(other.ntpServer, "ntp.lab.example") << untouched;
    }
    // The camera decoded the name and announces it.
    QTest::mouseClick(ById<QWidget>(m_dlg.get(), 1162), Qt::LeftButton);
    EXPECT_TRUE(WaitFor(
        [&] {
            return List()->findItems(QStringLiteral("Cam.1"), Qt::MatchExactly, 2).size() == 1 &&
                   List()->findItems(QStringLiteral("192.168.21.11"), Qt::MatchExactly, 4).front()->text(2) ==
                       QStringLiteral("Cam.1");
        },
        5000));
}

TEST_F(BatchSetLab, ABatchOverTickedCamerasGoesOnPastAWrongPassword)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.22.10"},
                 R"({"cameras": [{"index": 1, "password": "elsewhere"}]})");
    StartProgram(3);
    TickRows(3);
    ASSERT_TRUE(m_page->TickedMode());
    ById<QComboBox>(System(), 1048)->setCurrentIndex(107);
    ById<QLineEdit>(System(), 1018)->setText(QString());
    PressSave();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(WaitFor([&] { return BatchDone() && Lines().size() >= 3; }, 15000));
    const QStringList lines = LinesWith(QStringLiteral(" 192.168.22.1"));
    ASSERT_EQ(lines.size(), 3) << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("192.168.22.10 Set date and time successfully.")));
    EXPECT_TRUE(
        lines[1].endsWith(QStringLiteral("192.168.22.11 Set system parameters failed. Username or password is incorrect.")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("192.168.22.12 Set date and time successfully.")));
    EXPECT_TRUE(LinesWith(QStringLiteral("device name")).isEmpty()) << "ticked cameras keep their names";

    SystemDateRecord record{};
    ASSERT_TRUE(ReadDate("192.168.22.10", record));
    EXPECT_EQ(record.timeZone, 107);
    ASSERT_TRUE(ReadDate("192.168.22.12", record));
    EXPECT_EQ(record.timeZone, 107);
    ASSERT_TRUE(ReadDate("192.168.22.11", record, "elsewhere"));
    EXPECT_NE(record.timeZone, 107);
}

// The camera compares passwords byte for byte: an apostrophe or a backslash
// in the main window's password or in a new one must reach it as typed.
TEST_F(BatchSetLab, PasswordsWithApostrophesAndBackslashesArriveAsTyped)
{
    StartCameras({"--count", "1", "--base-ip", "192.168.24.10"},
                 R"({"cameras": [{"index": 0, "model": "VT-C6121A", "password": "it's\\ok"}]})");
    StartProgram(1);
    QLineEdit* login = ById<QLineEdit>(m_dlg.get(), 1029);
    ASSERT_NE(login, nullptr);
    login->setText(QStringLiteral("it's\\ok"));
    ASSERT_EQ(m_dlg->LoginPasswordText(), L"it's\\ok") << "the main window's password box";
    LoadRow(0);
    SetPasswords(QStringLiteral("n'ew\\1"));
    PressSave();
    ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Modify password successfully.")).size() == 1; },
                        10000))
        << Lines().join(QLatin1Char('\n')).toStdString();
    const int handle = Vt_Ipc_Login("192.168.24.10", "192.168.24.10", 80, "admin", "n'ew\\1", 0);
    EXPECT_GE(handle, 0) << "last error " << Vt_Sdk_GetLastError();
}

TEST_F(BatchSetLab, APasswordChangeRebootsTheCameraButNotAnAModel)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.23.10", "--reboot-ms", "4000"},
                 R"({"cameras": [{"index": 1, "model": "VT-C6121A"}, {"index": 2, "faults": ["keep-password"]}]})");
    StartProgram(3);
    const auto loginError = [](const char* ip, const char* password) {
        const int handle = Vt_Ipc_Login(ip, ip, 80, "admin", password, 0);
        return handle >= 0 ? 0 : Vt_Sdk_GetLastError();
    };

    // The A model first: its password changes and it keeps running.
    LoadRow(1);
    ASSERT_EQ(List()->currentItem()->text(5), QStringLiteral("VT-C6121A"));
    SetPasswords(QStringLiteral("fresh42"));
    PressSave();
    ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Modify password successfully.")).size() == 1; },
                        10000))
        << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(loginError("192.168.23.11", "fresh42"), 0);
    EXPECT_EQ(loginError("192.168.23.11", "qr7319"), VT_ERR_AUTH_REFUSED);
    EXPECT_EQ(m_page->Reboots().Pending(), 0u);
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 2000) {
        ASSERT_EQ(loginError("192.168.23.11", "fresh42"), 0) << "the A model was rebooted";
        QTest::qWait(200);
    }

    // The other model reboots from the queue shortly after its lines.
    LoadRow(0);
    SetPasswords(QStringLiteral("fresh43"));
    PressSave();
    ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Modify password successfully.")).size() == 2; },
                        10000));
    EXPECT_TRUE(LinesWith(QStringLiteral("Modify password successfully.")).back().contains(QStringLiteral("192.168.23.10")));
    EXPECT_TRUE(WaitFor([&] { return loginError("192.168.23.10", "fresh43") == VT_ERR_UNREACHABLE; }, 3000))
        << "the camera did not go quiet for its reboot";
    EXPECT_TRUE(WaitFor([&] { return loginError("192.168.23.10", "fresh43") == 0; }, 10000))
        << "the camera came back with its new password";

    // A camera that says it took the password but does not let it in cannot
    // be rebooted with it, and says so.
    LoadRow(2);
    SetPasswords(QStringLiteral("fresh44"));
    PressSave();
    ASSERT_TRUE(WaitFor([&] { return LinesWith(QStringLiteral("Modify password successfully.")).size() == 3; },
                        10000));
    EXPECT_TRUE(WaitFor(
        [&] {
            return LinesWith(QStringLiteral("192.168.23.12 Reboot failed. Username or password is incorrect."))
                       .size() == 1;
        },
        5000))
        << Lines().join(QLatin1Char('\n')).toStdString();

    // Neither new password reached the operation log or any other file.
    m_dlg.reset();
    int files = 0;
    for (QDirIterator it(m_folder.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains("fresh4")) << file.fileName().toStdString();
        ++files;
    }
    EXPECT_GT(files, 0) << "the program wrote its log and settings";
}
// The stored password belongs to another site and the user typed this site's
// into the main window; later one camera gets a new password of its own. A
// time-zone save over the ticked cameras sends neither password: every camera
// keeps its password and keeps running.
TEST_F(BatchSetLab, ASaveSendsOnlyAPasswordTypedIntoTheSubPage)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.29.10", "--reboot-ms", "500"},
                 R"({"cameras": [{"index": 0, "model": "VT-C6121A", "uptime": 100000},
                                  {"index": 1, "uptime": 100000}, {"index": 2, "uptime": 100000}]})");
    ASSERT_TRUE(WriteSetting(L"Password", L"lastsite9"));
    StartProgram(3);
    ASSERT_EQ(m_dlg->LoginPasswordText(), L"lastsite9") << "the program starts with the stored password";
    QLineEdit* login = ById<QLineEdit>(m_dlg.get(), 1029);
    login->selectAll();
    QTest::keyClicks(login, QStringLiteral("qr7319"));
    const auto saveTimeZone = [&](int rows, int zone) {
        for (int row = 3 - rows; row < 3; ++row) {
            List()->topLevelItem(row)->setCheckState(0, Qt::Checked);
        }
        WaitForLoad();
        ById<QComboBox>(System(), 1048)->setCurrentIndex(zone);
        const qsizetype before = Lines().size();
        PressSave();
        ASSERT_TRUE(WaitFor([&] { return BatchDone() && Lines().size() >= before + rows; }, 15000))
            << Lines().join(QLatin1Char('\n')).toStdString();
    };
    saveTimeZone(3, 107);

    // One camera gets a password of its own, typed into the sub-page.
    for (int row = 0; row < 3; ++row) {
        List()->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
    }
    LoadRow(0);
    for (unsigned box : {1029u, 1031u}) {
        ById<QLineEdit>(System(), box)->selectAll();
        QTest::keyClicks(ById<QLineEdit>(System(), box), QStringLiteral("fresh77"));
    }
    PressSave();
    ASSERT_TRUE(WaitFor(
        [&] { return LinesWith(QStringLiteral("Modify password successfully.")).size() == 1; }, 10000))
        << Lines().join(QLatin1Char('\n')).toStdString();
    saveTimeZone(2, 20);

    EXPECT_EQ(LinesWith(QStringLiteral("password")).size(), 1)
        << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
    const std::map<std::string, std::pair<const char*, int>> expected = {{"192.168.29.10", {"fresh77", 107}},
                                                                         {"192.168.29.11", {"qr7319", 20}},
                                                                         {"192.168.29.12", {"qr7319", 20}}};
    for (const auto& [ip, want] : expected) {
        SystemDateRecord record{};
        EXPECT_TRUE(ReadDate(ip, record, want.first)) << ip << " answers its password " << want.first;
        EXPECT_EQ(record.timeZone, want.second) << ip;
        EXPECT_LT(Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", "lastsite9", 0), 0) << ip;
    }
    // A camera that was rebooted would announce itself with a short run time.
    QTest::qWait(1500);
    QTest::mouseClick(ById<QWidget>(m_dlg.get(), 1162), Qt::LeftButton);
    QTest::qWait(500);
    int cameras = 0;
    for (const DeviceRef& entry : m_dlg->Table().Entries()) {
        tagVtIpcInfo info{};
        ASSERT_TRUE(m_dlg->Table().Snapshot(*entry, info));
        EXPECT_GE(info.upTime, 100000) << info.ip << " was restarted";
        ++cameras;
    }
    EXPECT_EQ(cameras, 3);
}

// A hurried user on slow cameras: Save pressed again, the language and the
// tab switched while the batch runs. One line per camera, no second batch,
// and the window is usable afterwards.
TEST_F(BatchSetLab, SaveAgainLanguageAndTabSwitchesDuringABatchAddNothingToIt)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.25.10", "--fault", "slow-http", "--slow-ms", "400"});
    const QDir shipped(QString::fromStdString(PlatformExecutableFolder()) + QStringLiteral("/Lang"));
    ASSERT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("Lang")));
    for (const QString& name : shipped.entryList({QStringLiteral("*.lng")}, QDir::Files)) {
        QFile::copy(shipped.filePath(name), m_folder.filePath(QStringLiteral("Lang/") + name));
    }
    StartProgram(3);
    TickRows(3);
    ById<QComboBox>(System(), 1048)->setCurrentIndex(107);
    ById<QLineEdit>(System(), 1018)->setText(QString());
    PressSave();
    PressSave();
    ASSERT_TRUE(m_page->Runner().Running());
    ASSERT_NE(LangSelectByName(L"\u7B80\u4F53\u4E2D\u6587"), 0);
    m_dlg->Relabel();
    m_dlg->Sheet()->setCurrentIndex(2);
    QTest::qWait(100);
    m_dlg->Sheet()->setCurrentWidget(m_page);
    PressSave();
    ASSERT_NE(LangSelectByName(L"English"), 0);
    m_dlg->Relabel();
    ASSERT_TRUE(WaitFor([&] { return BatchDone(); }, 30000));
    EXPECT_EQ(LinesWith(QStringLiteral(" 192.168.25.1")).size(), 3) << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ById<QPushButton>(m_page, 1043)->text(), QStringLiteral("Save Parameters"));
}

// The cameras go away in the middle of a batch: each camera still gets its
// line, the batch ends and Save can be pressed again.
TEST_F(BatchSetLab, CamerasVanishingMidBatchEachGetALineAndTheBatchEnds)
{
    StartCameras({"--count", "4", "--base-ip", "192.168.26.10", "--fault", "slow-http", "--slow-ms", "300"});
    StartProgram(4);
    TickRows(4);
    ById<QComboBox>(System(), 1048)->setCurrentIndex(107);
    PressSave();
    ASSERT_TRUE(WaitFor([&] { return !Lines().isEmpty(); }, 15000));
    labkit::LabEnvironment::Current()->Stop(m_sim);
    m_sim = -1;
    ASSERT_TRUE(WaitFor([&] { return BatchDone(); }, 120000)) << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(LinesWith(QStringLiteral(" 192.168.26.1")).size(), 4) << Lines().join(QLatin1Char('\n')).toStdString();
}

// Closing the window while a batch waits on slow cameras neither crashes
// nor hangs; the workers are joined before the page goes.
TEST_F(BatchSetLab, ClosingTheWindowDuringABatchEndsIt)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.27.10", "--fault", "slow-http", "--slow-ms", "800"});
    StartProgram(3);
    TickRows(3);
    PressSave();
    ASSERT_TRUE(m_page->Runner().Running());
    m_dlg->close();
    m_dlg.reset();
    m_page = nullptr;
    EXPECT_TRUE(ReadDate("192.168.27.10", *std::make_unique<SystemDateRecord>()))
        << "the cameras answer after the window went";
}
// A hostile camera announces absurd texts: over-long names with format
// characters, empty and odd models, versions that are no numbers. Every page
// shows them and the batch set page loads such a camera without harm.
TEST_F(BatchSetLab, AbsurdNamesModelsAndVersionsAreListedAndLoadedWithoutHarm)
{
    StartCameras({"--count", "3", "--base-ip", "192.168.28.10"},
                 R"({"cameras": [{"index": 0, "name": "%s%n%x\u95e8\u53e3%s%n%x\u95e8\u53e3%s%n%x\u95e8\u53e3%s%n%x\u95e8\u53e3%s%n%x\u95e8\u53e3%s%n%x",
                                   "model": "';\\%s%n\u4e2d\u6587VT-C6121-very-long-model-text-that-goes-on-and-on-and-on",
                                   "version": "99999999999.-1.x.2147483648"},
                                  {"index": 1, "name": "", "model": "", "version": ""},
                                  {"index": 2, "name": "\u200f\u202e\u0000evil", "model": "A", "version": "...."}]})");
    StartProgram(3);
    for (int tab = 0; tab < m_dlg->Sheet()->count(); ++tab) {
        m_dlg->Sheet()->setCurrentIndex(tab);
        QTest::qWait(150);
    }
    m_dlg->Sheet()->setCurrentWidget(m_page);
    for (int row = 0; row < 3; ++row) {
        ClickRow(row);
        QTest::qWait(50);
        EXPECT_EQ(List()->currentItem(), List()->topLevelItem(row));
    }
    EXPECT_TRUE(m_boxes.isEmpty()) << m_boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(LinesWith(QStringLiteral("192.168.28.1")).isEmpty()) << Lines().join(QLatin1Char('\n')).toStdString();
}

// Gives a camera settings of its own, through the test's own login: a time
// zone, an SNTP server and an OSD title the page shows once loaded.
void MarkCamera(const std::string& ip, int timeZone, const char* server, const char* title)
{
    const int handle = Vt_Ipc_Login(ip.c_str(), ip.c_str(), 80, "admin", "qr7319", 0);
    ASSERT_GE(handle, 0) << ip;
    SystemDateRecord date{};
    date.mode = 1;
    std::snprintf(date.ntpServer, sizeof date.ntpServer, "%s", server);
    date.timeZone = timeZone;
    ASSERT_EQ(Vt_Ipc_SetSystemDate(handle, &date), 0) << ip;
    OsdRecord osd{};
    ASSERT_EQ(Vt_Ipc_GetOSD(handle, &osd), 0) << ip;
    std::snprintf(osd.title, sizeof osd.title, "%s", title);
    ASSERT_EQ(Vt_Ipc_SetOSD(handle, &osd), 0) << ip;
}

// Camera 0 answers every web request late; camera 1 at once.
constexpr const char* kLateFirstCamera = R"({"cameras": [{"index": 0, "faults": ["slow-http"], "slowMs": 250}]})";

// A camera answering late is read on a worker: right after the click the page
// shows it is loading, Save waits, and timers and typing are served while
// the reads go on; the values arrive afterwards.
TEST_F(BatchSetLab, ALateCameraLoadsWhileTheWindowServesEvents)
{
    StartCameras({"--count", "2", "--base-ip", "192.168.31.10"}, kLateFirstCamera);
    StartProgram(2);
    MarkCamera("192.168.31.10", 70, "late.ntp.lab", "Late");
    auto* zone = ById<QComboBox>(System(), 1048);
    auto* save = ById<QPushButton>(m_page, 1043);
    auto* search = ById<QLineEdit>(m_dlg.get(), 1160);
    ASSERT_NE(search, nullptr);
    zone->setCurrentIndex(3);

    QStringList events;
    QObject::connect(&m_page->Loader(), &CameraLoader::loadingChanged, m_page, [&](bool loading) {
        if (!loading) {
            events << QStringLiteral("loaded %1").arg(zone->currentIndex());
        }
    });
    QObject::connect(search, &QLineEdit::textEdited, m_page,
            [&](const QString& text) { events << QStringLiteral("typed %1").arg(text); });
    ClickRow(0);
    ASSERT_EQ(List()->currentItem()->text(4), QStringLiteral("192.168.31.10"));
    ASSERT_TRUE(m_page->Loading()) << "the click returned before the camera answered";
    EXPECT_FALSE(save->isEnabled()) << "nothing half-loaded can be saved";
    EXPECT_EQ(m_page->cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the rest of the window keeps its cursor";
    QTimer::singleShot(0, m_page, [&] { events << QStringLiteral("timer 0"); });
    QTimer::singleShot(50, m_page, [&] {
        events << QStringLiteral("timer 50");
        search->setFocus();
        QCoreApplication::postEvent(search, new QKeyEvent(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, "1"));
    });
    PressSave();
    ASSERT_TRUE(WaitFor([&] { return !m_page->Loading(); }, 20000));
    EXPECT_EQ(events, QStringList({QStringLiteral("timer 0"), QStringLiteral("timer 50"), QStringLiteral("typed 1"),
                                   QStringLiteral("loaded 70")}));
    EXPECT_EQ(ById<QLineEdit>(System(), 1152)->text(), QStringLiteral("late.ntp.lab"));
    EXPECT_EQ(ById<QLineEdit>(m_page->findChild<CVideoImageDlg*>(), 1099)->text(), QStringLiteral("Late"));
    EXPECT_TRUE(save->isEnabled());
    EXPECT_FALSE(m_page->testAttribute(Qt::WA_SetCursor));
    EXPECT_TRUE(LinesWith(QStringLiteral("192.168.31.1")).isEmpty()) << Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(m_boxes.isEmpty()) << "Save pressed during the load did nothing";
}

// Clicking a late camera and then a quick one shows the quick one's values,
// and the late one's never reach the boxes afterwards, not even once its
// worker is done.
TEST_F(BatchSetLab, ALaterClickSupersedesALoadStillWaitingOnItsCamera)
{
    StartCameras({"--count", "2", "--base-ip", "192.168.32.10"}, kLateFirstCamera);
    StartProgram(2);
    MarkCamera("192.168.32.10", 70, "late.ntp.lab", "Late");
    MarkCamera("192.168.32.11", 20, "quick.ntp.lab", "Quick");
    auto* zone = ById<QComboBox>(System(), 1048);
    auto* server = ById<QLineEdit>(System(), 1152);
    auto* title = ById<QLineEdit>(m_page->findChild<CVideoImageDlg*>(), 1099);
    QStringList shown;
    QObject::connect(zone, &QComboBox::currentIndexChanged, m_page, [&](int index) { shown << QString::number(index); });
    QObject::connect(server, &QLineEdit::textChanged, m_page, [&](const QString& text) { shown << text; });
    QObject::connect(title, &QLineEdit::textChanged, m_page, [&](const QString& text) { shown << text; });

    ClickRow(0);
    ASSERT_TRUE(m_page->Loading());
    QTest::qWait(100); // the late camera's worker is in the middle of its calls
    ClickRow(1);
    ASSERT_EQ(List()->currentItem()->text(4), QStringLiteral("192.168.32.11"));
    ASSERT_TRUE(WaitFor([&] { return !m_page->Loading(); }, 20000));
    EXPECT_EQ(zone->currentIndex(), 20);
    EXPECT_EQ(server->text(), QStringLiteral("quick.ntp.lab"));
    EXPECT_EQ(title->text(), QStringLiteral("Quick"));

    // The late camera's worker stops at its next call; whatever it might
    // still post is delivered by now.
    ASSERT_TRUE(WaitFor([&] { return m_page->Loader().Workers() == 0; }, 20000));
    QTest::qWait(100);
    EXPECT_EQ(zone->currentIndex(), 20);
    EXPECT_EQ(server->text(), QStringLiteral("quick.ntp.lab"));
    EXPECT_EQ(title->text(), QStringLiteral("Quick"));
    for (const QString& value : {QStringLiteral("70"), QStringLiteral("late.ntp.lab"), QStringLiteral("Late")}) {
        EXPECT_FALSE(shown.contains(value)) << value.toStdString() << " shown in " << shown.join(QLatin1Char('|')).toStdString();
    }
    EXPECT_TRUE(ById<QPushButton>(m_page, 1043)->isEnabled());
}

// Ticking, switching tabs and closing the window while late cameras are read:
// the loads are dropped, nothing crashes, the workers are joined.
TEST_F(BatchSetLab, TicksTabsAndClosingDuringALoadEndCleanly)
{
    StartCameras({"--count", "2", "--base-ip", "192.168.33.10", "--fault", "slow-http", "--slow-ms", "250"});
    StartProgram(2);
    ClickRow(0);
    ASSERT_TRUE(m_page->Loading());
    m_page->SubSheet()->setCurrentIndex(2);
    m_dlg->Sheet()->setCurrentIndex(0);
    QTest::qWait(50);
    m_dlg->Sheet()->setCurrentWidget(m_page);
    // A tick leaves the clicked camera's load for the reference camera's.
    List()->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ASSERT_TRUE(m_page->TickedMode());
    ASSERT_TRUE(m_page->Loading());
    EXPECT_FALSE(ById<QPushButton>(m_page, 1043)->isEnabled());
    List()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(m_page->TickedMode());
    EXPECT_FALSE(m_page->Loading()) << "the reference load was dropped with ticked mode";
    // A hurried user clicks back and forth and ticks everything at once.
    for (int click = 0; click < 6; ++click) {
        ClickRow(click % 2);
    }
    ASSERT_TRUE(m_page->Loading());
    EXPECT_GE(m_page->Loader().Workers(), 2u) << "moot loads still wait on their cameras";
    auto* selectAll = ById<QCheckBox>(m_page, 1020);
    QTest::mouseClick(selectAll, Qt::LeftButton, {}, QPoint(6, selectAll->height() / 2));
    ASSERT_TRUE(m_page->TickedMode());
    QTest::mouseClick(selectAll, Qt::LeftButton, {}, QPoint(6, selectAll->height() / 2));
    ClickRow(1);
    ASSERT_TRUE(m_page->Loading());
    QTest::qWait(100);
    EXPECT_TRUE(LinesWith(QStringLiteral("192.168.33.1")).isEmpty()) << Lines().join(QLatin1Char('\n')).toStdString();
    m_dlg->close();
    m_dlg.reset();
    m_page = nullptr;
    QTest::qWait(100);
    SystemDateRecord record{};
    EXPECT_TRUE(ReadDate("192.168.33.10", record)) << "the cameras answer after the window went";
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
