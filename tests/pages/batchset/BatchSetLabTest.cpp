// What "Save Parameters" on the System sub-page of the batch set page does to
// the simulated cameras: one loaded camera, a batch over ticked ones, and the
// passwords it sends or keeps.
#include "BatchSetLabFixture.h"

#include "AppSettings.h"
#include "DeviceTable.h"
#include "RebootQueue.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRadioButton>
#include <map>

namespace {

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
