// How the batch set page loads a camera into its sub-pages: absurd texts
// without harm, a late camera on a worker while the window serves events, a
// later click superseding a load, and loads dropped cleanly.
#include "BatchSetLabFixture.h"

#include "CameraLoader.h"
#include "VideoImageDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QTimer>

namespace {

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
