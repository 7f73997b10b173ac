// The batch upgrade page in the real window without cameras: its list, its
// checks before an upgrade and the image file rules. Cameras arrive the way
// discovery reports them.
#include "BatchUpgradeDlg.h"
#include "GuiFixture.h"
#include "OperationPanel.h"
#include "RebootQueue.h"
#include "SortListCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace {

constexpr int kIpColumn = 4;
constexpr int kVersionColumn = 9;

tagVtIpcInfo Listed(unsigned char last, const char* ip, const char* model, const char* version)
{
    tagVtIpcInfo info = MakeCamera(last, ip, 80, "Cam", model);
    std::snprintf(info.version, sizeof info.version, "%s", version);
    return info;
}

// A program with only this page after the network settings page.
struct UpgradePage
{
    UpgradePage() : fixture({}, "0", Options(page)) { fixture.dlg->Sheet()->setCurrentWidget(page); }

    static MainWindowOptions Options(CBatchUpgradeDlg*& page)
    {
        MainWindowOptions options = GuiFixture::NoCapture();
        options.addPages = [&page](CZendrixDlg& window) {
            page = new CBatchUpgradeDlg(window, std::make_shared<RebootQueue>());
            window.AddDevicePage(page, 10003, {}, &page->Binding());
        };
        return options;
    }

    template <class T> T* Control(unsigned id) const { return fixture.ById<T>(page, id); }
    QTreeWidget* List() const { return page->List(); }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            texts << List()->topLevelItem(i)->text(column);
        }
        texts.sort();
        return texts;
    }
    QTreeWidgetItem* Row(const char* ip) const
    {
        for (int i = 0; i < List()->topLevelItemCount(); ++i) {
            if (List()->topLevelItem(i)->text(kIpColumn) == QLatin1String(ip)) {
                return List()->topLevelItem(i);
            }
        }
        return nullptr;
    }
    void Tick(const char* ip, bool ticked = true) const
    {
        Row(ip)->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    }
    bool WarningShown() const { return !Control<QLabel>(1021)->isHidden(); }
    QString Warning() const { return Control<QLabel>(1021)->text(); }
    bool UpgradeEnabled() const { return Control<QPushButton>(1178)->isEnabled(); }
    void Upgrade() const { Control<QPushButton>(1178)->click(); }
    // The holder bits of the table's entry for this address.
    std::uint32_t Holders(const char* ip) const
    {
        for (const DeviceRef& entry : fixture.app->Table().Entries()) {
            tagVtIpcInfo info{};
            if (fixture.app->Table().Snapshot(*entry, info) && std::strcmp(info.ip, ip) == 0) {
                return entry->holders.load();
            }
        }
        return 0;
    }

    CBatchUpgradeDlg* page = nullptr;
    GuiFixture fixture;
};

QString MakeFile(const QTemporaryDir& folder, const QString& name, qint64 size)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size)) {
        return {};
    }
    return path;
}

} // namespace

class BatchUpgradeGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void FamilyFilterDecidesWhichCamerasHaveARow()
    {
        UpgradePage ui;
        ui.fixture.Discover({Listed(1, "10.1.0.11", "VT-C2150", "12.1.0.4"),
                             Listed(2, "10.1.0.12", "VT-C2150", "22.0.1.1"),
                             Listed(3, "10.1.0.13", "VT-C3190A", "31.4.0.90")});
        QCOMPARE(ui.Column(kVersionColumn), QStringList({"12.1.0.4", "22.0.1.1", "31.4.0.90"}));

        ui.Control<QComboBox>(1114)->setCurrentIndex(5); // "20.XX.XX.XX"
        QCOMPARE(ui.Column(kVersionColumn), QStringList({"22.0.1.1"}));
        QCOMPARE(ui.Holders("10.1.0.11") & CBatchUpgradeDlg::kHolderBit, 0U);
        QCOMPARE(ui.Holders("10.1.0.12") & CBatchUpgradeDlg::kHolderBit, CBatchUpgradeDlg::kHolderBit);

        // Cameras reported while the filter is on: only the family gets a row.
        ui.fixture.Discover({Listed(4, "10.1.0.14", "VT-C2150", "15.0.0.1"),
                             Listed(5, "10.1.0.15", "VT-C2150", "27.1.0.1"),
                             Listed(1, "10.1.0.11", "VT-C2150", "12.1.0.4")});
        QTRY_COMPARE(ui.Column(kVersionColumn), QStringList({"22.0.1.1", "27.1.0.1"}));
        QCOMPARE(ui.Holders("10.1.0.14") & CBatchUpgradeDlg::kHolderBit, 0U);
        QTRY_COMPARE(ui.Column(1), QStringList({"1", "2"}));

        ui.Control<QComboBox>(1114)->setCurrentIndex(1); // "10.XX.XX.XX": families 10 to 15
        QCOMPARE(ui.Column(kVersionColumn), QStringList({"12.1.0.4", "15.0.0.1"}));
        ui.Control<QComboBox>(1114)->setCurrentIndex(0);
        QCOMPARE(ui.List()->topLevelItemCount(), 5);
    }

    void ConflictAndMismatchWarningsBlockTheUpgrade()
    {
        UpgradePage ui;
        QTemporaryDir folder;
        ui.fixture.Discover({Listed(1, "10.1.0.11", "VT-C2150", "12.1.0.4"),
                             Listed(2, "10.1.0.12", "VT-C2150", "22.0.1.1"),
                             Listed(3, "10.1.0.13", "VT-C2150", "12.1.0.4"),
                             Listed(4, "10.1.0.13", "VT-C2150", "12.1.0.4")});
        QVERIFY(!ui.UpgradeEnabled());
        QVERIFY(!ui.WarningShown());

        ui.Tick("10.1.0.11");
        ui.Tick("10.1.0.12");
        QVERIFY(ui.WarningShown());
        QCOMPARE(ui.Warning(), QStringLiteral("The model of devices is unmatched."));
        QVERIFY(!ui.UpgradeEnabled());
        // Sensor 0 leaves the families alone.
        ui.page->ChooseImage(MakeFile(folder, QStringLiteral("VTFImage_10_12.2.bin"), 1024));
        QVERIFY(!ui.WarningShown());
        QVERIFY(ui.UpgradeEnabled());
        ui.page->ChooseImage(MakeFile(folder, QStringLiteral("VTFImage_25_12.2.bin"), 1024));
        QVERIFY(ui.WarningShown());
        QVERIFY(!ui.UpgradeEnabled());

        ui.Tick("10.1.0.12", false);
        ui.Tick("10.1.0.11", false);
        ui.page->ChooseImage(MakeFile(folder, QStringLiteral("VTFImage_15_12.2.bin"), 1024));
        ui.Tick("10.1.0.13");
        QVERIFY(ui.WarningShown());
        QCOMPARE(ui.Warning(), QStringLiteral("Ip address conflict! Please modify IP at first!"));
        QVERIFY(!ui.UpgradeEnabled());
        QCOMPARE(ui.List()->currentItem()->text(kIpColumn), QStringLiteral("10.1.0.13"));

        // Select All over the conflict keeps the warning; off again clears it.
        ui.Control<QCheckBox>(1004)->click();
        QVERIFY(ui.WarningShown());
        ui.Control<QCheckBox>(1004)->click();
        QVERIFY(ui.page->Binding().TickedRows().empty());
    }

    void ImageFileRules()
    {
        UpgradePage ui;
        QTemporaryDir folder;
        constexpr qint64 MiB = 1024 * 1024;
        ui.fixture.Discover({Listed(1, "10.1.0.11", "VT-C2150", "12.1.0.4")});
        auto* path = ui.Control<QLineEdit>(1185);

        ui.page->ChooseImage(MakeFile(folder, QStringLiteral("VTFImage_15_a.bin"), 100 * MiB + 1048575));
        QVERIFY(path->text().endsWith(QStringLiteral("VTFImage_15_a.bin")));
        QVERIFY(ui.fixture.boxes.isEmpty());
        ui.page->ChooseImage(MakeFile(folder, QStringLiteral("VTFImage_15_b.bin"), 101 * MiB));
        QCOMPARE(ui.fixture.boxes, QStringList({QStringLiteral("File size is too big.")}));
        QVERIFY(path->text().isEmpty());
        // A named pipe has size 0 but no image to read: refused at once, so
        // no upload waits on it for a writer.
        const QString pipe = folder.filePath(QStringLiteral("VTFImage_15_pipe.bin"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        ui.page->ChooseImage(pipe);
        QCOMPARE(ui.fixture.boxes.last(), QStringLiteral("File name is invalid."));
        QVERIFY(path->text().isEmpty());

        // The checks of the Upgrade button, each a message box and no login.
        ui.fixture.boxes.clear();
        ui.List()->setCurrentItem(ui.List()->topLevelItem(0));
        QVERIFY(ui.UpgradeEnabled());
        ui.Upgrade();
        path->setText(folder.filePath(QStringLiteral("plain.bin")));
        ui.Upgrade();
        path->setText(MakeFile(folder, QStringLiteral("VTFImage_25_c.bin"), 16));
        ui.Upgrade();
        path->setText(MakeFile(folder, QStringLiteral("KImage_2.bin"), 16));
        ui.Upgrade();
        path->setText(pipe);
        ui.Upgrade();
        QCOMPARE(ui.fixture.boxes, QStringList({QStringLiteral("Please select a firmware file."),
                                                QStringLiteral("File name is invalid."),
                                                QStringLiteral("The model of devices is unmatched."),
                                                QStringLiteral("The model of devices is unmatched."),
                                                QStringLiteral("File name is invalid.")}));
        QVERIFY(!ui.page->Upgrading());
        QCOMPARE(ui.fixture.dlg->Panel()->count(), 0);
    }

    void ATypedPathIsMatchedAgainstEveryTickedCamera()
    {
        UpgradePage ui;
        ui.fixture.Discover({Listed(1, "10.1.0.11", "VT-C2150", "12.1.0.4"),
                             Listed(2, "10.1.0.12", "VT-C2350", "12.1.0.4")});
        ui.Tick("10.1.0.11");
        ui.Tick("10.1.0.12");
        QVERIFY(ui.UpgradeEnabled());
        // Sensor 5 asks for hundreds digit 1: the first camera's, not the second's.
        auto* path = ui.Control<QLineEdit>(1185);
        QTest::keyClicks(path, QStringLiteral("/tmp/VTFImage_15_12.2.bin"));
        QVERIFY(ui.WarningShown());
        QCOMPARE(ui.Warning(), QStringLiteral("The model of devices is unmatched."));
        QVERIFY(!ui.UpgradeEnabled());
        // Sensor 0 fits both.
        path->selectAll();
        QTest::keyClicks(path, QStringLiteral("/tmp/VTFImage_10_12.2.bin"));
        QVERIFY(!ui.WarningShown());
        QVERIFY(ui.UpgradeEnabled());
    }

    void NothingChosenAsksForACamera()
    {
        UpgradePage ui;
        ui.fixture.Discover({Listed(1, "10.1.0.11", "VT-C2150", "12.1.0.4")});
        ui.Control<QPushButton>(1041)->click();
        ui.Control<QPushButton>(1042)->click();
        QCOMPARE(ui.fixture.boxes, QStringList({QStringLiteral("Please select one device."),
                                                QStringLiteral("Please select one device.")}));
        QVERIFY(!ui.page->ActionsRunning());
    }
};

QTEST_MAIN(BatchUpgradeGuiTest)
#include "BatchUpgradeGuiTest.moc"
