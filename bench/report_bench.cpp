// linkwatch-cli report and changes --confirm 3 over 100 000 stored results,
// in two shapes of history: 100 runs of 1 000 sites and 10 runs of 10 000.
// The goals: report under 1 s, changes --confirm 3 under 100 ms.
#include "cli/cli_app.h"
#include "history/history_store.h"
#include "support/scratch_folder.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <map>
#include <sstream>

namespace {

// Sites come and go: most links count, some stop, some are lost for a while, some hosts fail.
HistoryEntry siteEntry(int n, int run)
{
    const int turn = (n * 7 + run) % 23;
    CheckOutcome outcome { .kind = turn == 0 ? CheckOutcomeKind::Missing
            : turn == 1                      ? CheckOutcomeKind::Unreachable
                                             : CheckOutcomeKind::Found,
        .status = turn == 1 ? 0 : 200,
        .reasonPhrase = "OK",
        .bytes = 18000,
        .ms = 40,
        .match = QueryMatch::Gbk,
        .rel = turn == 2 ? LinkRel::NoFollow : LinkRel::None,
        .placement = turn < 2 ? LinkPlacement::None : LinkPlacement::Link,
        .href = turn < 2 ? "" : "http://mine.example/",
        .anchor = turn == 3 ? "\xCE\xD2\xB5\xC4\xD5\xBE" : "\xCE\xD2\xB5\xC4",
        .links = 1,
        .page = turn == 1 ? PageKind::Unseen : PageKind::Ok };
    return { .checkedAt = 1765000000 + run * 3600,
        .n = n,
        .name = "\xB9\xAB\xCB\xBE <b>" + std::to_string(n) + "</b>",
        .address = "http://partner" + std::to_string(n) + ".example/links.html",
        .query = "http://mine.example/",
        .verdict = turn == 0 ? "x" : "OK!",
        .outcome = outcome };
}

struct Filled {
    ScratchFolder folder { "report-bench" };
    std::string database;
    std::string list;
};

// The database of runs runs of sites sites each, made once per shape.
const Filled& filled(int runs, int sites)
{
    static std::map<std::pair<int, int>, Filled> made;
    Filled& shape = made[{ runs, sites }];
    if (!shape.database.empty())
        return shape;
    shape.database = (shape.folder.Path() / "linkwatch.db").string();
    shape.list = (shape.folder.Path() / "sites.ini").string();
    std::ofstream(shape.list) << "4,9\r\n";
    HistoryStore store(shape.database);
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    for (int run = 0; run < runs; ++run) {
        std::vector<HistoryEntry> entries;
        for (int n = 1; n <= sites; ++n)
            entries.push_back(siteEntry(n, run));
        store.RecordRun({ RunSource::CommandLine, shape.list, now - (runs - run) * 3600 }, now, entries);
    }
    return shape;
}

void runCommand(benchmark::State& state, std::vector<std::string> arguments)
{
    const Filled& shape = filled(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    arguments.insert(arguments.end(), { "--db", shape.database, shape.list });
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        if (runCli(arguments, out, err) > 1) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        bytes = out.str().size();
    }
    state.counters["output_bytes"] = static_cast<double>(bytes);
}

void BM_ReportHtml(benchmark::State& state) { runCommand(state, { "report", "--runs", "1000" }); }
void BM_ReportJson(benchmark::State& state)
{
    runCommand(state, { "report", "--runs", "1000", "--format", "json" });
}
void BM_ChangesConfirm3(benchmark::State& state)
{
    runCommand(state, { "changes", "--confirm", "3", "--format", "json" });
}

BENCHMARK(BM_ReportHtml)->Args({ 100, 1000 })->Args({ 10, 10000 })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportJson)->Args({ 100, 1000 })->Args({ 10, 10000 })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangesConfirm3)->Args({ 100, 1000 })->Args({ 10, 10000 })->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
