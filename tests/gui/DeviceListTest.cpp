// The device lists as the user meets them, driven offscreen: the selected
// row stays readable, only the user's choice of a row loads a camera, the
// list stays in the order its header shows, and many silent cameras leave in
// one pass.
#include "GuiFixture.h"
#include "OperationPanel.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "SortOrder.h"

#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <map>

using namespace user_actions;

namespace {
// True when the column reads in the order the list's header shows.
bool InHeaderOrder(CSortListCtrl* list)
{
    const int column = list->SortColumn();
    const bool address = list->IsAddressColumn(column);
    for (int i = 1; i < list->topLevelItemCount(); ++i) {
        const QString a = list->topLevelItem(i - 1)->text(column);
        const QString b = list->topLevelItem(i)->text(column);
        const int order = address ? (AddressSortKey(a) < AddressSortKey(b) ? -1 : AddressSortKey(a) > AddressSortKey(b))
                                  : QString::localeAwareCompare(TextSortKey(a), TextSortKey(b));
        if (list->SortAscending() ? order > 0 : order < 0) {
            return false;
        }
    }
    return true;
}

// The pixels of a cell that stand out from the cell's own background: the
// strokes of its text.
int InkPixels(CSortListCtrl* list, int row, int column)
{
    const QImage image = list->viewport()->grab().toImage();
    if (qEnvironmentVariableIsSet("ZX_LIST_SHOT")) {
        image.save(qEnvironmentVariable("ZX_LIST_SHOT"));
    }
    const qreal scale = image.devicePixelRatio();
    const QRect cell = list->visualRect(list->model()->index(row, column)).adjusted(4, 2, -4, -2);
    std::map<QRgb, int> colours;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            ++colours[image.pixel(QPoint(x, y) * scale)];
        }
    }
    const QRgb background =
        std::max_element(colours.begin(), colours.end(), [](auto& a, auto& b) { return a.second < b.second; })
            ->first;
    int ink = 0;
    for (const auto& [colour, count] : colours) {
        if (std::abs(qGray(colour) - qGray(background)) > 100) {
            ink += count;
        }
    }
    return ink;
}

tagVtIpcInfo Camera(unsigned n, const QString& ip)
{
    tagVtIpcInfo info = MakeCamera(static_cast<unsigned char>(n), ip.toLatin1().constData());
    info.mac[4] = static_cast<unsigned char>(n >> 8);
    return info;
}
} // namespace

class DeviceListTest : public QObject
{
    Q_OBJECT

private slots:
    void selectedRowIsReadableWithAndWithoutFocusInBothLanguages();
    void selectedCameraFallingSilentLeavesNoRowSelected();
    void sortingRefillsAndOtherCamerasNeverReloadTheBoxes();
    void listStaysInHeaderOrderThroughRefillsFilteredAddsAndRefreshes();
    void manySilentCamerasLeaveInOnePassOverTheList();
    void aCameraNameWithLineEndsStaysOnOneLine();
    void aSearchKeystrokeKeepsTheRowsOfCamerasStillListed();
};

void DeviceListTest::selectedRowIsReadableWithAndWithoutFocusInBothLanguages()
{
    GuiFixture f({}, "0");
    f.Discover({Camera(1, "192.168.5.10"), Camera(2, "192.168.5.11"), Camera(3, "192.168.5.12")});
    CSortListCtrl* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), 3);
    // Every row shows the same name and alike addresses: a row that is not
    // selected is the measure.
    std::map<int, int> plain;
    for (int column : {2, 3, 4}) {
        plain[column] = InkPixels(list, 0, column);
        QVERIFY2(plain[column] > 20, "the text of a row that is not selected is drawn");
    }
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("简体中文")}) {
        LangSelectByName(language.toStdWString());
        f.dlg->Relabel();
        ClickRow(list, 1);
        QVERIFY(list->topLevelItem(1)->isSelected());
        QVERIFY(list->hasFocus());
        for (int column : {2, 3, 4}) {
            QVERIFY2(InkPixels(list, 1, column) > plain[column] / 2,
                     qPrintable(QStringLiteral("column %1 of the selected row, with focus, %2").arg(column).arg(language)));
        }
        // The focus elsewhere: the row stays selected and readable.
        f.ById<QLineEdit>(f.dlg.get(), 1160)->setFocus();
        QVERIFY(!list->hasFocus());
        for (int column : {2, 3, 4}) {
            QVERIFY2(InkPixels(list, 1, column) > plain[column] / 2,
                     qPrintable(QStringLiteral("column %1 of the selected row, without focus, %2").arg(column).arg(language)));
        }
    }
    // A modify answer refreshes the selected row; it stays readable.
    tagVtIpcInfo changed = Camera(2, "192.168.5.11");
    changed.port = 8080;
    f.Discover({changed}, 3, 0);
    QTRY_COMPARE(list->topLevelItem(1)->text(5), QStringLiteral("8080"));
    QVERIFY(InkPixels(list, 1, 5) > 10);
    QVERIFY(InkPixels(list, 1, 3) > plain[3] / 2);
}

void DeviceListTest::selectedCameraFallingSilentLeavesNoRowSelected()
{
    GuiFixture f({}, "0");
    std::int64_t now = 1000;
    f.app->Table().SetClock([&now] { return now; });
    f.Discover({Camera(1, "192.168.5.10"), Camera(2, "192.168.5.11"), Camera(3, "192.168.5.12")});
    CSearchDlg* page = f.dlg->NetworkPage();
    CSortListCtrl* list = page->List();
    QTRY_COMPARE(list->topLevelItemCount(), 3);
    auto* ip = f.ById<QLineEdit>(page, 1010);
    ClickRow(list, 1);
    QCOMPARE(ip->text(), QStringLiteral("192.168.5.11"));
    Type(ip, QStringLiteral("192.168.5.99"));

    // The chosen camera falls silent; its neighbours answer.
    now += kDeviceSilenceLimit;
    f.Discover({Camera(1, "192.168.5.10"), Camera(3, "192.168.5.12")});
    QSignalSpy current(list, &QTreeWidget::currentItemChanged);
    f.app->Table().CheckExpired(true);
    QCOMPARE(Column(list, 4), QStringList({"192.168.5.10", "192.168.5.12"}));
    QCOMPARE(list->currentItem(), nullptr);
    QVERIFY(list->selectedItems().isEmpty());
    QCOMPARE(current.count(), 0);
    QCOMPARE(ip->text(), QStringLiteral("192.168.5.99")); // what was typed stays

    f.boxes.clear();
    QTest::mouseClick(f.ById<QPushButton>(page, 1015), Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList({QStringLiteral("Please select one device.")}));
    QVERIFY(f.Lines().isEmpty()); // no other camera was changed

    // The user's next click chooses again.
    ClickRow(list, 1);
    QCOMPARE(ip->text(), QStringLiteral("192.168.5.12"));
}

void DeviceListTest::sortingRefillsAndOtherCamerasNeverReloadTheBoxes()
{
    GuiFixture f({}, "0");
    f.Discover({Camera(1, "192.168.5.10"), Camera(2, "192.168.5.11"), Camera(3, "192.168.5.12")});
    CSearchDlg* page = f.dlg->NetworkPage();
    CSortListCtrl* list = page->List();
    QTRY_COMPARE(list->topLevelItemCount(), 3);
    auto* ip = f.ById<QLineEdit>(page, 1010);
    auto* name = f.ById<QLineEdit>(page, 1018);
    ClickRow(list, 0);
    const QString chosen = list->topLevelItem(0)->text(3);
    Type(ip, QStringLiteral("192.168.5.77"));
    Type(name, QStringLiteral("typed"));
    QSignalSpy current(list, &QTreeWidget::currentItemChanged);
    QSignalSpy selection(list, &QTreeWidget::itemSelectionChanged);

    ClickHeader(list, 4); // descending: the chosen row moves to the bottom
    QCOMPARE(Column(list, 4), QStringList({"192.168.5.12", "192.168.5.11", "192.168.5.10"}));
    ClickHeader(list, 2);
    f.Discover({Camera(4, "192.168.5.9"), Camera(2, "192.168.5.2")}); // one new, one moved
    QTRY_COMPARE(list->topLevelItemCount(), 4);
    // A search keystroke refills the list; the chosen camera comes back current.
    auto* search = f.ById<QLineEdit>(f.dlg.get(), 1160);
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("192"));
    QTest::keyClick(search, Qt::Key_Backspace);

    QCOMPARE(ip->text(), QStringLiteral("192.168.5.77"));
    QCOMPARE(name->text(), QStringLiteral("typed"));
    QCOMPARE(current.count(), 0);
    QCOMPARE(selection.count(), 0);
    QVERIFY(list->currentItem() != nullptr);
    QCOMPARE(list->currentItem()->text(3), chosen);
    QVERIFY(list->currentItem()->isSelected());
    QVERIFY(f.boxes.isEmpty());

    // The user moving the current row with the keyboard is a choice.
    list->setFocus();
    const int at = list->indexOfTopLevelItem(list->currentItem());
    QTest::keyClick(list, at + 1 < list->topLevelItemCount() ? Qt::Key_Down : Qt::Key_Up);
    QVERIFY(list->currentItem()->text(3) != chosen);
    QCOMPARE(ip->text(), list->currentItem()->text(4));
}

void DeviceListTest::listStaysInHeaderOrderThroughRefillsFilteredAddsAndRefreshes()
{
    GuiFixture f({}, "0");
    f.Discover({Camera(1, "192.168.5.5"), Camera(2, "192.168.5.30"), Camera(3, "192.168.5.10"),
                Camera(4, "192.168.5.15"), Camera(5, "192.168.5.20")});
    CSortListCtrl* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), 5);
    QVERIFY(InHeaderOrder(list));
    auto* search = f.ById<QLineEdit>(f.dlg.get(), 1160);
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("x"));
    QCOMPARE(list->topLevelItemCount(), 0);
    QTest::keyClick(search, Qt::Key_Backspace);
    QCOMPARE(Column(list, 4),
             QStringList({"192.168.5.5", "192.168.5.10", "192.168.5.15", "192.168.5.20", "192.168.5.30"}));
    QTRY_COMPARE(Column(list, 1), QStringList({"1", "2", "3", "4", "5"}));

    // Under a search text new cameras are added where they belong, and a
    // camera whose address changes moves.
    QTest::keyClicks(search, QStringLiteral("192.168"));
    f.Discover({Camera(6, "192.168.5.12"), Camera(7, "192.168.5.1"), Camera(2, "192.168.5.11")});
    QTRY_COMPARE(list->topLevelItemCount(), 7);
    QCOMPARE(Column(list, 4), QStringList({"192.168.5.1", "192.168.5.5", "192.168.5.10", "192.168.5.11",
                                           "192.168.5.12", "192.168.5.15", "192.168.5.20"}));
    QTRY_COMPARE(Column(list, 1), QStringList({"1", "2", "3", "4", "5", "6", "7"}));

    // The same in text order, descending, and for the list that is not shown.
    ClickHeader(list, 2);
    ClickHeader(list, 2);
    QVERIFY(!list->SortAscending());
    std::vector<tagVtIpcInfo> renamed;
    for (unsigned n = 1; n <= 7; ++n) {
        renamed.push_back(Camera(n, QStringLiteral("192.168.6.%1").arg(n * 37 % 11)));
        std::snprintf(renamed.back().devName, sizeof renamed.back().devName, "cam-%c", 'a' + (n * 5) % 7);
    }
    f.Discover(renamed);
    QTRY_COMPARE(Column(list, 2), QStringList({"cam-g", "cam-f", "cam-e", "cam-d", "cam-c", "cam-b", "cam-a"}));
    QVERIFY(InHeaderOrder(f.dlg->BasicWindow()->List()));
    QCOMPARE(f.dlg->BasicWindow()->List()->topLevelItemCount(), 7);
}

void DeviceListTest::manySilentCamerasLeaveInOnePassOverTheList()
{
    GuiFixture f({}, "0");
    std::int64_t now = 1000;
    f.app->Table().SetClock([&now] { return now; });
    constexpr unsigned kCameras = 2000;
    std::vector<tagVtIpcInfo> cameras;
    for (unsigned n = 1; n <= kCameras; ++n) {
        cameras.push_back(Camera(n, QStringLiteral("10.0.%1.%2").arg(n / 250).arg(n % 250)));
    }
    f.Discover(cameras);
    CSortListCtrl* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), int{kCameras});
    ClickRow(list, 10);
    const QString chosen = list->currentItem()->text(3);

    // Every fourth camera falls silent.
    now += kDeviceSilenceLimit;
    std::vector<tagVtIpcInfo> answering;
    for (unsigned n = 1; n <= kCameras; ++n) {
        if (n % 4 != 0) {
            answering.push_back(cameras[n - 1]);
        }
    }
    f.Discover(answering);
    QAbstractItemModel* model = list->model();
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy cells(model, &QAbstractItemModel::dataChanged);
    f.app->Table().CheckExpired(true);

    QCOMPARE(list->topLevelItemCount(), int{kCameras - kCameras / 4});
    QCOMPARE(f.dlg->BasicWindow()->List()->topLevelItemCount(), int{kCameras - kCameras / 4});
    QCOMPARE(f.app->Table().Count(), std::size_t{kCameras - kCameras / 4});
    // The cost of the removal grows with the list, not with the list times
    // the rows removed: the rows go in one change of the list, and each
    // remaining row is renumbered at most once.
    QVERIFY2(removed.count() + inserted.count() <= 2,
             qPrintable(QStringLiteral("%1 removals, %2 insertions").arg(removed.count()).arg(inserted.count())));
    QVERIFY2(cells.count() <= list->topLevelItemCount(), qPrintable(QString::number(cells.count())));
    QVERIFY(InHeaderOrder(list));
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QCOMPARE(list->topLevelItem(i)->text(1), QString::number(i + 1));
    }
    QVERIFY(list->currentItem() != nullptr);
    QCOMPARE(list->currentItem()->text(3), chosen); // a camera that answered stays current
}

void DeviceListTest::aCameraNameWithLineEndsStaysOnOneLine()
{
    GuiFixture f({}, "0");
    tagVtIpcInfo hostile = Camera(2, "192.168.5.11");
    std::snprintf(hostile.devName, sizeof hostile.devName, "cam\n[2026-01-01]\x1b[2J");
    std::snprintf(hostile.model, sizeof hostile.model, "M\x01\r\n");
    f.Discover({Camera(1, "192.168.5.10"), hostile});
    CSortListCtrl* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("cam\\n[2026-01-01]\\x1B[2J"));
    QCOMPARE(list->topLevelItem(1)->text(8), QStringLiteral("M\\x01\\r\\n"));
    QCOMPARE(list->visualItemRect(list->topLevelItem(1)).height(),
             list->visualItemRect(list->topLevelItem(0)).height());
}

void DeviceListTest::aSearchKeystrokeKeepsTheRowsOfCamerasStillListed()
{
    GuiFixture f({}, "0");
    // A gateway that no search below matches.
    const auto camera = [](unsigned n, const char* ip) {
        tagVtIpcInfo info = Camera(n, QString::fromLatin1(ip));
        std::snprintf(info.gateway, sizeof info.gateway, "%s", "10.9.9.9");
        return info;
    };
    f.Discover({camera(1, "192.168.5.5"), camera(2, "192.168.5.30"), camera(3, "192.168.5.10"),
                camera(4, "192.168.5.15"), camera(5, "192.168.5.20")});
    CSortListCtrl* list = f.dlg->NetworkPage()->List();
    QTRY_COMPARE(list->topLevelItemCount(), 5);
    std::map<QString, QTreeWidgetItem*> before;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        before[list->topLevelItem(i)->text(4)] = list->topLevelItem(i);
    }
    list->topLevelItem(1)->setCheckState(0, Qt::Checked); // 192.168.5.10
    ClickRow(list, 3);                                      // 192.168.5.20
    QSignalSpy inserted(list->model(), &QAbstractItemModel::rowsInserted);

    // Narrowing: the rows of the cameras that still match are the same rows,
    // ticks and the current row included; nothing is inserted.
    auto* search = f.ById<QLineEdit>(f.dlg.get(), 1160);
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("5.1"));
    QCOMPARE(Column(list, 4), QStringList({"192.168.5.10", "192.168.5.15"}));
    QCOMPARE(Column(list, 1), QStringList({"1", "2"}));
    QCOMPARE(list->topLevelItem(0), before["192.168.5.10"]);
    QCOMPARE(list->topLevelItem(1), before["192.168.5.15"]);
    QCOMPARE(list->topLevelItem(0)->checkState(0), Qt::Checked);
    QCOMPARE(list->currentItem(), nullptr); // its camera is not listed now
    QCOMPARE(inserted.count(), 0);

    // A camera that answers with a new name while the search is on shows it
    // at once, and is placed again when the name is the sort column.
    ClickHeader(list, 2);
    tagVtIpcInfo renamed = camera(4, "192.168.5.15");
    std::snprintf(renamed.devName, sizeof renamed.devName, "%s", "aaa-first");
    f.Discover({renamed});
    QTRY_COMPARE(Column(list, 2).value(0), QStringLiteral("aaa-first"));

    // Widening: the kept rows stay, the others come back as new rows, all in
    // header order and numbered by place.
    QTest::keyClick(search, Qt::Key_Backspace);
    QTest::keyClick(search, Qt::Key_Backspace);
    QTest::keyClick(search, Qt::Key_Backspace);
    QCOMPARE(list->topLevelItemCount(), 5);
    QVERIFY(InHeaderOrder(list));
    QCOMPARE(Column(list, 1), QStringList({"1", "2", "3", "4", "5"}));
    QCOMPARE(list->topLevelItem(0)->text(4), QStringLiteral("192.168.5.15"));
    QCOMPARE(list->topLevelItem(0), before["192.168.5.15"]);
    int ticked = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        ticked += list->topLevelItem(i)->checkState(0) == Qt::Checked ? 1 : 0;
    }
    QCOMPARE(ticked, 1);
    // Every camera is held by the list again, so none is let go early.
    for (const DeviceRef& entry : f.app->Table().Entries()) {
        QVERIFY((entry->holders.load() & kHolderNetworkTab) != 0);
    }

    // A refill begun and never ended, then another: the list shows what the
    // second one added, each camera once, and holds only those.
    DeviceListBinding& binding = f.dlg->NetworkPage()->Binding();
    const std::vector<DeviceRef> entries = f.app->Table().Entries();
    tagVtIpcInfo info{};
    binding.ClearRows();
    binding.ScrollToTop();
    QCOMPARE(list->topLevelItemCount(), 0);
    binding.ClearRows();
    for (const DeviceRef& entry : entries) {
        QVERIFY(f.app->Table().Snapshot(*entry, info));
        binding.AddFilteredRow(entry, info);
    }
    binding.ClearRows();
    for (std::size_t i = 0; i < 2; ++i) {
        QVERIFY(f.app->Table().Snapshot(*entries[i], info));
        binding.AddFilteredRow(entries[i], info);
    }
    binding.ScrollToTop();
    QCOMPARE(list->topLevelItemCount(), 2);
    QVERIFY(InHeaderOrder(list));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QCOMPARE((entries[i]->holders.load() & kHolderNetworkTab) != 0, i < 2);
    }
}

QTEST_MAIN(DeviceListTest)
#include "DeviceListTest.moc"
