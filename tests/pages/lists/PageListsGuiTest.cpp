// The lists of every page in the real window, offscreen: a double click on a
// camera that has no web address opens nothing and leaves the page asked for
// before to open. The web addresses are opened by the reboot queue's worker,
// stepped by hand here. Cameras sit on loopback ports nothing listens on.
#include "AppSettings.h"
#include "BatchSetDlg.h"
#include "BatchUpgradeDlg.h"
#include "GuiFixture.h"
#include "LogDlg.h"
#include "OemDlg.h"
#include "RebootQueue.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"

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

QTEST_MAIN(PageListsGuiTest)
#include "PageListsGuiTest.moc"
