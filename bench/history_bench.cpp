// Reading and writing the history database at the size a long-watched list
// reaches: 100 000 results (1 000 runs of 100 sites). The goal is that
// `linkwatch-cli history` answers in well under 100 ms, and that recording a
// 1 000-site run costs a small share of the run itself.
#include "history/history_store.h"
#include "support/scratch_folder.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

constexpr int runCount = 1000;
constexpr int sitesPerRun = 100;
const std::string listFile = "/watch/sites.ini";

HistoryEntry siteEntry(int n)
{
    CheckOutcome outcome { .kind = n % 7 ? CheckOutcomeKind::Found : CheckOutcomeKind::Missing,
        .status = 200,
        .reasonPhrase = "OK",
        .bytes = 18000,
        .ms = 40,
        .match = QueryMatch::Gbk,
        .rel = LinkRel::None };
    return { .checkedAt = 1765000000,
        .n = n,
        .name = "\xB9\xAB\xCB\xBE " + std::to_string(n),
        .address = "http://partner" + std::to_string(n) + ".example/links.html",
        .query = "http://mine.example/",
        .verdict = "OK!",
        .outcome = outcome };
}

std::vector<HistoryEntry> runOf(int sites)
{
    std::vector<HistoryEntry> entries;
    for (int n = 1; n <= sites; ++n)
        entries.push_back(siteEntry(n));
    return entries;
}

// The filled database, made once for all read benchmarks.
const std::string& filledDatabase()
{
    static ScratchFolder folder("history-bench");
    static const std::string path = [] {
        const std::string file = (folder.Path() / "linkwatch.db").string();
        HistoryStore store(file);
        const std::vector<HistoryEntry> entries = runOf(sitesPerRun);
        for (int run = 0; run < runCount; ++run)
            store.RecordRun({ RunSource::CommandLine, listFile, run }, run, entries);
        return file;
    }();
    return path;
}

void BM_HistoryNewest100(benchmark::State& state)
{
    filledDatabase();
    for (auto _ : state) {
        HistoryStore store(filledDatabase(), HistoryStore::Access::ReadOnly);
        benchmark::DoNotOptimize(store.History("", 100));
    }
}
BENCHMARK(BM_HistoryNewest100)->Unit(benchmark::kMillisecond);

void BM_HistoryOfOneSite(benchmark::State& state)
{
    filledDatabase();
    for (auto _ : state) {
        HistoryStore store(filledDatabase(), HistoryStore::Access::ReadOnly);
        benchmark::DoNotOptimize(store.History("partner42.", 100));
    }
}
BENCHMARK(BM_HistoryOfOneSite)->Unit(benchmark::kMillisecond);

void BM_ChangesOfLastTwoRuns(benchmark::State& state)
{
    filledDatabase();
    for (auto _ : state) {
        HistoryStore store(filledDatabase(), HistoryStore::Access::ReadOnly);
        benchmark::DoNotOptimize(store.LastRuns(listFile, 2));
    }
}
BENCHMARK(BM_ChangesOfLastTwoRuns)->Unit(benchmark::kMillisecond);

void BM_PreviousResultOfASite(benchmark::State& state)
{
    HistoryStore store(filledDatabase(), HistoryStore::Access::ReadOnly);
    const HistoryEntry site = siteEntry(57);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.PreviousResult(site.address, site.query, 0));
}
BENCHMARK(BM_PreviousResultOfASite)->Unit(benchmark::kMicrosecond);

// Into a copy of the filled database, since a history that grows must not
// make each new run slower to record.
void BM_RecordA1000SiteRun(benchmark::State& state)
{
    ScratchFolder folder("history-record-bench");
    const std::filesystem::path copy = folder.Path() / "linkwatch.db";
    std::filesystem::copy_file(filledDatabase(), copy);
    HistoryStore store(copy.string());
    const std::vector<HistoryEntry> entries = runOf(1000);
    for (auto _ : state)
        store.RecordRun({ RunSource::CommandLine, listFile, 0 }, 0, entries);
}
BENCHMARK(BM_RecordA1000SiteRun)->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
