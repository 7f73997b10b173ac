// The network page as the user meets it: cameras heard by the capture threads
// listed, sorted and found, the modify boxes checked and sent, a camera's web
// page opened, and cameras that fall silent or are freed leaving the lists.
#include "GuiFixture.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QUrl>

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

class SearchDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void camerasFromCaptureThreadsAreListedSortedAndNumbered();
    void searchBoxRefillsTheShownListAndCountsEveryKeystroke();
    void modifyValidatesEveryBoxInOrderAndFocusesTheCulprit();
    void singleModifyWritesNothingChangedOrNotSentLines();
    void tickingEntersMultiModeWithStartAddressAndAsksBeforeSending();
    void silentCameraLeavesBothNetworkListsAtTheThirtySecondCheck();
    void doubleClickOpensTheCameraWebPage();
    void longChineseNameStopsAtThirtyOneBytes();
    void modifyRepliesFromCaptureThreadsReachPanelAndRows();
    void lateEventForAFreedCameraAddsNoRow();
};

void SearchDlgTest::camerasFromCaptureThreadsAreListedSortedAndNumbered()
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

void SearchDlgTest::searchBoxRefillsTheShownListAndCountsEveryKeystroke()
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

void SearchDlgTest::modifyValidatesEveryBoxInOrderAndFocusesTheCulprit()
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

void SearchDlgTest::singleModifyWritesNothingChangedOrNotSentLines()
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

void SearchDlgTest::tickingEntersMultiModeWithStartAddressAndAsksBeforeSending()
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

void SearchDlgTest::silentCameraLeavesBothNetworkListsAtTheThirtySecondCheck()
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

void SearchDlgTest::doubleClickOpensTheCameraWebPage()
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

void SearchDlgTest::longChineseNameStopsAtThirtyOneBytes()
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

void SearchDlgTest::modifyRepliesFromCaptureThreadsReachPanelAndRows()
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

void SearchDlgTest::lateEventForAFreedCameraAddsNoRow()
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

QTEST_MAIN(SearchDlgTest)
#include "SearchDlgTest.moc"
