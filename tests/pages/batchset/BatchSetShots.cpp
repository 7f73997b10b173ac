// Takes the screenshots of the batch set page in docs/screenshots: run under
// xvfb-run with the folder as the argument. Cameras sit on loopback ports
// nothing listens on, so nothing leaves the machine.
#include "../../app/gui/GuiFixture.h"
#include "BatchSetDlg.h"
#include "OperationPanel.h"
#include "PageFactory.h"
#include "SortListCtrl.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>

namespace {
void Shoot(const QString& folder, const QString& language, unsigned langId)
{
    MainWindowOptions options = GuiFixture::NoCapture();
    options.addPages = AddZendrixPages;
    GuiFixture f({}, "0", options);
    for (const LangFileInfo& file : LangListFiles()) {
        if (file.langId == langId) {
            LangSelectByName(file.displayName);
        }
    }
    f.dlg->Relabel();
    auto* page = qobject_cast<CBatchSetDlg*>(f.dlg->Sheet()->widget(1));
    f.dlg->Sheet()->setCurrentWidget(page);
    f.Discover({MakeCamera(1, "127.0.0.21", 9, "Lobby", "VT-C6121"),
                MakeCamera(2, "127.0.0.22", 9, "Parking north entrance 01", "VT-C5153"),
                MakeCamera(3, "127.0.0.23", 8080, "Stairs", "VT-C8906A"),
                MakeCamera(4, "127.0.0.24", 9, "Loading bay", "VT-C2951"),
                MakeCamera(5, "127.0.0.24", 9, "Gate", "VT-C6121"), MakeCamera(6, "127.0.0.26", 9, "Yard", "VT-C1186")});
    QTest::qWait(200);
    QTreeWidget* list = page->List();
    // A selected camera (loaded: its refused login is the panel line), then a
    // ticked one, then one of the pair that shares an address.
    const QRect cell = list->visualRect(list->model()->index(1, 4));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    f.ById<QLineEdit>(page, 1018)->setText(QStringLiteral("Parking north entrance 01"));
    list->topLevelItem(5)->setCheckState(0, Qt::Checked);
    list->topLevelItem(3)->setCheckState(0, Qt::Checked);
    QTest::qWait(300);
    const QString path = folder + QStringLiteral("/batchset-system-") + language + QStringLiteral(".png");
    if (qEnvironmentVariableIsSet("DISPLAY")) {
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QString::number(f.dlg->winId()), path});
    } else {
        f.dlg->grab().save(path);
    }
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    Shoot(folder, QStringLiteral("en"), 1033);
    Shoot(folder, QStringLiteral("zh"), 2052);
    return 0;
}
