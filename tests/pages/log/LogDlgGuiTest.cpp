// The log page in the real main window, offscreen, without cameras that
// answer: its lists and texts, the checks made before a camera is asked, and
// the custom download dialog. Cameras sit on loopback addresses nobody serves.
#include "CustomDownloadDlg.h"
#include "GuiFixture.h"
#include "LogDlg.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "SortListCtrl.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>

namespace {
MainWindowOptions WithPages()
{
    MainWindowOptions options = GuiFixture::NoCapture();
    options.addPages = AddZendrixPages;
    return options;
}

CLogDlg* TheLogPage(const GuiFixture& fixture)
{
    QTabWidget* sheet = fixture.dlg->Sheet();
    for (int i = 0; i < sheet->count(); ++i) {
        if (auto* page = qobject_cast<CLogDlg*>(sheet->widget(i))) {
            return page;
        }
    }
    return nullptr;
}

QStringList Items(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) {
        texts << box->itemText(i);
    }
    return texts;
}

void Select(CLogDlg* page, int row)
{
    page->List()->setCurrentItem(page->List()->topLevelItem(row));
}

bool WaitIdle(CLogDlg* page)
{
    return QTest::qWaitFor([page] { return !page->Busy(); }, 10000);
}
} // namespace

class LogDlgGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void thePageComesOnlyWithTheLogSwitch()
    {
        {
            GuiFixture plain({}, "0", WithPages());
            QCOMPARE(TheLogPage(plain), nullptr);
        }
        GuiFixture fixture({"vtlog"}, "0", WithPages());
        CLogDlg* page = TheLogPage(fixture);
        QVERIFY(page != nullptr);
        const int tab = fixture.dlg->Sheet()->indexOf(page);
        QCOMPARE(fixture.dlg->Sheet()->tabText(tab), QStringLiteral("Log"));
        QCOMPARE(page->ShowButton()->text(), QStringLiteral("Show Log"));
        QCOMPARE(page->PageLabel()->text(), QStringLiteral("0/0"));
        QCOMPARE(page->Grid()->headerItem()->text(3), QStringLiteral("Sub Type"));
        QCOMPARE(page->Grid()->columnCount(), 8);
        QCOMPARE(page->StartTime()->time(), QTime(0, 0, 0));
        QCOMPARE(page->StartDate()->date(), QDate::currentDate());
        QCOMPARE(page->StartDate()->displayFormat(), QStringLiteral("yyyy-MM-dd"));
        QCOMPARE(page->EndTime()->displayFormat(), QStringLiteral("HH:mm:ss"));
    }

    void typeListsFollowTheMainTypeAndTheLanguage()
    {
        GuiFixture fixture({"vtlog"}, "0", WithPages());
        CLogDlg* page = TheLogPage(fixture);
        QCOMPARE(Items(page->MainTypeBox()),
                 QStringList({"All Types", "Event", "Operation", "Information", "Exception"}));
        // Only the language files name the sub types: without one, the key shows.
        QCOMPARE(Items(page->SubTypeBox()), QStringList({"31010"}));
        QVERIFY(LangSelectByName(L"English") > 0);
        fixture.dlg->Relabel();
        QCOMPARE(Items(page->SubTypeBox()), QStringList({"All Sub Types"}));
        page->MainTypeBox()->setCurrentIndex(2);
        const QStringList operations = Items(page->SubTypeBox());
        QCOMPARE(operations.size(), 19);
        QCOMPARE(operations.front(), QStringLiteral("All Sub Types"));
        QCOMPARE(operations.at(1), QStringLiteral("Power On"));
        QCOMPARE(operations.back(), QStringLiteral("Download Log"));
        QCOMPARE(page->SubTypeBox()->currentIndex(), 0);
        page->SubTypeBox()->setCurrentIndex(4);

        // Another language relabels everything and keeps both choices.
        QVERIFY(LangSelectByName(L"\u7B80\u4F53\u4E2D\u6587") > 0);
        fixture.dlg->Relabel();
        QCOMPARE(page->MainTypeBox()->currentIndex(), 2);
        QCOMPARE(page->SubTypeBox()->currentIndex(), 4);
        QVERIFY(page->ShowButton()->text() != QStringLiteral("Show Log"));
        QVERIFY(page->MainTypeBox()->itemText(2) != QStringLiteral("Operation"));
        QVERIFY(page->Grid()->headerItem()->text(1) != QStringLiteral("Time"));
    }

    void theRangeMustStartBeforeItEnds()
    {
        GuiFixture fixture({"vtlog"}, "0", WithPages());
        CLogDlg* page = TheLogPage(fixture);
        page->StartDate()->setDate(QDate(2024, 5, 6));
        page->EndDate()->setDate(QDate(2024, 5, 6));
        page->StartTime()->setTime(QTime(10, 0, 0));
        page->EndTime()->setTime(QTime(10, 0, 0));
        QTest::mouseClick(page->QueryButton(), Qt::LeftButton);
        QCOMPARE(fixture.boxes, QStringList({"Please check the time!"}));
        page->EndTime()->setTime(QTime(10, 0, 1));
        QTest::mouseClick(page->QueryButton(), Qt::LeftButton);
        QCOMPARE(fixture.boxes.size(), 1);
        // Nothing is selected, so the accepted query shows nothing.
        QCOMPARE(page->PageLabel()->text(), QStringLiteral("0/0"));
    }

    void fileWorkWantsASelectedCamera()
    {
        GuiFixture fixture({"vtlog"}, "0", WithPages());
        CLogDlg* page = TheLogPage(fixture);
        for (QPushButton* button :
             {page->ShowButton(), page->DownloadButton(), page->ExportButton(), page->CustomButton()}) {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        QCOMPARE(fixture.boxes, QStringList(4, QStringLiteral("Please select one device.")));
        // The page box and the paging buttons do nothing without a result.
        page->PageBox()->setText(QStringLiteral("1"));
        QTest::mouseClick(page->GoButton(), Qt::LeftButton);
        QTest::mouseClick(page->NextButton(), Qt::LeftButton);
        QCOMPARE(page->CurrentPage(), 0);
        QCOMPARE(fixture.boxes.size(), 4);
    }

    void aSharedAddressShowsTheTipsInsteadOfTheButtons()
    {
        GuiFixture fixture({"vtlog"}, "0", WithPages());
        CLogDlg* page = TheLogPage(fixture);
        fixture.Discover({MakeCamera(1, "127.0.0.7", 1, "One", "VT-C3190A"),
                          MakeCamera(2, "127.0.0.7", 1, "Two", "VT-C3190A"),
                          MakeCamera(3, "127.0.0.8", 1, "Three", "VT-C2150")});
        QTRY_COMPARE(page->List()->topLevelItemCount(), 3);
        fixture.dlg->Sheet()->setCurrentWidget(page);
        Select(page, 0);
        QVERIFY(page->TipsLabel()->isVisible());
        QCOMPARE(page->TipsLabel()->text(),
                 QStringLiteral("Ip address conflict! Please modify IP at first!"));
        QVERIFY(!page->ShowButton()->isVisible());
        QVERIFY(!page->DownloadButton()->isVisible());
        QVERIFY(!page->ExportButton()->isVisible());
        QVERIFY(page->CustomButton()->isVisible());
        QVERIFY2(!page->Busy(), "nothing is asked of the camera");
        QTest::mouseClick(page->CustomButton(), Qt::LeftButton);
        QCOMPARE(fixture.boxes, QStringList({"Please select one device."}));

        // Another camera brings the buttons back; it cannot be reached.
        Select(page, 2);
        QVERIFY(!page->TipsLabel()->isVisible());
        QVERIFY(page->ShowButton()->isVisible());
        QVERIFY(WaitIdle(page));
        QTRY_VERIFY(!fixture.Lines()
                         .filter(QStringLiteral("[00:1A:2B:3C:4D:03] 127.0.0.8 Can not access device."))
                         .isEmpty());
        // It is no A model: no custom download, and no dialog.
        bool dialogShown = false;
        page->SetCustomDialogHook([&](CCustomDownloadDlg&) { return dialogShown = true; });
        QTest::mouseClick(page->CustomButton(), Qt::LeftButton);
        QCOMPARE(fixture.boxes.back(), QStringLiteral("TI camera don't support this operation yet!"));
        QVERIFY(!dialogShown);
        QCOMPARE(page->PageLabel()->text(), QStringLiteral("0/0"));
    }

    void theCustomDialogKeepsItsChoiceAndWantsAName()
    {
        GuiFixture fixture({"vtlog"}, "0", WithPages());
        CCustomDownloadDlg dialog(1, "record/clip.avi");
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Custom Download"));
        QCOMPARE(dialog.KindBox()->currentIndex(), 1);
        QCOMPARE(Items(dialog.KindBox()), QStringList({"SD Files", "Other Files"}));
        QCOMPARE(dialog.NameBox()->text(), QStringLiteral("record/clip.avi"));
        dialog.NameBox()->clear();
        dialog.accept();
        QVERIFY2(dialog.isVisible(), "an empty name keeps the dialog open");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.KindBox()->setCurrentIndex(0);
        dialog.NameBox()->setText(QString(300, QChar(0x65E5)));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Kind(), 0);
        QVERIFY(dialog.RemoteName().size() <= 255);
        QCOMPARE(dialog.RemoteName().size() % 3, std::size_t(0));
    }
};

QTEST_MAIN(LogDlgGuiTest)
#include "LogDlgGuiTest.moc"
