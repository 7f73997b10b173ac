// What a page of the log page costs: the count and the page query together,
// as the page runs them, on a log of 100 000 entries; first and last page,
// without a filter, by main type, and by main type, sub type and time. Once on
// the file as the camera writes it, once on the cache the page keeps.
#include "LogDbFiles.h"
#include "LogOperations.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
constexpr int kRows = 100000;

struct Files
{
    fs::path folder = fs::temp_directory_path() / ("zx-logbench-" + std::to_string(::getpid()));
    std::string camera;
    std::string cache;

    Files()
    {
        fs::create_directories(folder);
        camera = (folder / "camera_Log.db").string();
        cache = (folder / "025A00000001_Log.db").string();
        // One entry a minute over the four main types and their sub types.
        std::vector<LogRowData> rows;
        rows.reserve(kRows);
        for (int i = 0; i < kRows; ++i) {
            const int mainType = 1 + i % 4;
            const int sub = (i / 4) % 7;
            rows.push_back({1700000000L + 60L * i, mainType, mainType == 1 ? 11 + sub : mainType * 100 + sub,
                            i % 8, "admin", "192.168.100.23", "configuration changed through the web page"});
        }
        CreateLogDatabase(camera, rows);
        fs::copy_file(camera, cache);
        if (LogDbAddIndexes(cache.c_str()) != 0) {
            std::fprintf(stderr, "the cache could not be prepared\n");
            std::exit(1);
        }
    }
    ~Files() { fs::remove_all(folder); }
};

Files& TheFiles()
{
    static Files files;
    return files;
}

tagLogFilter FilterOf(int shape)
{
    tagLogFilter filter{};
    if (shape >= 1) {
        filter.mainType = 2;
    }
    if (shape == 2) {
        filter.subType = 203;
        filter.startTime = 1700000000;
        filter.endTime = 1700000000 + 60 * 80000;
    }
    return filter;
}

// Args: file (0 as the camera writes it, 1 the page's cache), filter shape
// (0 none, 1 main type, 2 main and sub type and time), page (0 first, 1 last).
void BM_LogPage(benchmark::State& state)
{
    const std::string& path = state.range(0) == 0 ? TheFiles().camera : TheFiles().cache;
    const tagLogFilter filter = FilterOf(static_cast<int>(state.range(1)));
    const int lastPage = QueryLogPage(path, filter, 1).totalPages;
    const int page = state.range(2) == 0 ? 1 : lastPage;
    for (auto _ : state) {
        const LogPage shown = QueryLogPage(path, filter, page);
        if (shown.currentPage != page || shown.rows.empty()) {
            state.SkipWithError("the page came back empty");
            break;
        }
        benchmark::DoNotOptimize(shown.rows.data());
    }
    state.counters["page"] = page;
}
BENCHMARK(BM_LogPage)
    ->ArgNames({"cache", "filter", "last"})
    ->ArgsProduct({{0, 1}, {0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Preparing the cache after a download: the three indexes on 100 000 entries.
void BM_PrepareCache(benchmark::State& state)
{
    const fs::path copy = TheFiles().folder / "prepare.db";
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(TheFiles().camera, copy, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (LogDbAddIndexes(copy.c_str()) != 0) {
            state.SkipWithError("indexes failed");
            break;
        }
    }
}
BENCHMARK(BM_PrepareCache)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
