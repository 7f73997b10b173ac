// The lists of every page in the real window, offscreen: a double click on a
// camera that has no web address opens nothing and leaves the page asked for
// before to open; every list shows the protocol of each camera. The web
// addresses are opened by the reboot queue's worker, stepped by hand here.
// Cameras sit on loopback ports nothing listens on.
#include "AppSettings.h"
#include "BatchSetDlg.h"
#include "BatchUpgradeDlg.h"
#include "GuiFixture.h"
#include "LogDlg.h"
#include "OemDlg.h"
#include "RebootQueue.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>
#include <chrono>
#include <memory>

namespace {

// The first click may load the camera; a page that waits for it meanwhile
// (the log page) takes the double click once it is done.
void DoubleClickRow(QTreeWidget* list, int row)
{
    const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(QTest::qWaitFor([list] { return list->isEnabled(); }));
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

// The pages of the program, and the addresses their reboot queue opened.
struct Pages
{
    std::vector<std::string> opened;
    std::shared_ptr<RebootQueue> queue;
    struct List
    {
        QWidget* page;
        QTreeWidget* list;
        bool ticks;
    };
    std::vector<List> lists;

    MainWindowOptions Options()
    {
        MainWindowOptions options = GuiFixture::NoCapture();
        options.addPages = [this](CZendrixDlg& window) {
            window.HandOverWebAddresses();
            queue = std::make_shared<RebootQueue>(
                [](Camera&) { return CameraResult{}; },
                [this] {
                    if (std::string address = TakePendingWebAddress(); !address.empty()) {
                        opened.push_back(std::move(address));
                    }
                },
                RebootQueue::RebootDone{}, std::chrono::hours(1));
            auto* batchSet = new CBatchSetDlg(window, queue);
            window.AddDevicePage(batchSet, 10002, {}, &batchSet->Binding());
            auto* upgrade = new CBatchUpgradeDlg(window, queue);
            window.AddDevicePage(upgrade, 10003, {}, &upgrade->Binding());
            auto* log = new CLogDlg(window);
            window.AddDevicePage(log, 10005, {}, &log->Binding());
            auto* oem = new COemDlg(window);
            window.AddDevicePage(oem, 0, QStringLiteral("OEM"), &oem->Binding());
            lists = {{window.NetworkPage(), window.NetworkPage()->List(), true},
                     {batchSet, batchSet->List(), true},
                     {upgrade, upgrade->List(), true},
                     {log, log->List(), false},
                     {oem, oem->List(), true}};
        };
        return options;
    }
};

} // namespace

class PageListsGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void aCameraWithoutWebAddressOpensNothingOnAnyPage();
    void everyListShowsTheProtocolInBothLanguagesAndTheSearchFindsIt();
};

void PageListsGuiTest::aCameraWithoutWebAddressOpensNothingOnAnyPage()
{
    Pages pages;
    GuiFixture f({}, "0", pages.Options());
    // Port 0: no web page to open.
    f.Discover({MakeCamera(1, "127.0.0.5", 8080), MakeCamera(2, "127.0.0.6", 0)});
    for (const auto& [page, list, ticks] : pages.lists) {
        const QString name = QString::fromLatin1(page->metaObject()->className());
        f.dlg->Sheet()->setCurrentWidget(page);
        QTRY_COMPARE(list->topLevelItemCount(), 2);
        pages.opened.clear();

        DoubleClickRow(list, 1);
        pages.queue->Tick();
        QVERIFY2(pages.opened.empty(), qPrintable(name));

        // The page asked for stays asked for.
        DoubleClickRow(list, 0);
        DoubleClickRow(list, 1);
        pages.queue->Tick();
        QVERIFY2(pages.opened == std::vector<std::string>{"http://127.0.0.5:8080"}, qPrintable(name));
        QVERIFY2(!ticks || list->topLevelItem(0)->checkState(0) == Qt::Checked, qPrintable(name));
    }
}

void PageListsGuiTest::everyListShowsTheProtocolInBothLanguagesAndTheSearchFindsIt()
{
    Pages pages;
    GuiFixture f({}, "0", pages.Options());
    f.Discover({MakeCamera(1, "127.0.0.5", 8080, "Hall"), MakeCamera(2, "127.0.0.6", 80, "Yard")});
    // WS-Discovery reports a camera of another maker, and the second family
    // camera, which a login shows to be the same camera.
    DeviceTable& table = f.app->Table();
    table.OnOnvifSighting({"urn:uuid:5f0c-1", "http://127.0.0.7/onvif/device_service", "Gate", "P1448-LE"});
    table.OnOnvifSighting({"urn:uuid:5f0c-2", "http://127.0.0.6/onvif/device_service", "Yard", ""});
    QVERIFY(table.OnOnvifDetails({"urn:uuid:5f0c-2", "Vantrel", MakeCamera(2, "127.0.0.6", 80, "Yard")}));
    const QList<CSortListCtrl*> lists = f.dlg->findChildren<CSortListCtrl*>(QStringLiteral("deviceList"));
    QVERIFY(lists.size() >= static_cast<int>(pages.lists.size()));
    const auto protocols = [](QTreeWidget* list) {
        QStringList shown;
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            shown << list->topLevelItem(row)->text(list->columnCount() - 1);
        }
        shown.sort();
        return shown;
    };
    const std::vector<std::pair<QString, QStringList>> languages = {
        {QStringLiteral("English"), {"Family", "Family, ONVIF", "ONVIF"}},
        {QStringLiteral("简体中文"), {"ONVIF", "本系列", "本系列, ONVIF"}}};
    for (const auto& [language, expected] : languages) {
        LangSelectByName(language.toStdWString());
        f.dlg->Relabel();
        for (CSortListCtrl* list : lists) {
            QTRY_COMPARE(list->topLevelItemCount(), 3);
            QCOMPARE(list->headerItem()->text(list->columnCount() - 1), LangQText(20040));
            QCOMPARE(protocols(list), expected);
            // Beside the model, where the list has one, so it is on screen
            // without scrolling across.
            for (int column = 0; column < list->columnCount(); ++column) {
                if (list->headerItem()->text(column) == LangQText(20006)) {
                    QCOMPARE(list->header()->visualIndex(list->columnCount() - 1),
                             list->header()->visualIndex(column) + 1);
                }
            }
        }
        QTreeWidget* network = pages.lists.front().list;
        f.dlg->Sheet()->setCurrentWidget(pages.lists.front().page);
        const int protocolColumn = network->columnCount() - 1;
        QVERIFY(network->header()->sectionViewportPosition(protocolColumn) +
                    network->header()->sectionSize(protocolColumn) <=
                network->viewport()->width());
        if (qEnvironmentVariableIsSet("ZX_PROTOCOL_SHOTS")) {
            f.dlg->Sheet()->setCurrentWidget(pages.lists.front().page);
            f.dlg->grab().save(qEnvironmentVariable("ZX_PROTOCOL_SHOTS") + QStringLiteral("/protocol-") +
                               language + QStringLiteral(".png"));
        }
    }

    // The search finds the protocol word in either language.
    f.dlg->Sheet()->setCurrentWidget(pages.lists.front().page);
    auto* search = f.ById<QLineEdit>(f.dlg.get(), 1160);
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("onvif"));
    QTRY_COMPARE(pages.lists.front().list->topLevelItemCount(), 2);
    search->selectAll();
    QTest::keyClick(search, Qt::Key_Backspace);
    QTRY_COMPARE(pages.lists.front().list->topLevelItemCount(), 3);

    // A Bye takes the ONVIF camera off every list at once.
    table.OnOnvifBye("urn:uuid:5f0c-1");
    for (CSortListCtrl* list : lists) {
        QTRY_COMPARE(list->topLevelItemCount(), 2);
    }
    LangSelectByName(L"English");
}

QTEST_MAIN(PageListsGuiTest)
#include "PageListsGuiTest.moc"
