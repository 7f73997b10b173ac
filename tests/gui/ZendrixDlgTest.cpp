#include "CameraAccess.h"
#include "GuiFixture.h"
#include "OperationPanel.h"
#include "SearchDlg.h"
#include "SettingsStore.h"
#include "SortListCtrl.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>

using namespace user_actions;

namespace {
// What a mouse delivers for a double click: a click, then the second press
// as a double click and its release.
void DoubleClickRow(QTreeWidget* list, int row)
{
    const QPoint at = list->visualRect(list->model()->index(row, 4)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened << url; }
};
} // namespace

class ZendrixDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStartIsBasicModeWithDefaultLoginAndSavesOnExit();
    void camerasFromCaptureThreadsAreListedSortedAndNumbered();
    void searchBoxRefillsTheShownListAndCountsEveryKeystroke();
    void modifyValidatesEveryBoxInOrderAndFocusesTheCulprit();
    void singleModifyWritesNothingChangedOrNotSentLines();
    void tickingEntersMultiModeWithStartAddressAndAsksBeforeSending();
    void languageChangeRelabelsEveryWindow();
    void basicModeAndBackKeepsTheColumnOrder();
    void panelHundredLineRuleAndClearQuestion();
    void linesFromOtherThreadsArePostedInOrderAndNeverWait();
    void silentCameraLeavesBothNetworkListsAtTheThirtySecondCheck();
    void doubleClickOpensTheCameraWebPage();
    void longChineseNameStopsAtThirtyOneBytes();
    void countByModelWithTheOemSwitch();
    void captionDoubleClickMaximisesAndRestores();
    void modifyRepliesFromCaptureThreadsReachPanelAndRows();
    void lateEventForAFreedCameraAddsNoRow();
    void missingCapturePermissionIsExplainedOnce();
};

void ZendrixDlgTest::firstStartIsBasicModeWithDefaultLoginAndSavesOnExit()
{
    std::string store;
    {
        GuiFixture f;
        QCOMPARE(f.app->basicMode, 1);
        QCOMPARE(f.app->vtlog, 0);
        QVERIFY(f.dlg->BasicWindow()->isVisible());
        QVERIFY(!f.dlg->Sheet()->isVisible());
        QCOMPARE(f.dlg->Sheet()->count(), 1); // only pages that exist are tabs
        auto* user = f.ById<QLineEdit>(f.dlg.get(), 1039);
        auto* password = f.ById<QLineEdit>(f.dlg.get(), 1029);
        QCOMPARE(user->text(), QStringLiteral("admin"));
        QVERIFY(!user->isEnabled()); // the user name cannot be typed
        QCOMPARE(password->text(), QStringLiteral("qr7319"));
        QCOMPARE(f.dlg->AdapterCount(), 0);
        password->setText(QStringLiteral("  n3w'p\\ss "));
        QCOMPARE(QByteArray::fromStdString(f.dlg->Login().password),
                 QByteArray("n3w'p\\ss")); // as typed: the camera compares bytes
        f.dlg->ToggleBasicMode();
        f.dlg.reset();
        f.app->ExitInstance();
        store = RegStoreFile();
        QCOMPARE(ReadSetting(L"Password", L""), std::wstring(L"n3w'p\\ss"));
        QCOMPARE(ReadSetting(L"User", L""), std::wstring(L"admin"));
        QCOMPARE(ReadSetting(L"BasicMode", L""), std::wstring(L"0"));
    }
    GuiFixture again({"vtlog", "vtoem"}, "0");
    QCOMPARE(again.app->basicMode, 0);
    QCOMPARE(again.app->vtlog, 1);
    QCOMPARE(again.app->vtoem, 1);
    QVERIFY(again.dlg->Sheet()->isVisible());
}

void ZendrixDlgTest::camerasFromCaptureThreadsAreListedSortedAndNumbered()
{
    GuiFixture f({}, "0");
    f.Discover({MakeCamera(1, "192.168.1.1", 80, "cam-b"), MakeCamera(2, "10.0.0.10", 80, "CAM-A"),
                MakeCamera(3, "10.0.0.2", 80, " cam-c")});
    QTreeWidget* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(f.dlg->BasicWindow()->List()->topLevelItemCount(), 3); // both network lists hold every camera
    QCOMPARE(Column(list, 4), QStringList({"10.0.0.2", "10.0.0.10", "192.168.1.1"}));
    QTRY_COMPARE(Column(list, 1), QStringList({"1", "2", "3"}));
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("00:1A:2B:3C:4D:03"));
    QCOMPARE(list->topLevelItem(0)->text(8), QStringLiteral("VT-1080P"));
    const DeviceRef entry = f.app->Table().Entries().front();
    QCOMPARE(entry->holders.load(), kHolderNetworkTab | kHolderNetworkBasic);

    ClickHeader(list, 4);
    QCOMPARE(Column(list, 4), QStringList({"192.168.1.1", "10.0.0.10", "10.0.0.2"}));
    QCOMPARE(Column(list, 1), QStringList({"1", "2", "3"})); // renumbered after the sort
    ClickHeader(list, 2);
    QCOMPARE(Column(list, 2), QStringList({"CAM-A", "cam-b", " cam-c"}));

    // A camera heard again is refreshed in place, a new one is placed by name.
    f.Discover({MakeCamera(2, "10.0.0.11", 80, "CAM-A"), MakeCamera(4, "1.1.1.1", 80, "cam-bb")});
    QTRY_COMPARE(list->topLevelItemCount(), 4);
    QCOMPARE(Column(list, 2), QStringList({"CAM-A", "cam-b", "cam-bb", " cam-c"}));
    QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("10.0.0.11"));
    QTRY_COMPARE(Column(list, 1), QStringList({"1", "2", "3", "4"}));
}

void ZendrixDlgTest::searchBoxRefillsTheShownListAndCountsEveryKeystroke()
{
    GuiFixture f({}, "0");
    f.Discover({MakeCamera(1, "10.0.5.19"), MakeCamera(2, "10.0.5.21"), MakeCamera(3, "172.16.1.1")});
    QTreeWidget* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), 3);
    auto* search = f.ById<QLineEdit>(f.dlg.get(), 1160);
    QCOMPARE(search->placeholderText(), QStringLiteral("Search here..."));
    search->setFocus();
    // Dotted text, so that the time column can never match by chance.
    QTest::keyClicks(search, QStringLiteral(".1"));
    QTest::keyClicks(search, QStringLiteral("9"));
    const QStringList lines = f.Lines();
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].endsWith(QStringLiteral("] 3 items have been found.")));
    QVERIFY(lines[2].endsWith(QStringLiteral("] 1 items have been found.")));
    QCOMPARE(list->topLevelItemCount(), 1);

    // An update that makes the camera stop matching removes its row; a new
    // camera that does not match is not shown.
    f.Discover({MakeCamera(1, "10.0.5.20"), MakeCamera(9, "10.9.9.9")});
    QTRY_COMPARE(list->topLevelItemCount(), 0);
    QCOMPARE(f.dlg->BasicWindow()->List()->topLevelItemCount(), 4); // a hidden list is not filtered

    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(search, Qt::Key_Backspace);
    }
    QCOMPARE(list->topLevelItemCount(), 4);
    QTest::keyClick(search, Qt::Key_Escape);
    QTest::keyClick(search, Qt::Key_Return);
    QVERIFY(f.Lines().last().endsWith(QStringLiteral("] 4 items have been found.")));
    QVERIFY(f.dlg->isVisible()); // Enter and Escape never close the window
}

void ZendrixDlgTest::modifyValidatesEveryBoxInOrderAndFocusesTheCulprit()
{
    GuiFixture f({}, "0");
    f.Discover({MakeCamera(1, "192.168.5.10")});
    CSearchDlg* page = f.dlg->NetworkPage();
    QTRY_COMPARE(page->List()->topLevelItemCount(), 1);
    auto* modify = f.ById<QPushButton>(page, 1015);
    QVERIFY(!modify->isEnabled());
    ClickRow(page->List(), 0);
    QVERIFY(modify->isEnabled());
    auto* name = f.ById<QLineEdit>(page, 1018);
    auto* ip = f.ById<QLineEdit>(page, 1010);
    auto* port = f.ById<QLineEdit>(page, 1014);
    auto* netmask = f.ById<QLineEdit>(page, 1011);
    auto* gateway = f.ById<QLineEdit>(page, 1012);
    auto* dns = f.ById<QLineEdit>(page, 1013);
    QCOMPARE(name->text(), QStringLiteral("Cam"));
    QCOMPARE(ip->text(), QStringLiteral("192.168.5.10"));
    QCOMPARE(port->text(), QStringLiteral("80"));

    struct Case
    {
        QLineEdit* box;
        QString text;
        QString message;
    };
    const QString empty = QStringLiteral("Field can't be empty.");
    const Case cases[] = {
        {name, QStringLiteral("50%"),
         QStringLiteral("Device name can't contain these characters &/\\:*?'\"<>|%")},
        {name, QStringLiteral("   "), empty},
        {ip, QStringLiteral("10.255.1.1"), QStringLiteral("Invalid IP address.")},
        {ip, QStringLiteral("192.168.001.010"), QStringLiteral("Invalid IP address.")},
        {netmask, QStringLiteral("0.255.255.255"), QStringLiteral("Invalid Netmask.")},
        {gateway, QStringLiteral("192.168.1.255"), QStringLiteral("Invalid Gateway.")},
        {port, QStringLiteral("65536"), QStringLiteral("Please input the port between 1 and 65535.")},
        {port, QString(), empty},
        {dns, QStringLiteral("224.0.0.1"), QStringLiteral("Invalid DNS.")},
    };
    for (const Case& c : cases) {
        const QString saved = c.box->text();
        Type(c.box, c.text);
        f.boxes.clear();
        QTest::mouseClick(modify, Qt::LeftButton);
        QCOMPARE(f.boxes, QStringList({c.message}));
        QCOMPARE(QApplication::focusWidget(), c.box);
        c.box->setText(saved);
    }
    auto* password = f.ById<QLineEdit>(f.dlg.get(), 1029);
    password->clear();
    f.boxes.clear();
    QTest::mouseClick(modify, Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList({QStringLiteral("Password field can't be empty.")}));
    QVERIFY(f.Lines().isEmpty()); // nothing is sent after an input error
}

void ZendrixDlgTest::singleModifyWritesNothingChangedOrNotSentLines()
{
    GuiFixture f({}, "0");
    f.Discover({MakeCamera(0x5E, "192.168.5.10")});
    CSearchDlg* page = f.dlg->NetworkPage();
    QTRY_COMPARE(page->List()->topLevelItemCount(), 1);
    ClickRow(page->List(), 0);
    auto* ip = f.ById<QLineEdit>(page, 1010);
    Type(ip, QStringLiteral(" 192.168.5.10 "));
    QTest::mouseClick(f.ById<QPushButton>(page, 1015), Qt::LeftButton);
    QVERIFY(f.boxes.isEmpty());
    QCOMPARE(f.Lines().size(), 1);
    QVERIFY(f.Lines()[0].endsWith(QStringLiteral("] [00:1A:2B:3C:4D:5E] Nothing has been changed.")));

    // A change with no adapter to send it through is reported, not lost.
    Type(ip, QStringLiteral("192.168.5.11"));
    QTest::mouseClick(f.ById<QPushButton>(page, 1015), Qt::LeftButton);
    QCOMPARE(f.Lines().size(), 2);
    QVERIFY(f.Lines()[1].endsWith(QStringLiteral("] [00:1A:2B:3C:4D:5E] Modify device information failed.")));
}

void ZendrixDlgTest::tickingEntersMultiModeWithStartAddressAndAsksBeforeSending()
{
    GuiFixture f({}, "0");
    f.Discover({MakeCamera(1, "192.168.5.10"), MakeCamera(2, "192.168.5.11"), MakeCamera(3, "192.168.5.12")});
    CSearchDlg* page = f.dlg->NetworkPage();
    QTreeWidget* list = page->List();
    QTRY_COMPARE(list->topLevelItemCount(), 3);
    auto* name = f.ById<QLineEdit>(page, 1018);
    auto* sameIp = f.ById<QCheckBox>(page, 1016);
    auto* ipLabel = f.ById<QLabel>(page, 1005);
    auto* ip = f.ById<QLineEdit>(page, 1010);
    QVERIFY(name->isVisible());
    QVERIFY(!sameIp->isVisible());

    list->topLevelItem(1)->setCheckState(0, Qt::Checked);
    QVERIFY(page->IsMultiMode());
    QVERIFY(!name->isVisible());
    QVERIFY(sameIp->isVisible());
    QCOMPARE(ipLabel->text(), QStringLiteral("Start IP:"));
    QCOMPARE(ip->text(), QStringLiteral("192.168.5.11")); // boxes come from the first ticked row
    QTest::mouseClick(sameIp, Qt::LeftButton);
    QCOMPARE(ipLabel->text(), QStringLiteral("IP:"));

    f.answer = ZxAnswer::No;
    QTest::mouseClick(f.ById<QPushButton>(page, 1015), Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList({QStringLiteral("Are you sure to modify the selected devices?")}));

    // Clicking the ticked row outside its box removes the last tick.
    ClickRow(list, 1);
    QVERIFY(!page->IsMultiMode());
    QVERIFY(name->isVisible());
    QCOMPARE(ip->text(), QStringLiteral("192.168.5.11"));

    auto* selectAll = f.ById<QCheckBox>(page, 1004);
    QTest::mouseClick(selectAll, Qt::LeftButton);
    QCOMPARE(page->Binding().TickedRows().size(), std::size_t{3});
    QVERIFY(page->IsMultiMode());
    QTest::mouseClick(selectAll, Qt::LeftButton);
    QVERIFY(page->Binding().TickedRows().empty());
    QVERIFY(!page->IsMultiMode());
}

void ZendrixDlgTest::languageChangeRelabelsEveryWindow()
{
    GuiFixture f({}, "0");
    CSearchDlg* page = f.dlg->NetworkPage();
    const auto texts = [&] {
        return QStringList{f.dlg->Sheet()->tabText(0),
                           f.ById<QLabel>(f.dlg.get(), 1137)->text(),
                           f.ById<QLineEdit>(f.dlg.get(), 1160)->placeholderText(),
                           f.ById<QCheckBox>(page, 1004)->text(),
                           f.ById<QPushButton>(page, 1015)->text(),
                           f.ById<QLabel>(page, 1009)->text(),
                           page->List()->headerItem()->text(2),
                           f.ById<QCheckBox>(f.dlg->BasicWindow(), 1004)->text(),
                           f.dlg->BasicWindow()->List()->headerItem()->text(9),
                           f.ById<QWidget>(f.dlg.get(), 1162)->toolTip()};
    };
    const QStringList english = texts();
    QCOMPARE(english,
             QStringList({"Network Settings", "Operating Information:", "Search here...", "Select All",
                          "Modify", "Port:", "Device Name", "Select All", "Run-up Time", "Refresh"}));

    const auto choose = [&](const QString& language) {
        QMenu* menu = f.dlg->ShowHelpMenu();
        auto* languages = menu->findChild<QMenu*>(QStringLiteral("languageMenu"));
        QVERIFY(languages != nullptr);
        QAction* wanted = nullptr;
        for (QAction* action : languages->actions()) {
            if (action->text() == language) {
                wanted = action;
            }
        }
        QVERIFY2(wanted != nullptr, qPrintable(language));
        wanted->trigger();
        menu->close();
    };
    choose(QStringLiteral("简体中文"));
    const QStringList chinese = texts();
    for (int i = 0; i < english.size(); ++i) {
        QVERIFY2(chinese[i] != english[i], qPrintable(english[i]));
        QVERIFY2(!chinese[i].isEmpty(), qPrintable(english[i]));
    }
    choose(QStringLiteral("English"));
    QCOMPARE(texts(), english);
}

void ZendrixDlgTest::basicModeAndBackKeepsTheColumnOrder()
{
    GuiFixture f({}, "0");
    CSortListCtrl* tabList = f.dlg->NetworkPage()->List();
    CSortListCtrl* basicList = f.dlg->BasicWindow()->List();
    tabList->header()->moveSection(4, 2);
    f.dlg->ToggleBasicMode();
    QVERIFY(f.dlg->IsBasicMode());
    QVERIFY(f.dlg->BasicWindow()->isVisible());
    QCOMPARE(basicList->ColumnOrder(), tabList->ColumnOrder());
    basicList->header()->moveSection(10, 3);
    const std::vector<int> order = basicList->ColumnOrder();
    QTest::mouseClick(f.ById<QWidget>(f.dlg.get(), 1158), Qt::LeftButton);
    QVERIFY(!f.dlg->IsBasicMode());
    QVERIFY(f.dlg->Sheet()->isVisible());
    QCOMPARE(tabList->ColumnOrder(), order);
}

void ZendrixDlgTest::panelHundredLineRuleAndClearQuestion()
{
    GuiFixture f;
    COperationPanel* panel = f.dlg->Panel();
    for (int i = 0; i < 100; ++i) {
        panel->AddLine({L"line", i % 2 == 0});
    }
    QCOMPARE(panel->count(), 100);
    panel->AddLine({L"one more", true});
    QCOMPARE(panel->count(), 101);
    panel->AddLine({L"survivor", false});
    QCOMPARE(panel->count(), 1);
    QCOMPARE(panel->item(0)->text(), QString(38, QLatin1Char(' ')) + QStringLiteral("survivor"));
    QCOMPARE(panel->currentRow(), 0);
    panel->AddLine({L"stamped", true});
    QVERIFY(QRegularExpression(QStringLiteral("^\\[\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\] stamped$"))
                .match(panel->item(1)->text())
                .hasMatch());

    f.answer = ZxAnswer::No;
    QTest::mouseClick(f.ById<QWidget>(f.dlg.get(), 1177), Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList({QStringLiteral("Are you sure to clear operation log?")}));
    QCOMPARE(panel->count(), 2);
    f.answer = ZxAnswer::Yes;
    QTest::mouseClick(f.ById<QWidget>(f.dlg.get(), 1177), Qt::LeftButton);
    QCOMPARE(panel->count(), 0);
}

namespace {
// Runs work on a thread of its own while this thread serves no event; true
// when it finished so, within seconds. Should it wait for this thread after
// all, events are served until it ends, so the test reports it and goes on.
bool FinishesWithoutTheUiThread(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool alone = done;
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    return alone;
}

QStringList PanelTexts(const COperationPanel& panel)
{
    QStringList texts;
    for (int i = 0; i < panel.count(); ++i) {
        texts << panel.item(i)->text();
    }
    return texts;
}
} // namespace

void ZendrixDlgTest::linesFromOtherThreadsArePostedInOrderAndNeverWait()
{
    GuiFixture f({}, "0");
    COperationPanel* panel = f.dlg->Panel();
    // What the panel shows once it has every line: the reference is given
    // them one by one on the UI thread.
    COperationPanel reference;
    const auto line = [](int i) { return PanelLine{L"line " + std::to_wstring(i), false}; };
    for (int i = 0; i < 30; ++i) {
        panel->AddLine(line(i));
        reference.AddLine(line(i));
    }
    // A flood of lines from a worker while the UI thread is busy: the worker
    // never waits, the list is not touched until the UI thread takes them,
    // and then it shows what the reference shows, in the order they were made.
    constexpr int kFlood = 450;
    QVERIFY(FinishesWithoutTheUiThread([post = panel->Poster(), &line] {
        for (int i = 30; i < 30 + kFlood; ++i) {
            post(line(i));
        }
    }));
    QCOMPARE(panel->count(), 30);
    for (int i = 30; i < 30 + kFlood; ++i) {
        reference.AddLine(line(i));
    }
    QCoreApplication::processEvents();
    QCOMPARE(PanelTexts(*panel), PanelTexts(reference));
    QCOMPARE(panel->currentRow(), panel->count() - 1);

    // The direct entry called from a worker by mistake posts too.
    panel->clear();
    QVERIFY(FinishesWithoutTheUiThread([panel] { panel->AddLine({L"misplaced", false}); }));
    QCOMPARE(panel->count(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(PanelTexts(*panel), QStringList({QString(38, QLatin1Char(' ')) + QStringLiteral("misplaced")}));

    // The capture callback's lines: a refused change of identity.
    panel->clear();
    QVERIFY(FinishesWithoutTheUiThread([&f] {
        tagMsgInfo msg{};
        msg.info = MakeCamera(0x5E, "192.168.5.10");
        msg.result = -1;
        DeviceTable::CaptureCallback(3, &msg, &f.app->Table());
    }));
    QCOMPARE(panel->count(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(panel->count(), 1);
    QVERIFY(panel->item(0)->text().contains(QStringLiteral("[00:1A:2B:3C:4D:5E] Modify IP, Port")));

    // A poster that outlives its panel drops its lines.
    auto gone = std::make_unique<COperationPanel>();
    const PanelLinePoster late = gone->Poster();
    gone.reset();
    QVERIFY(FinishesWithoutTheUiThread([&late] { late({L"after the panel", true}); }));
    QCoreApplication::processEvents();
}

void ZendrixDlgTest::silentCameraLeavesBothNetworkListsAtTheThirtySecondCheck()
{
    GuiFixture f({}, "0");
    std::int64_t now = 1000;
    f.app->Table().SetClock([&now] { return now; });
    f.Discover({MakeCamera(1, "192.168.5.10"), MakeCamera(2, "192.168.5.11")});
    QTRY_COMPARE(f.dlg->NetworkPage()->List()->topLevelItemCount(), 2);
    now += 30;
    f.Discover({MakeCamera(2, "192.168.5.11")});
    now += 34;
    f.app->Table().CheckExpired(false);
    QCOMPARE(f.dlg->NetworkPage()->List()->topLevelItemCount(), 2); // the 5 s check spares the network lists
    f.app->Table().CheckExpired(true);
    QCOMPARE(f.dlg->NetworkPage()->List()->topLevelItemCount(), 1);
    QCOMPARE(f.dlg->BasicWindow()->List()->topLevelItemCount(), 1);
    QCOMPARE(f.app->Table().Count(), std::size_t{1});
    QCOMPARE(f.dlg->NetworkPage()->List()->topLevelItem(0)->text(1), QStringLiteral("1"));
}

void ZendrixDlgTest::doubleClickOpensTheCameraWebPage()
{
    GuiFixture f({}, "0");
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
    const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); });
    f.Discover({MakeCamera(1, "192.168.5.10", 8080), MakeCamera(2, "192.168.5.11", 80)});
    QTreeWidget* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), 2);
    DoubleClickRow(list, 0);
    QVERIFY(f.dlg->NetworkPage()->IsMultiMode()); // the double click ticks the row
    QTRY_COMPARE(catcher.opened, QList<QUrl>({QUrl(QStringLiteral("http://192.168.5.10:8080"))}));
    DoubleClickRow(list, 1);
    QTRY_COMPARE(catcher.opened.size(), 2);
    QCOMPARE(catcher.opened[1], QUrl(QStringLiteral("http://192.168.5.11")));
}

void ZendrixDlgTest::longChineseNameStopsAtThirtyOneBytes()
{
    GuiFixture f({}, "0");
    auto* name = f.ById<QLineEdit>(f.dlg->NetworkPage(), 1018);
    name->setFocus();
    // Chinese text arrives through the input method, one committed character at a time.
    for (int i = 0; i < 11; ++i) {
        QInputMethodEvent commit;
        commit.setCommitString(QString(QChar(0x6444)));
        QApplication::sendEvent(name, &commit);
    }
    QCOMPARE(name->text(), QString(10, QChar(0x6444)));
    QCOMPARE(name->cursorPosition(), 10);
}

void ZendrixDlgTest::countByModelWithTheOemSwitch()
{
    {
        GuiFixture plain({}, "0");
        QVERIFY(!plain.ById<QPushButton>(plain.dlg.get(), 1148)->isVisible());
    }
    GuiFixture f({"vtoem"}, "0");
    auto* count = f.ById<QPushButton>(f.dlg.get(), 1148);
    QVERIFY(count->isVisible());
    f.Discover({MakeCamera(1, "10.0.0.1", 80, "a", "M1"), MakeCamera(2, "10.0.0.2", 80, "b", "M2"),
                MakeCamera(3, "10.0.0.3", 80, "c", "M1")});
    QTRY_COMPARE(f.dlg->NetworkPage()->List()->topLevelItemCount(), 3);
    QTest::mouseClick(count, Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList({QStringLiteral("M1:2\nM2:1")}));
    QCOMPARE(f.Lines().size(), 2);
    QVERIFY(f.Lines()[0].endsWith(QStringLiteral("] M1:2")));
    f.dlg->ToggleBasicMode();
    QVERIFY(!count->isVisible());
}

void ZendrixDlgTest::captionDoubleClickMaximisesAndRestores()
{
    GuiFixture f({}, "0");
    QWidget* maximise = f.ById<QWidget>(f.dlg.get(), 1156);
    QCOMPARE(maximise->toolTip(), QStringLiteral("Maxmize"));
    const QRect before = f.dlg->geometry();
    QTest::mouseDClick(f.dlg.get(), Qt::LeftButton, {}, QPoint(400, 30));
    QVERIFY(f.dlg->IsMaximised());
    QCOMPARE(maximise->toolTip(), QStringLiteral("Restore"));
    QTest::mouseDClick(f.dlg.get(), Qt::LeftButton, {}, QPoint(400, 300));
    QVERIFY(f.dlg->IsMaximised()); // below the caption band nothing happens
    QTest::mouseClick(maximise, Qt::LeftButton);
    QVERIFY(!f.dlg->IsMaximised());
    QCOMPARE(f.dlg->geometry(), before);
    QCOMPARE(maximise->toolTip(), QStringLiteral("Maxmize"));

    // Dragging in the caption band moves the window; below it nothing moves.
    const QPoint start = f.dlg->pos();
    QTest::mousePress(f.dlg.get(), Qt::LeftButton, {}, QPoint(300, 40));
    QMouseEvent drag(QEvent::MouseMove, QPointF(340, 60), f.dlg->mapToGlobal(QPointF(340, 60)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.dlg.get(), &drag);
    QTest::mouseRelease(f.dlg.get(), Qt::LeftButton, {}, QPoint(340, 60));
    QCOMPARE(f.dlg->pos(), start + QPoint(40, 20));
    QTest::mousePress(f.dlg.get(), Qt::LeftButton, {}, QPoint(300, 120));
    QMouseEvent below(QEvent::MouseMove, QPointF(360, 160), f.dlg->mapToGlobal(QPointF(360, 160)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.dlg.get(), &below);
    QTest::mouseRelease(f.dlg.get(), Qt::LeftButton, {}, QPoint(360, 160));
    QCOMPARE(f.dlg->pos(), start + QPoint(40, 20));
    // The window buttons sit at their places from the right edge.
    QCOMPARE(f.ById<QWidget>(f.dlg.get(), 1157)->geometry(), QRect(f.dlg->width() - 40, 7, 25, 28));
    QTest::mouseClick(f.ById<QWidget>(f.dlg.get(), 1157), Qt::LeftButton);
    QVERIFY(!f.dlg->isVisible());
}

void ZendrixDlgTest::modifyRepliesFromCaptureThreadsReachPanelAndRows()
{
    GuiFixture f({}, "0");
    const tagVtIpcInfo camera = MakeCamera(0x5E, "192.168.5.10", 80);
    f.Discover({camera});
    QTreeWidget* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), 1);
    tagVtIpcInfo changed = camera;
    changed.port = 8080;
    f.Discover({changed}, 3, 0);
    QCOMPARE(f.Lines().size(), 1);
    QVERIFY(
        f.Lines()[0].endsWith(QStringLiteral("] [00:1A:2B:3C:4D:5E] Modify  Port:80->8080 successfully.")));
    QTRY_COMPARE(list->topLevelItem(0)->text(5), QStringLiteral("8080"));
    f.Discover({changed}, 3, -1);
    QCOMPARE(f.Lines().size(), 2);
    QVERIFY(f.Lines()[1].endsWith(
        QStringLiteral("] [00:1A:2B:3C:4D:5E] Modify IP, Port, Netmask, Gateway, DNS failed. Username or "
                       "password is incorrect.")));
}

void ZendrixDlgTest::lateEventForAFreedCameraAddsNoRow()
{
    GuiFixture f({}, "0");
    std::int64_t now = 5000;
    f.app->Table().SetClock([&now] { return now; });
    // The camera's "added" message is still queued when the table lets it go.
    tagMsgInfo msg{};
    msg.info = MakeCamera(7, "192.168.5.70");
    DeviceTable::CaptureCallback(1, &msg, &f.app->Table());
    const DeviceRef entry = f.app->Table().Entries().front();
    now += 64;
    f.app->Table().CheckExpired(true);
    QCOMPARE(f.app->Table().Count(), std::size_t{0});
    QCoreApplication::processEvents();
    QCOMPARE(f.dlg->NetworkPage()->List()->topLevelItemCount(), 0);
    QCOMPARE(f.dlg->BasicWindow()->List()->topLevelItemCount(), 0);
    QCOMPARE(entry->holders.load(), 0u);
}

void ZendrixDlgTest::missingCapturePermissionIsExplainedOnce()
{
    // The check comes before any capture device is opened, so this window
    // opens none even though it is asked to.
    MainWindowOptions options;
    options.capturePermitted = [] { return false; };
    GuiFixture f({}, "0", options);
    QCOMPARE(f.dlg->AdapterCount(), 0);
    const QStringList lines = f.Lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines[0].contains(QStringLiteral("Run it as root")));
    QVERIFY(lines[0].contains(QStringLiteral("setcap cap_net_raw,cap_net_admin+eip ")));
    QTest::mouseClick(f.ById<QWidget>(f.dlg.get(), 1162), Qt::LeftButton);
    QCOMPARE(f.Lines().size(), 1);
}

QTEST_MAIN(ZendrixDlgTest)
#include "ZendrixDlgTest.moc"
