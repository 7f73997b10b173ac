// The batch set page and its "System" sub-page in the real main window,
// offscreen. Cameras sit on loopback ports nothing listens on, so every login
// is refused at once and nothing leaves the machine.
#include "BatchSetDlg.h"

#include "../../gui/GuiFixture.h"
#include "BatchRunner.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "RebootQueue.h"
#include "SortListCtrl.h"
#include "SystemParamDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QUrl>

namespace {
MainWindowOptions WithPages()
{
    MainWindowOptions options = GuiFixture::NoCapture();
    options.addPages = AddZendrixPages;
    return options;
}

tagVtIpcInfo Listed(unsigned char last, const char* ip, int port = 9)
{
    return MakeCamera(last, ip, port, "Cam", "VT-C6121");
}

void ClickRow(QTreeWidget* list, int row)
{
    const QRect cell = list->visualRect(list->model()->index(row, 4));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

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

// The page of a fixture, shown, with its controls.
struct Page
{
    explicit Page(GuiFixture& fixture) : f(fixture)
    {
        page = qobject_cast<CBatchSetDlg*>(f.dlg->Sheet()->widget(1));
        if (page == nullptr) {
            return;
        }
        f.dlg->Sheet()->setCurrentWidget(page);
        list = page->List();
        system = page->SystemPage();
        save = f.ById<QPushButton>(page, 1043);
        warning = f.ById<QLabel>(page, 1021);
        name = f.ById<QLineEdit>(system, 1018);
        password = f.ById<QLineEdit>(system, 1029);
        confirm = f.ById<QLineEdit>(system, 1031);
        sntp = f.ById<QRadioButton>(system, 1047);
        server = f.ById<QLineEdit>(system, 1152);
        zone = f.ById<QComboBox>(system, 1048);
    }
    // Presses "Save Parameters" and returns the message box it showed, if any.
    QString Save()
    {
        const qsizetype before = f.boxes.size();
        QTest::mouseClick(save, Qt::LeftButton);
        return f.boxes.size() > before ? f.boxes.back() : QString();
    }

    GuiFixture& f;
    CBatchSetDlg* page = nullptr;
    CSortListCtrl* list = nullptr;
    CSystemParamDlg* system = nullptr;
    QPushButton* save = nullptr;
    QLabel* warning = nullptr;
    QLineEdit* name = nullptr;
    QLineEdit* password = nullptr;
    QLineEdit* confirm = nullptr;
    QRadioButton* sntp = nullptr;
    QLineEdit* server = nullptr;
    QComboBox* zone = nullptr;
};
} // namespace

class BatchSetDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void startsWithNothingToSaveAndTheSystemDefaults();
    void everySaveMessageInItsOrderWithItsFocus();
    void tickedCamerasKeepTheirNamesAndGetTheirLinesInOrder();
    void sharedIpShowsTheWarningAndBlocksSaving();
    void doubleClickOpensTheWebPageUnlessARestorePauses();
};

void BatchSetDlgTest::startsWithNothingToSaveAndTheSystemDefaults()
{
    GuiFixture f({}, "0", WithPages());
    Page p(f);
    QVERIFY(p.page != nullptr);
    QCOMPARE(f.dlg->Sheet()->tabText(1), QStringLiteral("Batch Set"));
    QCOMPARE(p.page->SubSheet()->tabText(0), QStringLiteral("System"));
    QVERIFY(!p.save->isEnabled());
    QVERIFY(!p.warning->isVisible());
    QCOMPARE(p.zone->count(), 117);
    QCOMPARE(p.zone->currentText(), QStringLiteral("8 China (Beijing)"));
    QCOMPARE(p.zone->itemText(26), QStringLiteral("-4 Trinidad&amp;Tobago"));
    QCOMPARE(f.ById<QComboBox>(p.system, 1150)->currentText(), QStringLiteral("Disabled"));
    QCOMPARE(f.ById<QLineEdit>(p.system, 1027)->text(), QStringLiteral("admin"));
    QCOMPARE(p.password->text(), QString::fromStdWString(f.dlg->LoginPasswordText()));
    QVERIFY(f.ById<QRadioButton>(p.system, 1044)->isChecked());
    QVERIFY(!p.server->isEnabled());
    p.sntp->setChecked(true);
    QVERIFY(p.server->isEnabled());
    QVERIFY(!f.ById<QWidget>(p.system, 1034)->isEnabled());
    f.ById<QRadioButton>(p.system, 1046)->setChecked(true);
    QVERIFY(f.ById<QWidget>(p.system, 1034)->isEnabled());
    QVERIFY(!p.server->isEnabled());

    // No camera: the target rule asks for one.
    QVERIFY(p.page->ApplyTargets().empty());
    QCOMPARE(f.boxes, QStringList({QStringLiteral("Please select one device.")}));
}

void BatchSetDlgTest::everySaveMessageInItsOrderWithItsFocus()
{
    GuiFixture f({}, "0", WithPages());
    Page p(f);
    f.dlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.dlg.get()));
    f.Discover({Listed(1, "127.0.0.1")});
    QTRY_COMPARE(p.list->topLevelItemCount(), 1);
    ClickRow(p.list, 0);
    // The name shows before the login is tried; the refused login is one line.
    QCOMPARE(p.name->text(), QStringLiteral("Cam"));
    QTRY_COMPARE(f.Lines().filter(QStringLiteral("Can not access device. Please check it's network settings.")).size(),
                 1);
    QVERIFY(f.Lines().back().contains(QStringLiteral("[00:1A:2B:3C:4D:01] 127.0.0.1 ")));
    QVERIFY(p.save->isEnabled());

    p.name->setText(QStringLiteral("   "));
    QCOMPARE(p.Save(), QStringLiteral("Field can't be empty."));
    QVERIFY(p.name->hasFocus());

    p.name->setText(QStringLiteral("Gate\"1"));
    QCOMPARE(p.Save(), QStringLiteral("Device name can't contain these characters &/\\:*?'\"<>|%"));
    QVERIFY(p.name->hasFocus());

    p.name->setText(QStringLiteral("Gate 1"));
    p.password->setText(QStringLiteral("abc"));
    p.confirm->setText(QStringLiteral("xyz"));
    QCOMPARE(p.Save(), QStringLiteral("Password can't be less than 4 characters."));
    QVERIFY(p.password->hasFocus());

    p.password->setText(QStringLiteral("abcd"));
    QCOMPARE(p.Save(), QStringLiteral("The two passwords do not match!"));
    QVERIFY(p.confirm->hasFocus());

    p.confirm->setText(QStringLiteral(" abcd "));
    p.sntp->setChecked(true);
    p.server->setText(QStringLiteral("  "));
    p.password->setFocus();
    QCOMPARE(p.Save(), QStringLiteral("SNTP server can't be empty."));
    QVERIFY(!p.server->hasFocus());

    // A valid form goes to the camera, which cannot be reached.
    p.server->setText(QStringLiteral("ntp.lab"));
    QCOMPARE(p.Save(), QString());
    QTRY_COMPARE(f.Lines().filter(QStringLiteral("Set system parameters failed. Can not access device.")).size(), 1);
    QTRY_VERIFY(p.save->isEnabled());
    QCOMPARE(p.page->findChild<QLabel*>(QStringLiteral("batchProgress"))->text(), QStringLiteral("1/1"));

    // Typed characters the camera cannot store never reach the box, and a
    // character that would take the name past 31 bytes is not taken.
    p.name->clear();
    QTest::keyClicks(p.name, QStringLiteral("a;b=c'd+e"));
    QCOMPARE(p.name->text(), QStringLiteral("abcde"));
    p.name->clear();
    p.name->setFocus();
    for (int i = 0; i < 11; ++i) {
        QInputMethodEvent commit;
        commit.setCommitString(QString(QChar(0x95E8)));
        QApplication::sendEvent(p.name, &commit);
    }
    QCOMPARE(p.name->text(), QString(10, QChar(0x95E8)));
}

void BatchSetDlgTest::tickedCamerasKeepTheirNamesAndGetTheirLinesInOrder()
{
    GuiFixture f({}, "0", WithPages());
    Page p(f);
    f.Discover({Listed(1, "127.0.0.3"), Listed(2, "127.0.0.2"), Listed(3, "127.0.0.4")});
    QTRY_COMPARE(p.list->topLevelItemCount(), 3);
    QVERIFY(p.name->isEnabled());
    p.list->topLevelItem(2)->setCheckState(0, Qt::Checked);
    p.list->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QVERIFY(p.page->TickedMode());
    QVERIFY(!p.name->isEnabled());
    QTRY_VERIFY(p.save->isEnabled()); // once the reference camera's load ended

    p.name->setText(QString());
    QCOMPARE(p.Save(), QString()); // an empty name is fine when cameras are ticked
    const QString failed = QStringLiteral("Set system parameters failed. Can not access device.");
    QTRY_COMPARE(f.Lines().filter(failed).size(), 2);
    const QStringList lines = f.Lines().filter(failed);
    // List order (sorted by IP), not the order of ticking.
    QVERIFY(lines[0].contains(QStringLiteral("127.0.0.2 ")));
    QVERIFY(lines[1].contains(QStringLiteral("127.0.0.4 ")));
    QTRY_COMPARE(p.page->findChild<QLabel*>(QStringLiteral("batchProgress"))->text(), QStringLiteral("2/2"));

    p.list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QVERIFY(!p.name->isEnabled());
    p.list->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
    QVERIFY(!p.page->TickedMode());
    QVERIFY(p.name->isEnabled());
    QVERIFY2(!p.save->isEnabled(), "nothing selected and nothing ticked");

    // Select All ticks every row; unticking it leaves ticked mode.
    auto* selectAll = f.ById<QCheckBox>(p.page, 1020);
    QTest::mouseClick(selectAll, Qt::LeftButton, {}, QPoint(6, selectAll->height() / 2));
    QCOMPARE(static_cast<int>(p.page->Binding().TickedRows().size()), 3);
    QVERIFY(!p.name->isEnabled());
    QTest::mouseClick(selectAll, Qt::LeftButton, {}, QPoint(6, selectAll->height() / 2));
    QVERIFY(p.page->Binding().TickedRows().empty());
    QVERIFY(p.name->isEnabled());
}

void BatchSetDlgTest::sharedIpShowsTheWarningAndBlocksSaving()
{
    GuiFixture f({}, "0", WithPages());
    Page p(f);
    f.Discover({Listed(1, "127.0.0.7"), Listed(2, "127.0.0.7"), Listed(3, "127.0.0.8")});
    QTRY_COMPARE(p.list->topLevelItemCount(), 3);
    QCOMPARE(p.warning->text(), QStringLiteral("Ip address conflict! Please modify IP at first!"));

    QTreeWidgetItem* other = p.list->topLevelItem(2);
    QCOMPARE(other->text(4), QStringLiteral("127.0.0.8"));
    other->setCheckState(0, Qt::Checked);
    QVERIFY(!p.warning->isVisible());
    QTRY_VERIFY(p.save->isEnabled()); // once the reference camera's load ended

    QTreeWidgetItem* shared = p.list->topLevelItem(1);
    shared->setCheckState(0, Qt::Checked);
    QVERIFY(p.warning->isVisible());
    QVERIFY(!p.save->isEnabled());
    QCOMPARE(p.list->currentItem(), shared);
    QCOMPARE(p.Save(), QString());
    QVERIFY2(f.Lines().filter(QStringLiteral("Set system parameters")).isEmpty(), "nothing was sent");

    shared->setCheckState(0, Qt::Unchecked);
    QVERIFY(!p.warning->isVisible());
    QTRY_VERIFY(p.save->isEnabled()); // the unreachable reference camera is tried again
    other->setCheckState(0, Qt::Unchecked);

    // Clicking either camera of the pair loads nothing.
    const qsizetype lines = f.Lines().size();
    ClickRow(p.list, 0);
    QVERIFY(p.warning->isVisible());
    QVERIFY(!p.save->isEnabled());
    QTest::qWait(200);
    QCOMPARE(f.Lines().size(), lines); // no login was tried

    // A third camera on the same address arriving while the pair is ticked.
    auto* selectAll = f.ById<QCheckBox>(p.page, 1020);
    QTest::mouseClick(selectAll, Qt::LeftButton, {}, QPoint(6, selectAll->height() / 2));
    QVERIFY(p.warning->isVisible());
    QTest::mouseClick(selectAll, Qt::LeftButton, {}, QPoint(6, selectAll->height() / 2));
    QVERIFY2(p.warning->isVisible(), "the selected camera still shares its address");
    f.Discover({Listed(4, "127.0.0.9")});
    QTRY_COMPARE(p.list->topLevelItemCount(), 4);
    ClickRow(p.list, 2);
    QVERIFY(!p.warning->isVisible());
    QTRY_VERIFY(p.save->isEnabled()); // once the camera's load ended
}

void BatchSetDlgTest::doubleClickOpensTheWebPageUnlessARestorePauses()
{
    GuiFixture f({}, "0", WithPages());
    Page p(f);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
    const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); });
    f.Discover({Listed(1, "127.0.0.5", 8080), Listed(2, "127.0.0.6", 80)});
    QTRY_COMPARE(p.list->topLevelItemCount(), 2);

    DoubleClickRow(p.list, 0);
    QVERIFY2(p.list->topLevelItem(0)->checkState(0) == Qt::Checked, "the double click ticks the row");
    QVERIFY(p.page->TickedMode());
    QTRY_COMPARE(catcher.opened, QList<QUrl>({QUrl(QStringLiteral("http://127.0.0.5:8080"))}));
    DoubleClickRow(p.list, 1);
    QTRY_COMPARE(catcher.opened.size(), 2);
    QCOMPARE(catcher.opened.back(), QUrl(QStringLiteral("http://127.0.0.6")));

    // After a factory restore, web pages wait with the reboots.
    p.page->Reboots().StartRestorePause();
    DoubleClickRow(p.list, 1);
    QTest::qWait(1000);
    QCOMPARE(catcher.opened.size(), 2);
    QVERIFY(p.page->Reboots().RestorePaused());
}

QTEST_MAIN(BatchSetDlgTest)
#include "BatchSetDlgTest.moc"
