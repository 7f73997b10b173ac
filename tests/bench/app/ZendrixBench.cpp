// The program with 2000 simulated cameras in a lab: how long until all are
// listed, one search keystroke, one header-click sort, and the resident memory.
#include "Lab.h"
#include "LangWidgets.h"
#include "ProgramFolder.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {
constexpr int kCameras = 2000;

struct Session
{
    std::unique_ptr<CZendrixApp> app;
    std::unique_ptr<CZendrixDlg> dlg;
};
Session* g_session = nullptr;

double ResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

bool WaitForRows(QTreeWidget* list, int rows, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (list->topLevelItemCount() < rows) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QLineEdit* SearchBox(CZendrixDlg& dlg)
{
    for (QLineEdit* edit : dlg.findChildren<QLineEdit*>()) {
        if (CtrlId(edit) == 1160) {
            return edit;
        }
    }
    return nullptr;
}

// Start-up discovery and Refresh send the same request: each iteration is a
// fresh table, so every camera has to be listed again.
void BM_ListAllCamerasAfterRefresh(benchmark::State& state)
{
    // The process before any window: the yardstick for what 2000 cameras cost.
    const double beforeWindow = ResidentMegabytes();
    for (auto _ : state) {
        g_session->dlg.reset();
        g_session->app = std::make_unique<CZendrixApp>(std::vector<std::string>{});
        g_session->app->InitInstance();
        g_session->app->basicMode = 0;
        const auto start = std::chrono::steady_clock::now();
        g_session->dlg = std::make_unique<CZendrixDlg>(*g_session->app);
        g_session->dlg->show();
        QTreeWidget* list = g_session->dlg->NetworkPage()->List();
        if (!WaitForRows(list, kCameras, 30000)) {
            const std::string message =
                "not every camera was listed within 30 s: " + std::to_string(list->topLevelItemCount()) +
                " rows, " + std::to_string(g_session->app->Table().Count()) + " in the table";
            state.SkipWithError(message.c_str());
            return;
        }
        QCoreApplication::processEvents();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["cameras"] = g_session->dlg->NetworkPage()->List()->topLevelItemCount();
    state.counters["rss_MB"] = ResidentMegabytes();
    state.counters["rss_MB_before_window"] = beforeWindow;
}

void BM_SearchKeystrokeRefill(benchmark::State& state)
{
    QLineEdit* search = SearchBox(*g_session->dlg);
    search->setFocus();
    for (auto _ : state) {
        QTest::keyClick(search, Qt::Key_5);
        QTest::keyClick(search, Qt::Key_Backspace);
    }
    state.counters["rows"] = g_session->dlg->NetworkPage()->List()->topLevelItemCount();
    state.SetLabel("one keystroke adding a character and one removing it");
}

void BM_HeaderClickSort(benchmark::State& state)
{
    CSortListCtrl* list = g_session->dlg->NetworkPage()->List();
    QHeaderView* header = list->header();
    const int column = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    state.SetLabel(column == 4 ? "IP column, address order" : "name column, text order");
    state.counters["rss_MB"] = ResidentMegabytes();
}

BENCHMARK(BM_ListAllCamerasAfterRefresh)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchKeystrokeRefill)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderClickSort)->Arg(4)->Arg(2)->Iterations(10)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::string error;
    auto lab = labkit::Lab::Create(error);
    if (!lab || !lab->EnterWorkstation(error)) {
        std::fprintf(stderr, "zendrix_bench: the camera lab could not be made: %s\n", error.c_str());
        return 1;
    }
    if (lab->StartCamSim({"--count", std::to_string(kCameras), "--base-ip", "10.30.0.1", "--seed", "3"},
                         error) <= 0) {
        std::fprintf(stderr, "zendrix_bench: vtcamsim did not start: %s\n", error.c_str());
        return 1;
    }
    QTemporaryDir folder;
    ::setenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit().constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PlatformSetProgramFolder(folder.path().toStdString());
    int qtArgc = 1;
    char name[] = "zendrix_bench";
    char* qtArgv[] = {name, nullptr};
    QApplication application(qtArgc, qtArgv);
    Session session;
    g_session = &session;
    benchmark::RunSpecifiedBenchmarks();
    session.dlg.reset();
    session.app.reset();
    benchmark::Shutdown();
    return 0;
}
