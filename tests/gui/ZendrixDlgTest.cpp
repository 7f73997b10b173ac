// The main window as a whole: first start and the settings it saves, the
// language menu, basic mode, the count by model, the caption and the window
// buttons, and a missing capture permission.
#include "CameraAccess.h"
#include "GuiFixture.h"
#include "SearchDlg.h"
#include "SettingsStore.h"
#include "SortListCtrl.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

class ZendrixDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStartIsBasicModeWithDefaultLoginAndSavesOnExit();
    void languageChangeRelabelsEveryWindow();
    void basicModeAndBackKeepsTheColumnOrder();
    void countByModelWithTheOemSwitch();
    void captionDoubleClickMaximisesAndRestores();
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
