// 500 simulated ONVIF cameras listed by the program with every page: from
// the moment the device table holds the last camera's login answer (its MAC,
// model and firmware) until the network settings list shows it. Each
// iteration is a fresh table and window; the logins themselves (eight at a
// time) are the reference.
#include "LabBench.h"
#include "MacText.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <thread>

namespace {
constexpr int kCameras = 500;
constexpr int kMacColumn = 3;
using Clock = std::chrono::steady_clock;

std::string SiteFile(const std::string& folder)
{
    const std::string path = folder + "/onvif-site.json";
    std::ofstream site(path);
    site << "{\"cameras\": [";
    for (int i = 0; i < kCameras; ++i) {
        site << (i == 0 ? "" : ",") << "{\"index\": " << i
             << ", \"protocol\": \"onvif\", \"maker\": \"Acme Optics\", \"model\": \"AX-200\", \"version\": \"2.1.0\"}";
    }
    site << "]}";
    return path;
}

// How many of the table's cameras a login has read (their MAC is known).
int ReadInTable(const DeviceTable& table)
{
    int read = 0;
    for (const DeviceRef& entry : table.Entries()) {
        tagVtIpcInfo info{};
        read += table.Snapshot(*entry, info) && !MacCellText(info.mac).empty() ? 1 : 0;
    }
    return read;
}

int ReadInList(QTreeWidget* list)
{
    int read = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        read += list->topLevelItem(row)->text(kMacColumn).isEmpty() ? 0 : 1;
    }
    return read;
}

void BM_OnvifCamerasListed(benchmark::State& state)
{
    QTemporaryDir folder;
    std::string error;
    if (labbench::TheLab().StartCamSim({"--count", std::to_string(kCameras), "--base-ip", "192.168.7.1",
                                        "--password", "qr7319", "--config", SiteFile(folder.path().toStdString())},
                                       error) <= 0) {
        labbench::MarkFailed();
        state.SkipWithError(("vtcamsim did not start: " + error).c_str());
        return;
    }
    ::setenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit().constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PlatformSetProgramFolder(folder.path().toStdString());
    int qtArgc = 1;
    char name[] = "onvif_listing_bench";
    char* qtArgv[] = {name, nullptr};
    QApplication application(qtArgc, qtArgv);
    double loginsMs = 0;
    for (auto _ : state) {
        auto app = std::make_unique<CZendrixApp>(std::vector<std::string>{"vtlog", "vtoem"});
        app->InitInstance();
        app->basicMode = 0;
        MainWindowOptions options;
        options.addPages = AddZendrixPages;
        options.openAdapters = false;
        auto dlg = std::make_unique<CZendrixDlg>(*app, options);
        dlg->show();
        QCoreApplication::processEvents();
        QTreeWidget* list = dlg->NetworkPage()->List();
        // A watcher off the UI thread notes when the table took in the last login's answer.
        std::atomic<bool> watching{true};
        std::atomic<Clock::rep> tableFull{0};
        std::thread watcher([&] {
            while (watching && ReadInTable(app->Table()) < kCameras) {
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
            tableFull = Clock::now().time_since_epoch().count();
        });
        const auto start = Clock::now();
        dlg->StartDiscovery();
        QElapsedTimer limit;
        limit.start();
        while (ReadInList(list) < kCameras && limit.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        const auto shown = Clock::now();
        watching = false;
        watcher.join();
        if (ReadInList(list) < kCameras) {
            labbench::MarkFailed();
            state.SkipWithError(("listed with a login's answer: " + std::to_string(ReadInList(list)) + " of " +
                                 std::to_string(kCameras))
                                    .c_str());
            return;
        }
        const auto full = Clock::time_point(Clock::duration(tableFull.load()));
        state.SetIterationTime(std::max(0.0, std::chrono::duration<double>(shown - full).count()));
        loginsMs = std::chrono::duration<double, std::milli>(full - start).count();
        dlg.reset();
        app.reset();
    }
    state.counters["cameras"] = kCameras;
    state.counters["logins_ms"] = loginsMs;
    state.SetLabel("last login answer in the table until the network list shows it");
}

BENCHMARK(BM_OnvifCamerasListed)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace
