#include "FilteredEdit.h"
#include "LangTable.h"
#include "LangWidgets.h"
#include "MessageBox.h"
#include "ProgramFolder.h"
#include "SortListCtrl.h"
#include "SortOrder.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
QStringList Column(const CSortListCtrl& list, int column)
{
    QStringList texts;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        texts << list.topLevelItem(i)->text(column);
    }
    return texts;
}

void ClickHeader(CSortListCtrl& list, int column)
{
    QHeaderView* header = list.header();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}
} // namespace

class UiControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void headerClicksSortAddressesByNumberAndTextWithoutCase();
    void numberAndTickColumnsNeverSort();
    void insertedRowsFollowTheCurrentOrder();
    void addressKeysReadEveryShapeOfText();
    void batchesOfRowsLandWhereOneStableSortPutsThem();
    void columnOrderCopiesBetweenLists();
    void filteredEditDropsRefusedCharacters();
    void messageBoxHookSeesTheLanguageText();
    void relabellingWalksWidgetsAndMenusByTheirIds();

private:
    static void Fill(CSortListCtrl& list)
    {
        list.setColumnCount(4);
        list.SetAddressColumns(2);
        list.SetNumberColumn(1);
        const char* rows[][2] = {{"cam-b", "192.168.1.1"}, {"CAM-A", "10.0.0.10"}, {" cam-c", "10.0.0.2"}};
        int n = 1;
        for (const auto& row : rows) {
            auto* item = new QTreeWidgetItem;
            item->setText(1, QString::number(n++));
            item->setText(2, QString::fromLatin1(row[1]));
            item->setText(3, QString::fromLatin1(row[0]));
            list.addTopLevelItem(item);
        }
        list.resize(600, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
    }
};

void UiControlsTest::headerClicksSortAddressesByNumberAndTextWithoutCase()
{
    CSortListCtrl list;
    Fill(list);
    QSignalSpy sorted(&list, &CSortListCtrl::listSorted);
    QSignalSpy changed(&list, &CSortListCtrl::sortChanged);

    ClickHeader(list, 2);
    QCOMPARE(Column(list, 2), QStringList({"10.0.0.2", "10.0.0.10", "192.168.1.1"}));
    QCOMPARE(sorted.count(), 1);
    QCOMPARE(changed.last().at(0).toInt(), 2);
    QCOMPARE(changed.last().at(1).toBool(), true);
    ClickHeader(list, 2);
    QCOMPARE(Column(list, 2), QStringList({"192.168.1.1", "10.0.0.10", "10.0.0.2"}));
    QCOMPARE(changed.last().at(1).toBool(), false);

    ClickHeader(list, 3);
    QCOMPARE(Column(list, 3), QStringList({"CAM-A", "cam-b", " cam-c"}));
    QVERIFY(list.SortAscending());
    QCOMPARE(sorted.count(), 3);
}

void UiControlsTest::numberAndTickColumnsNeverSort()
{
    CSortListCtrl list;
    Fill(list);
    QSignalSpy sorted(&list, &CSortListCtrl::listSorted);
    const QStringList before = Column(list, 2);
    ClickHeader(list, 1);
    ClickHeader(list, 0);
    QCOMPARE(Column(list, 2), before);
    QCOMPARE(sorted.count(), 0);
}

void UiControlsTest::insertedRowsFollowTheCurrentOrder()
{
    CSortListCtrl list;
    Fill(list);
    list.Sort(3, true);
    auto* row = new QTreeWidgetItem;
    row->setText(2, QStringLiteral("1.1.1.1"));
    row->setText(3, QStringLiteral("cam-bb"));
    list.InsertSorted(row);
    QCOMPARE(Column(list, 3),
             QStringList({"CAM-A", "cam-b", "cam-bb", " cam-c"})); // placed by its name, not by its address
    list.Sort(2, false);
    auto* another = new QTreeWidgetItem;
    another->setText(2, QStringLiteral("10.0.0.5"));
    list.InsertSorted(another);
    QCOMPARE(Column(list, 2), QStringList({"192.168.1.1", "10.0.0.10", "10.0.0.5", "10.0.0.2", "1.1.1.1"}));
}

void UiControlsTest::columnOrderCopiesBetweenLists()
{
    CSortListCtrl a;
    CSortListCtrl b;
    Fill(a);
    Fill(b);
    a.header()->moveSection(3, 1);
    b.SetColumnOrder(a.ColumnOrder());
    QCOMPARE(b.ColumnOrder(), std::vector<int>({0, 3, 1, 2}));
}

void UiControlsTest::filteredEditDropsRefusedCharacters()
{
    CFilteredEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QTest::keyClicks(&edit, QStringLiteral("a;b=c'd+e"));
    QCOMPARE(edit.text(), QStringLiteral("abcde"));
    edit.clear();
    for (QChar c : QStringLiteral("x\uFF1By\u3001z\u2018w\u2019")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&edit, &press);
    }
    QCOMPARE(edit.text(), QStringLiteral("xyzw"));
    edit.clear();
    edit.insert(QStringLiteral("pasted;text"));
    emit edit.textEdited(edit.text());
    QCOMPARE(edit.text(), QStringLiteral("pastedtext"));
}

void UiControlsTest::messageBoxHookSeesTheLanguageText()
{
    QString seen;
    ZxSetMessageBoxHook([&seen](const QString& text, ZxButtons buttons) {
        seen = text;
        return buttons == ZxButtons::YesNo ? ZxAnswer::No : ZxAnswer::Ok;
    });
    QCOMPARE(ZxMessageBox(90006), ZxAnswer::Ok);
    QCOMPARE(seen, QStringLiteral("Invalid IP address."));
    QCOMPARE(ZxMessageBox(90036, ZxButtons::YesNo), ZxAnswer::No);
    QCOMPARE(seen, QStringLiteral("Are you sure to clear operation log?"));
    ZxSetMessageBoxHook({});
}

void UiControlsTest::relabellingWalksWidgetsAndMenusByTheirIds()
{
    QTemporaryDir folder;
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("Lang"))));
    QFile file(folder.filePath(QStringLiteral("Lang/Test.lng")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[LANGUAGE]\nLanguage=Testish\nLangID=7\n[ABOUT]\n1001=Fassung\n1=Gut\n"
               "[BTNMENU]\n32773=Ueber\n|1=Sprachen\n|1|0=Erste\n");
    file.close();
    PlatformSetProgramFolder(folder.path().toStdString());
    QCOMPARE(LangSelectByName(L"testish"), 7);

    QWidget window;
    auto* version = new QLabel(QStringLiteral("Version"), &window);
    SetCtrlId(version, 1001);
    auto* ok = new QPushButton(QStringLiteral("OK"), &window);
    SetCtrlId(ok, 1);
    auto* untouched = new QLabel(QStringLiteral("keep"), &window);
    SetCtrlId(untouched, 1003);
    LangRelabelWindow(&window, "ABOUT");
    QCOMPARE(version->text(), QStringLiteral("Fassung"));
    QCOMPARE(ok->text(), QStringLiteral("Gut"));
    QCOMPARE(untouched->text(), QStringLiteral("keep"));

    QMenu menu;
    SetCommandId(menu.addAction(QStringLiteral("About")), 32773);
    QMenu* sub = menu.addMenu(QStringLiteral("Languages"));
    QMenu* deeper = sub->addMenu(QStringLiteral("First"));
    deeper->addAction(QStringLiteral("plain"));
    LangRelabelMenu(&menu, "BTNMENU");
    QCOMPARE(menu.actions()[0]->text(), QStringLiteral("Ueber"));
    QCOMPARE(menu.actions()[1]->text(), QStringLiteral("Sprachen"));
    QCOMPARE(sub->actions()[0]->text(), QStringLiteral("Erste"));

    QMenu popup;
    SetCommandId(popup.addAction(QStringLiteral("placeholder")), 99);
    LangBuildMenu(&popup);
    QCOMPARE(popup.actions().size(), 1);
    QCOMPARE(popup.actions()[0]->text(), QStringLiteral("Testish"));
    QVERIFY(popup.actions()[0]->isChecked());

    LangClearSelection();
    PlatformSetProgramFolder("");
}

void UiControlsTest::addressKeysReadEveryShapeOfText()
{
    const auto key = [](const char* text) { return AddressSortKey(QString::fromLatin1(text)); };
    QCOMPARE(key("192.168.1.10"), 0xC0A8010Au);
    QCOMPARE(key("010.001.000.009"), 0x0A010009u);
    // Parts that cannot be read count as 0; missing parts too; a fifth is ignored.
    QCOMPARE(key("1..3.4"), 0x01000304u);
    QCOMPARE(key("1.2.3"), 0x01020300u);
    QCOMPARE(key("1.2.3.4.5"), 0x01020304u);
    QCOMPARE(key(""), 0u);
    QCOMPARE(key("1.x.3.4"), 0x01000304u);
    // A number is cut to its last byte; one beyond 32 bits cannot be read.
    QCOMPARE(key("256.257.1.1"), 0x00010101u);
    QCOMPARE(key("4294967296.1.1.1"), 0x00010101u);
    QCOMPARE(key("99999999999999999999.1.1.1"), 0x00010101u);
    // Spaces around the text or a part are allowed.
    QCOMPARE(key(" 10.0.0.1 "), 0x0A000001u);
    QCOMPARE(key("10. 0 .0.1"), 0x0A000001u);
}

void UiControlsTest::batchesOfRowsLandWhereOneStableSortPutsThem()
{
    for (const bool ascending : {true, false}) {
        for (const int column : {2, 3}) {
            CSortListCtrl list;
            list.setColumnCount(4);
            list.SetAddressColumns(2);
            list.Sort(column, ascending);
            // Equal keys in every batch and across batches; the tag tells
            // rows with one key apart, in the order they arrived.
            QStringList arrived;
            int tag = 0;
            for (int batch = 0; batch < 6; ++batch) {
                QList<QTreeWidgetItem*> rows;
                const int size = batch == 0 ? 5 : (batch % 2 == 0 ? 40 : 3);
                for (int i = 0; i < size; ++i) {
                    const int n = (batch * 37 + i * 11) % 9;
                    auto* row = new QTreeWidgetItem;
                    row->setText(1, QString::number(tag++));
                    row->setText(2, QStringLiteral("10.0.%1.%2").arg(n % 3).arg(n * 7 % 5));
                    row->setText(3, QStringLiteral("cam-%1").arg(QChar('a' + n % 4)));
                    rows << row;
                    arrived << row->text(1);
                }
                list.AddRows(rows);
            }
            // What one stable sort of every row in arrival order gives.
            std::vector<std::pair<QString, QString>> expected;
            for (int i = 0; i < list.topLevelItemCount(); ++i) {
                expected.emplace_back(list.topLevelItem(i)->text(column), list.topLevelItem(i)->text(1));
            }
            std::sort(expected.begin(), expected.end(), [&arrived](const auto& a, const auto& b) {
                return arrived.indexOf(a.second) < arrived.indexOf(b.second);
            });
            const auto less = [&](const auto& a, const auto& b) {
                const int order = column == 2 ? (AddressSortKey(a.first) < AddressSortKey(b.first)
                                                      ? -1
                                                      : AddressSortKey(a.first) > AddressSortKey(b.first))
                                              : QString::localeAwareCompare(TextSortKey(a.first), TextSortKey(b.first));
                return ascending ? order < 0 : order > 0;
            };
            std::stable_sort(expected.begin(), expected.end(), less);
            QStringList want;
            for (const auto& [text, rowTag] : expected) {
                want << rowTag;
            }
            QCOMPARE(Column(list, 1), want);
        }
    }
}

QTEST_MAIN(UiControlsTest)
#include "UiControlsTest.moc"
