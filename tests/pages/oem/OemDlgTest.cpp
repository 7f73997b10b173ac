// The OEM page in the real main window, offscreen, with cameras reported the
// way the capture threads report them. Every camera here answers at a
// loopback address, and every case stops before an upload would start: the
// uploads themselves are tried in the lab.
#include "OemDlg.h"

#include "BatchRunner.h"
#include "GuiFixture.h"
#include "OemFile.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <fstream>

namespace {
MainWindowOptions WithPages()
{
    MainWindowOptions options = GuiFixture::NoCapture();
    options.addPages = AddZendrixPages;
    return options;
}

// The program as started with the vtoem switch, outside basic mode, the OEM
// tab shown and login boxes filled.
struct OemFixture : GuiFixture
{
    OemFixture() : GuiFixture({"vtoem"}, "0", WithPages())
    {
        page = qobject_cast<COemDlg*>(dlg->Sheet()->widget(dlg->Sheet()->count() - 1));
        if (page != nullptr) {
            dlg->Sheet()->setCurrentWidget(page);
        }
        ById<QLineEdit>(dlg.get(), 1039)->setText(QStringLiteral("admin"));
        ById<QLineEdit>(dlg.get(), 1029)->setText(QStringLiteral("secret"));
    }

    QTreeWidget* List() const { return page->List(); }
    QTreeWidgetItem* Row(int i) const { return List()->topLevelItem(i); }
    QPushButton* UploadButton() const { return ById<QPushButton>(page, 1145); }
    QLabel* Tips() const { return ById<QLabel>(page, 1021); }
    QLineEdit* Edit(unsigned id) const { return ById<QLineEdit>(page, id); }
    void ClickRow(int row, int column = 4)
    {
        const QRect cell = List()->visualRect(List()->model()->index(row, column));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void Tick(int row, bool on) { Row(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked); }

    COemDlg* page = nullptr;
};

tagVtIpcInfo Listed(unsigned char last, const char* ip, const char* model = "VT-C6102")
{
    return MakeCamera(last, ip, 80, "Cam", model);
}

std::string WriteFile(const QString& path, std::size_t size)
{
    std::ofstream(path.toStdString(), std::ios::binary) << std::string(size, 'p');
    return path.toStdString();
}
} // namespace

class OemDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void pageIsTheLastTabOnlyWithTheSwitch();
    void tickedRowSharingAnAddressBlocksUpload();
    void selectedRowIsTheTargetWhenNothingIsTicked();
    void uploadChecksTheBoxesInOrder();
    void unwritableOemFileStopsBeforeAnyCamera();
    void countButtonTalliesThisPagesCameras();
    void browseKeepsTenSmallFiles();
    void searchFilterRefillsThisList();
    void relabelsInChinese();
};

void OemDlgTest::pageIsTheLastTabOnlyWithTheSwitch()
{
    {
        OemFixture f;
        QVERIFY(f.page != nullptr);
        QCOMPARE(f.dlg->Sheet()->tabText(f.dlg->Sheet()->count() - 1), QStringLiteral("OEM"));
        QVERIFY(f.ById<QPushButton>(f.dlg.get(), 1148)->isVisible());
        QVERIFY(!f.UploadButton()->isEnabled());
        QVERIFY(!f.Tips()->isVisible());
        auto* version = f.ById<QComboBox>(f.page, 1150);
        QCOMPARE(version->count(), 5);
        QCOMPARE(version->currentText(), QStringLiteral("1"));
        QCOMPARE(f.Edit(1146)->maxLength(), 24);
    }
    GuiFixture plain({}, "0", WithPages());
    for (int i = 0; i < plain.dlg->Sheet()->count(); ++i) {
        QVERIFY(qobject_cast<COemDlg*>(plain.dlg->Sheet()->widget(i)) == nullptr);
    }
    QVERIFY(!plain.ById<QPushButton>(plain.dlg.get(), 1148)->isVisible());
}

void OemDlgTest::tickedRowSharingAnAddressBlocksUpload()
{
    OemFixture f;
    f.Discover(
        {Listed(1, "127.0.0.11"), Listed(2, "127.0.0.12"), Listed(3, "127.0.0.13"), Listed(4, "127.0.0.12")});
    QTRY_COMPARE(f.List()->topLevelItemCount(), 4);
    // Sorted by IP: .11, .12, .12, .13.
    f.Tick(0, true);
    QVERIFY(f.page->CheckedMode());
    QVERIFY(f.UploadButton()->isEnabled());
    QVERIFY(!f.Tips()->isVisible());
    f.Tick(3, true);
    QVERIFY(f.UploadButton()->isEnabled());
    f.Tick(2, true);
    QVERIFY(!f.UploadButton()->isEnabled());
    QVERIFY(f.Tips()->isVisible());
    QCOMPARE(f.List()->currentItem(), f.Row(2));
    QCOMPARE(f.Tips()->text(), QStringLiteral("Ip address conflict! Please modify IP at first!"));

    // The camera that shared its address moves away: the conflict ends.
    tagVtIpcInfo moved = Listed(4, "127.0.0.14");
    f.Discover({moved}, 3);
    QTRY_VERIFY(f.UploadButton()->isEnabled());
    QVERIFY(!f.Tips()->isVisible());

    // Select All ticks everything; unticking it drops checked mode.
    auto* selectAll = f.ById<QCheckBox>(f.page, 1020);
    selectAll->click();
    QCOMPARE(f.List()->topLevelItemCount(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(f.Row(i)->checkState(0), Qt::Checked);
    }
    selectAll->click();
    QVERIFY(!f.page->CheckedMode());
    QVERIFY(!f.Tips()->isVisible());
}

void OemDlgTest::selectedRowIsTheTargetWhenNothingIsTicked()
{
    OemFixture f;
    f.Discover({Listed(1, "127.0.0.21"), Listed(2, "127.0.0.22"), Listed(3, "127.0.0.22")});
    QTRY_COMPARE(f.List()->topLevelItemCount(), 3);
    f.ClickRow(0);
    QVERIFY(f.UploadButton()->isEnabled());
    f.ClickRow(1);
    QVERIFY(f.Tips()->isVisible());
    QVERIFY(!f.UploadButton()->isEnabled());
    f.ClickRow(0);
    QVERIFY(!f.Tips()->isVisible());

    // Ticking the camera with the shared address, then unticking it, brings
    // back the selected row as the target.
    f.Tick(2, true);
    QVERIFY(!f.UploadButton()->isEnabled());
    f.Tick(2, false);
    QVERIFY(!f.page->CheckedMode());
    QVERIFY(!f.ById<QCheckBox>(f.page, 1020)->isChecked());
    QVERIFY2(f.List()->currentItem() == f.Row(2), "the conflict check selected it");
    QVERIFY(!f.UploadButton()->isEnabled());
    // A click beside the tick box of a ticked row unticks it and selects it.
    f.Tick(0, true);
    f.ClickRow(0);
    QCOMPARE(f.Row(0)->checkState(0), Qt::Unchecked);
    QVERIFY(!f.page->CheckedMode());
    QVERIFY(f.UploadButton()->isEnabled());
}

void OemDlgTest::uploadChecksTheBoxesInOrder()
{
    OemFixture f;
    f.Discover({Listed(1, "127.0.0.31")});
    QTRY_COMPARE(f.List()->topLevelItemCount(), 1);
    f.ClickRow(0);
    QVERIFY(f.UploadButton()->isEnabled());
    const QString folder = f.m_folder.path();
    const std::string logo = WriteFile(folder + QStringLiteral("/logo.bmp"), 100);
    const std::string big = WriteFile(folder + QStringLiteral("/big.bmp"), 2 * 1024 * 1024);

    auto* user = f.ById<QLineEdit>(f.dlg.get(), 1039);
    auto* password = f.ById<QLineEdit>(f.dlg.get(), 1029);
    const auto press = [&] {
        f.boxes.clear();
        QTest::mouseClick(f.UploadButton(), Qt::LeftButton);
        return f.boxes;
    };
    user->setText(QStringLiteral("  "));
    QCOMPARE(press(), QStringList{QStringLiteral("Username field can't be empty.")});
    user->setText(QStringLiteral("admin"));
    password->clear();
    QCOMPARE(press(), QStringList{QStringLiteral("Password field can't be empty.")});
    password->setText(QStringLiteral("secret"));
    f.Edit(1146)->setText(QStringLiteral("   "));
    QCOMPARE(press(), QStringList{QStringLiteral("Company can't be empty.")});
    f.Edit(1146)->setText(QStringLiteral("Acme"));
    f.Edit(1156)->setText(QStringLiteral(" * "));
    QCOMPARE(press(), QStringList{QStringLiteral("Please select a oem file.")});
    f.Edit(1156)->setText(QString::fromStdString(logo) + QStringLiteral("*") + folder +
                          QStringLiteral("/gone.bmp"));
    QCOMPARE(press(),
             QStringList{QStringLiteral("File name is invalid.\n") + folder + QStringLiteral("/gone.bmp")});
    f.Edit(1156)->setText(QString::fromStdString(logo + "*" + big));
    QCOMPARE(press(), QStringList{QStringLiteral("File size is too big.\n") + QString::fromStdString(big)});
    QVERIFY2(!QFile::exists(folder + QStringLiteral("/vtoem.cfg")),
             "nothing was written for a refused upload");
    QVERIFY(f.Lines().isEmpty());
    QVERIFY(!f.page->Runner().Running());
}

void OemDlgTest::unwritableOemFileStopsBeforeAnyCamera()
{
    OemFixture f;
    f.Discover({Listed(1, "127.0.0.41")});
    QTRY_COMPARE(f.List()->topLevelItemCount(), 1);
    f.ClickRow(0);
    const QString folder = f.m_folder.path();
    const std::string logo = WriteFile(folder + QStringLiteral("/logo.bmp"), 100);
    f.Edit(1146)->setText(QStringLiteral("Acme"));
    f.Edit(1156)->setText(QString::fromStdString(logo));
    // Something that is no file sits where vtoem.cfg goes.
    QVERIFY(QDir(folder).mkdir(QStringLiteral("vtoem.cfg")));
    QTest::mouseClick(f.UploadButton(), Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList{QStringLiteral("Can not write the OEM file. Nothing has been uploaded.\n") +
                                  QString::fromStdString(OemFilePath())});
    QVERIFY(!f.page->Runner().Running());
    QTest::qWait(100);
    QVERIFY(f.Lines().isEmpty());
    QVERIFY(f.UploadButton()->isEnabled());
}

void OemDlgTest::countButtonTalliesThisPagesCameras()
{
    OemFixture f;
    f.Discover({Listed(1, "127.0.0.51", "VT-C6102"), Listed(2, "127.0.0.52", "VT-C2031A"),
                Listed(3, "127.0.0.53", "VT-C6102"), Listed(4, "127.0.0.54", "VT-C2031A"),
                Listed(5, "127.0.0.55", "VT-C6102")});
    QTRY_COMPARE(f.List()->topLevelItemCount(), 5);
    QTest::mouseClick(f.ById<QPushButton>(f.dlg.get(), 1148), Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList{QStringLiteral("VT-C6102:3\nVT-C2031A:2")});
    QCOMPARE(f.Lines().size(), 2);
    QVERIFY(f.Lines()[0].endsWith(QStringLiteral("] VT-C6102:3")));
    QVERIFY(f.Lines()[1].endsWith(QStringLiteral("] VT-C2031A:2")));

    // The network settings page counts its own list through the same function.
    f.dlg->Sheet()->setCurrentWidget(f.dlg->NetworkPage());
    f.boxes.clear();
    QTest::mouseClick(f.ById<QPushButton>(f.dlg.get(), 1148), Qt::LeftButton);
    QCOMPARE(f.boxes, QStringList{QStringLiteral("VT-C6102:3\nVT-C2031A:2")});
    QCOMPARE(f.Lines().size(), 4);
}

void OemDlgTest::browseKeepsTenSmallFiles()
{
    OemFixture f;
    const QString folder = f.m_folder.path();
    QStringList names;
    for (int i = 0; i < 12; ++i) {
        names << QStringLiteral("img%1.png").arg(i, 2, 10, QLatin1Char('0'));
        WriteFile(folder + QLatin1Char('/') + names.back(), 10);
    }
    WriteFile(folder + QStringLiteral("/huge.png"), 3 * 1024 * 1024);
    names.insert(1, QStringLiteral("huge.png"));
    f.Edit(1156)->setText(QStringLiteral("kept on cancel"));

    // The real file dialog, answered as the operator would.
    const auto answer = [&](bool accept) {
        QTimer::singleShot(200, [&, accept] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            if (!accept) {
                dialog->reject();
                return;
            }
            QStringList quoted;
            for (const QString& name : names) {
                quoted << QLatin1Char('"') + name + QLatin1Char('"');
            }
            dialog->setDirectory(folder);
            auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(nameBox != nullptr);
            nameBox->setText(quoted.join(QLatin1Char(' ')));
            QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible()) {
                dialog->reject(); // the choice was not taken: fail, do not hang
            }
        });
        QTest::mouseClick(f.ById<QPushButton>(f.page, 1144), Qt::LeftButton);
    };
    answer(false);
    QCOMPARE(f.Edit(1156)->text(), QStringLiteral("kept on cancel"));
    answer(true);
    const QStringList kept = f.Edit(1156)->text().split(QLatin1Char('*'));
    QCOMPARE(kept.size(), 10);
    QCOMPARE(kept.front(), folder + QStringLiteral("/img00.png"));
    QCOMPARE(kept.back(), folder + QStringLiteral("/img09.png"));
    QVERIFY(!f.Edit(1156)->text().contains(QStringLiteral("huge")));
}

void OemDlgTest::searchFilterRefillsThisList()
{
    OemFixture f;
    f.Discover({Listed(1, "127.0.0.61", "VT-C6102"), Listed(2, "127.0.0.62", "VT-C2031A")});
    QTRY_COMPARE(f.List()->topLevelItemCount(), 2);
    auto* search = f.ById<QLineEdit>(f.dlg.get(), 1160);
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("2031a"));
    QCOMPARE(f.List()->topLevelItemCount(), 1);
    QCOMPARE(f.List()->topLevelItem(0)->text(8), QStringLiteral("VT-C2031A"));
    QVERIFY(f.Lines().last().endsWith(QStringLiteral("1 items have been found.")));
    // The network settings list was not the one shown: it keeps both.
    QCOMPARE(f.dlg->NetworkPage()->List()->topLevelItemCount(), 2);
    // A camera that does not match arrives while the filter stands.
    f.Discover({Listed(3, "127.0.0.63", "VT-C6102")});
    QTRY_COMPARE(f.dlg->NetworkPage()->List()->topLevelItemCount(), 3);
    QCOMPARE(f.List()->topLevelItemCount(), 1);
}

void OemDlgTest::relabelsInChinese()
{
    OemFixture f;
    QCOMPARE(f.ById<QPushButton>(f.page, 1145)->text(), QStringLiteral("Upload"));
    QCOMPARE(LangSelectByName(L"\u7b80\u4f53\u4e2d\u6587"), 2052);
    f.dlg->Relabel();
    QCOMPARE(f.ById<QPushButton>(f.page, 1145)->text(), QStringLiteral("\u4e0a\u4f20"));
    QCOMPARE(f.ById<QPushButton>(f.page, 1144)->text(), QStringLiteral("\u6d4f\u89c8\u6587\u4ef6"));
    QCOMPARE(f.List()->headerItem()->text(8), QStringLiteral("\u578b\u53f7"));
}

QTEST_MAIN(OemDlgTest)
#include "OemDlgTest.moc"
