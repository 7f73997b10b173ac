// The program with every page (the log and OEM pages too, as with vtlog vtoem)
// and 2000 simulated cameras in a lab: how long until all are listed, one
// search keystroke, one header-click sort, the check that lets
// every camera go once silent, and the resident memory. Then floods of raw
// replies from made-up cameras (vtflood): how long the window goes without
// serving its events during and after them, how long until every list shows
// what the table holds, the memory, and the check that lets them all go.
#include "Lab.h"
#include "LangWidgets.h"
#include "PageFactory.h"
#include "ProgramFolder.h"
#include "SearchDlg.h"
#include "SortListCtrl.h"
#include "ZendrixApp.h"
#include "ZendrixDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
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
labkit::Lab* g_lab = nullptr;
// Added to the table's clock, so that cameras can be made silent for long enough at once.
std::atomic<std::int64_t> g_clockShift{0};

// A memory figure of /proc/self/status ("VmRSS:" now, "VmHWM:" the peak) in MB.
double StatusMegabytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stod(line.substr(key.size())) / 1024.0;
        }
    }
    return 0;
}

double ResidentMegabytes()
{
    return StatusMegabytes("VmRSS:");
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

// A fresh program with every page: a new table and window, shown. The
// discovery request goes out at once, or when the caller sends it.
void NewSession(bool discover = true)
{
    g_session->dlg.reset();
    g_session->app = std::make_unique<CZendrixApp>(std::vector<std::string>{"vtlog", "vtoem"});
    g_session->app->InitInstance();
    g_session->app->basicMode = 0;
    g_clockShift = 0;
    g_session->app->Table().SetClock(
        [] { return static_cast<std::int64_t>(std::time(nullptr)) + g_clockShift.load(); });
    MainWindowOptions options;
    options.addPages = AddZendrixPages;
    options.openAdapters = discover;
    g_session->dlg = std::make_unique<CZendrixDlg>(*g_session->app, options);
    g_session->dlg->show();
}

// Every device list of the window.
std::vector<QTreeWidget*> AllLists()
{
    std::vector<QTreeWidget*> lists;
    for (CSortListCtrl* list : g_session->dlg->findChildren<CSortListCtrl*>(QStringLiteral("deviceList"))) {
        lists.push_back(list);
    }
    return lists;
}

// The longest time the UI thread went without serving a 5 ms timer: how long
// input would have waited.
class LoopWatch
{
public:
    LoopWatch()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_since.restart());
            m_rss = std::max(m_rss, ResidentMegabytes());
        });
        m_since.start();
        m_timer.start();
    }
    qint64 Longest() const { return m_longest; }
    double Rss() const { return m_rss; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
    double m_rss = 0;
};

// Each iteration is a fresh table and window, already on screen; the clock
// starts when the program opens its capture devices and sends its request,
// and stops when the network settings list shows every camera. The other
// six lists fill in the same passes; when they are all full is a counter.
void BM_ListAllCamerasAfterRefresh(benchmark::State& state)
{
    // The process before any window: the yardstick for what 2000 cameras cost.
    const double beforeWindow = ResidentMegabytes();
    double allListsMs = 0;
    for (auto _ : state) {
        NewSession(false);
        QCoreApplication::processEvents();
        QTreeWidget* list = g_session->dlg->NetworkPage()->List();
        const auto start = std::chrono::steady_clock::now();
        g_session->dlg->StartDiscovery();
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
        for (QTreeWidget* other : AllLists()) {
            if (!WaitForRows(other, kCameras, 30000)) {
                state.SkipWithError("a page's list did not show every camera");
                return;
            }
        }
        allListsMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["cameras"] = g_session->dlg->NetworkPage()->List()->topLevelItemCount();
    state.counters["lists"] = static_cast<double>(AllLists().size());
    state.counters["all_lists_ms"] = allListsMs;
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

// Every listed camera silent for 64 seconds: the thirty-second check takes
// them out of both network lists and the table. Each round lists them again first.
void BM_ThirtySecondCheckLetsAllGo(benchmark::State& state)
{
    DeviceTable& table = g_session->app->Table();
    QTreeWidget* list = g_session->dlg->NetworkPage()->List();
    for (auto _ : state) {
        if (list->topLevelItemCount() < kCameras) {
            for (QWidget* button : g_session->dlg->findChildren<QWidget*>()) {
                if (CtrlId(button) == 1162) {
                    QTest::mouseClick(button, Qt::LeftButton);
                }
            }
            if (!WaitForRows(list, kCameras, 30000)) {
                state.SkipWithError("the cameras were not listed again");
                return;
            }
        }
        g_clockShift += kDeviceSilenceLimit;
        const auto start = std::chrono::steady_clock::now();
        table.CheckExpired(true);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (list->topLevelItemCount() != 0 || table.Count() != 0) {
            state.SkipWithError("silent cameras stayed listed");
            return;
        }
    }
    state.counters["cameras"] = kCameras;
    state.SetLabel("2000 cameras silent, both network lists and the table");
}

// vtflood: range(0) made-up cameras send range(1) replies within range(2)
// tenths of a second: raw frames, or WS-Discovery Hello datagrams of made-up
// ONVIF cameras when range(3) is 1 (their logins wait for addresses where
// nobody answers). Figures: the longest the window went without serving
// its events from the start of the flood until every list showed what the
// table held, that time itself after the flood ended, the resident memory,
// and the thirty-second check once they are all silent.
void BM_RawFrameFlood(benchmark::State& state)
{
    const auto cameras = std::to_string(state.range(0));
    const auto frames = std::to_string(state.range(1));
    const auto seconds = std::to_string(static_cast<double>(state.range(2)) / 10.0);
    const bool onvif = state.range(3) != 0;
    double longestGap = 0;
    double settle = 0;
    double expiry = 0;
    double rss = 0;
    std::size_t listed = 0;
    for (auto _ : state) {
        NewSession();
        QTreeWidget* list = g_session->dlg->NetworkPage()->List();
        QTreeWidget* basic = g_session->dlg->BasicWindow()->List();
        WaitForRows(list, kCameras, 30000);
        DeviceTable& table = g_session->app->Table();
        std::string error;
        const pid_t flood = g_lab->StartFlood(
            {"--cameras", cameras, "--frames", frames, "--seconds", seconds, "--onvif", onvif ? "1" : "0"}, error);
        if (flood <= 0) {
            state.SkipWithError(error.c_str());
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        LoopWatch watch;
        int status = -1;
        while (!g_lab->WaitExit(flood, 0, status)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        const auto sent = std::chrono::steady_clock::now();
        // Settled: every list shows what the table holds, and no message waits.
        QElapsedTimer quiet;
        quiet.start();
        std::size_t lastCount = 0;
        while (quiet.elapsed() < 1000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const std::size_t count = table.Count();
            if (count != lastCount || list->topLevelItemCount() != static_cast<int>(count) ||
                basic->topLevelItemCount() != static_cast<int>(count)) {
                lastCount = count;
                quiet.restart();
            }
        }
        const auto settled = std::chrono::steady_clock::now() - std::chrono::milliseconds(1000);
        state.SetIterationTime(std::chrono::duration<double>(settled - start).count());
        settle = std::chrono::duration<double>(settled - sent).count();
        longestGap = static_cast<double>(watch.Longest());
        rss = watch.Rss();
        listed = table.Count();

        g_clockShift += kDeviceSilenceLimit;
        const auto check = std::chrono::steady_clock::now();
        table.CheckExpired(true);
        expiry = std::chrono::duration<double>(std::chrono::steady_clock::now() - check).count();
        if (table.Count() != 0 || list->topLevelItemCount() != 0) {
            state.SkipWithError("fake cameras stayed after falling silent");
            return;
        }
    }
    state.counters["listed"] = static_cast<double>(listed);
    state.counters["longest_ui_gap_ms"] = longestGap;
    state.counters["settle_after_flood_s"] = settle;
    state.counters["expiry_check_ms"] = expiry * 1000.0;
    state.counters["rss_MB"] = rss;
    state.counters["peak_rss_MB"] = StatusMegabytes("VmHWM:");
    state.SetLabel(cameras + (onvif ? " made-up ONVIF cameras, " : " made-up cameras, ") + frames + " replies in " +
                   seconds + " s, 2000 real");
}

BENCHMARK(BM_ListAllCamerasAfterRefresh)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchKeystrokeRefill)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaderClickSort)->Arg(4)->Arg(2)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThirtySecondCheckLetsAllGo)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawFrameFlood)
    ->Args({10000, 10000, 1, 0})
    ->Args({20000, 660000, 100, 0})
    ->Args({20000, 20000, 10, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
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
    g_lab = lab.get();
    benchmark::RunSpecifiedBenchmarks();
    session.dlg.reset();
    session.app.reset();
    benchmark::Shutdown();
    return 0;
}
