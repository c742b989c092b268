// Check runs against a loopback server, measured in this process (the grids,
// the workers and the one-thread loopback server).
// - Peak resident memory and peak thread count of a run of 1 000 active
//   entries. "Paced" lets every page come back at once, as a fast server
//   would; "Held" keeps every page back until the last worker has started,
//   so all 1 000 workers are in flight together, the worst case of a run.
// - Event loop latency while 100 workers are in flight: once every worker
//   has been started, a 10 ms timer runs for 2 s while every page is held
//   back; the counter is the most any tick came late.
// - Event loop latency while the workers of a 1 000-entry run are being
//   started: a 10 ms timer runs from CHECK until the last worker has been
//   started; the counter is the most any tick came late.

#include "app/check_run.h"
#include "check/link_check_worker.h"
#include "app/result_grid.h"
#include "event_loop_stall.h"
#include "grid/cell_grid.h"
#include "process_status.h"
#include "qt_bench_main.h"
#include "support/loopback_http_server.h"

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr int entries = 1000;
// 正常 ("active")
constexpr char statusActive[] = "\xD5\xFD\xB3\xA3";

void fillSiteList(TCellGrid& editGrid, const LoopbackHttpServer& server, int count = entries)
{
    editGrid.SetColCount(4);
    editGrid.SetRowCount(count + 1);
    editGrid.SetFixedRows(1);
    for (int row = 1; row <= count; ++row) {
        editGrid.SetCells(0, row, "site " + std::to_string(row));
        editGrid.SetCells(1, row, server.Url("/page/" + std::to_string(row)));
        editGrid.SetCells(2, row, "marker");
        editGrid.SetCells(3, row, statusActive);
    }
}

// Runs the event loop until the run has started its last worker; false after 120 s.
bool waitForStarting(const CheckRun& run)
{
    return QTest::qWaitFor([&run] { return !run.Starting(); }, 120000);
}

void runThousand(benchmark::State& state, bool held)
{
    for (auto _ : state) {
        LoopbackHttpServer server(
            [](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "<p>marker</p>"); });
        TCellGrid editGrid;
        TCellGrid runGrid;
        SetUpResultGrid(runGrid);
        fillSiteList(editGrid, server);
        auto started = std::make_shared<std::atomic<int>>(0);
        auto freed = std::make_shared<std::atomic<int>>(0);
        auto peakThreads = std::make_shared<std::atomic<long>>(0);
        CheckRun run(runGrid);
        run.SetWorkerLauncher([started, freed, peakThreads](std::unique_ptr<Temu> worker) {
            ++*started;
            Temu::Start(std::move(worker), [freed] { ++*freed; });
            const long threads = ProcessStatusField("Threads");
            if (threads > peakThreads->load())
                peakThreads->store(threads);
        });
        if (held)
            server.Hold();
        run.Run(editGrid);
        if (!waitForStarting(run))
            state.SkipWithError("workers were not all started within 120 s");
        server.Release();
        const bool finished = QTest::qWaitFor(
            [&] {
                const long threads = ProcessStatusField("Threads");
                if (threads > peakThreads->load())
                    peakThreads->store(threads);
                return freed->load() == started->load();
            },
            120000);
        if (!finished)
            state.SkipWithError("workers did not finish within 120 s");
        QCoreApplication::processEvents();
        state.counters["peak_threads"] = static_cast<double>(peakThreads->load());
        state.counters["peak_rss_MiB"] = static_cast<double>(ProcessStatusField("VmHWM")) / 1024.0;
        state.counters["verdicts"] = static_cast<double>(server.Answered());
    }
}

void BM_EventLoopLatencyWith100Workers(benchmark::State& state)
{
    for (auto _ : state) {
        LoopbackHttpServer server(
            [](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "<p>marker</p>"); });
        TCellGrid editGrid;
        TCellGrid runGrid;
        SetUpResultGrid(runGrid);
        fillSiteList(editGrid, server, 100);
        auto started = std::make_shared<std::atomic<int>>(0);
        auto freed = std::make_shared<std::atomic<int>>(0);
        CheckRun run(runGrid);
        run.SetWorkerLauncher([started, freed](std::unique_ptr<Temu> worker) {
            ++*started;
            Temu::Start(std::move(worker), [freed] { ++*freed; });
        });
        server.Hold();
        run.Run(editGrid);
        if (!waitForStarting(run))
            state.SkipWithError("workers were not all started within 120 s");
        const qint64 worstLateMs = WorstStallUntil([] { return false; }, 2000).first;
        const int inFlight = started->load() - freed->load();
        server.Release();
        if (!QTest::qWaitFor([&] { return freed->load() == started->load(); }, 60000))
            state.SkipWithError("workers did not finish within 60 s");
        state.counters["max_latency_ms"] = static_cast<double>(worstLateMs);
        state.counters["workers_in_flight"] = static_cast<double>(inFlight);
    }
}

void BM_EventLoopLatencyWhileStartingThousand(benchmark::State& state)
{
    for (auto _ : state) {
        LoopbackHttpServer server(
            [](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "<p>marker</p>"); });
        TCellGrid editGrid;
        TCellGrid runGrid;
        SetUpResultGrid(runGrid);
        fillSiteList(editGrid, server);
        auto started = std::make_shared<std::atomic<int>>(0);
        auto freed = std::make_shared<std::atomic<int>>(0);
        CheckRun run(runGrid);
        run.SetWorkerLauncher([started, freed](std::unique_ptr<Temu> worker) {
            ++*started;
            Temu::Start(std::move(worker), [freed] { ++*freed; });
        });
        QElapsedTimer clock;
        clock.start();
        run.Run(editGrid);
        const qint64 worstLateMs = WorstStallUntil([&run] { return !run.Starting(); }, 120000).first;
        const qint64 startMs = clock.elapsed();
        if (!QTest::qWaitFor([&] { return freed->load() == started->load(); }, 120000))
            state.SkipWithError("workers did not finish within 120 s");
        state.counters["max_latency_ms"] = static_cast<double>(worstLateMs);
        state.counters["start_phase_s"] = static_cast<double>(startMs) / 1000.0;
    }
}

void BM_CheckRunThousandPaced(benchmark::State& state) { runThousand(state, false); }
void BM_CheckRunThousandHeld(benchmark::State& state) { runThousand(state, true); }

BENCHMARK(BM_EventLoopLatencyWith100Workers)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_EventLoopLatencyWhileStartingThousand)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CheckRunThousandPaced)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_CheckRunThousandHeld)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}

int main(int argc, char** argv)
{
    RunQtBenchmarks(argc, argv);
    return 0;
}
