// Figures for the support services: language lookups per second (each lookup
// reads the language file, nothing is cached) and the log page query on a
// database of 100 000 rows.
#include "LangTable.h"
#include "LogDatabase.h"
#include "ProgramFolder.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <sqlite3.h>
#include <stdlib.h>
#include <string>

namespace fs = std::filesystem;

namespace {
constexpr int kLogRows = 100000;

// One temporary program folder for the whole run, holding copies of the
// shipped language files and the log databases.
const std::string& BenchFolder()
{
    static const std::string folder = [] {
        std::string pattern = (fs::temp_directory_path() / "zxbench.XXXXXX").string();
        std::string made = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string("/tmp");
        fs::create_directories(made + "/Lang");
        for (const char* name : {"English.lng", "SimplifiedChinese.lng"}) {
            fs::copy_file(std::string(ZX_LANG_SOURCE_DIR) + "/" + name, made + "/Lang/" + name,
                          fs::copy_options::overwrite_existing);
        }
        PlatformSetProgramFolder(made);
        return made;
    }();
    return folder;
}

void RemoveBenchFolder()
{
    std::error_code ec;
    fs::remove_all(BenchFolder(), ec);
}

void LookUp(benchmark::State& state, const wchar_t* language)
{
    BenchFolder();
    if (LangSelectByName(language) == 0) {
        state.SkipWithError("language file not found");
        return;
    }
    // Keys spread over the whole file, so the reader walks near and far lines.
    const char* keys[] = {"10001", "20030", "40015", "60008", "81040", "87014", "90038", "900115"};
    wchar_t out[1024];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LangGetText(keys[i++ % std::size(keys)], out, 1024, L"default"));
    }
    state.SetItemsProcessed(state.iterations());
    LangClearSelection();
}

void BM_LangGetText_English(benchmark::State& state)
{
    LookUp(state, L"English");
}
BENCHMARK(BM_LangGetText_English);

void BM_LangGetText_ChineseUtf16(benchmark::State& state)
{
    LookUp(state, L"\u7B80\u4F53\u4E2D\u6587");
}
BENCHMARK(BM_LangGetText_ChineseUtf16);

// A camera log of 100 000 rows, one a minute, types spread over the four main types.
std::string LogDatabase(bool indexed)
{
    const std::string path = BenchFolder() + (indexed ? "/indexed.db" : "/plain.db");
    if (fs::exists(path)) {
        return path;
    }
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "create table log(time integer, main_type integer, sub_type integer, sub_param integer, "
                 "user text, ip text, detail text); begin",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into log values(?,?,?,?,?,?,?)", -1, &insert, nullptr);
    for (int i = 0; i < kLogRows; ++i) {
        const int mainType = 1 + i % 4;
        sqlite3_bind_int64(insert, 1, 1700000000 + 60LL * i);
        sqlite3_bind_int(insert, 2, mainType);
        sqlite3_bind_int(insert, 3, mainType == 1 ? 11 + i % 7 : mainType * 100 + i % 7);
        sqlite3_bind_int(insert, 4, i % 16);
        sqlite3_bind_text(insert, 5, "admin", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 6, "192.168.100.23", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 7, "configuration changed through the web page", -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, indexed ? "commit; create index log_time on log(time)" : "commit", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    return path;
}

void QueryPage(benchmark::State& state, bool indexed, const tagLogFilter& filter)
{
    const std::string path = LogDatabase(indexed);
    for (auto _ : state) {
        tagLogRow* rows = nullptr;
        int count = 0;
        if (LogDbQueryPage(path.c_str(), &filter, &rows, &count) != 0 || count != kLogPageRows) {
            state.SkipWithError("page query failed");
            break;
        }
        LogDbFreeRows(rows);
    }
    state.SetItemsProcessed(state.iterations() * kLogPageRows);
}

const tagLogFilter kFirstPage{0, 0, 0, 0, 0, kLogPageRows};
const tagLogFilter kMiddlePage{0, 0, 0, 0, kLogRows / 2, kLogPageRows};
// Operation entries of one sub type within a month, second page.
const tagLogFilter kFilteredPage{1700000000, 1700000000 + 30 * 86400, 2, 203, 40, kLogPageRows};

void BM_LogPage_First(benchmark::State& state)
{
    QueryPage(state, state.range(0) != 0, kFirstPage);
}
BENCHMARK(BM_LogPage_First)->Arg(0)->Arg(1)->ArgName("indexed")->Unit(benchmark::kMillisecond);

void BM_LogPage_Middle(benchmark::State& state)
{
    QueryPage(state, state.range(0) != 0, kMiddlePage);
}
BENCHMARK(BM_LogPage_Middle)->Arg(0)->Arg(1)->ArgName("indexed")->Unit(benchmark::kMillisecond);

void BM_LogPage_Filtered(benchmark::State& state)
{
    QueryPage(state, state.range(0) != 0, kFilteredPage);
}
BENCHMARK(BM_LogPage_Filtered)->Arg(0)->Arg(1)->ArgName("indexed")->Unit(benchmark::kMillisecond);

void BM_LogCount_All(benchmark::State& state)
{
    const std::string path = LogDatabase(false);
    for (auto _ : state) {
        int count = 0;
        if (LogDbCount(path.c_str(), &kFirstPage, &count) != 0 || count != kLogRows) {
            state.SkipWithError("count query failed");
            break;
        }
    }
}
BENCHMARK(BM_LogCount_All)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    RemoveBenchFolder();
    return 0;
}
