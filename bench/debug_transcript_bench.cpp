// The transcript of a 60 MB page shown in the debug window, measured in this
// process on the offscreen platform: the picked row's worker fetches the page
// from a loopback server and publishes into a shown debug window. From CHECK
// until the verdict is in and the window holds the transcript, the counters
// give the longest the event loop stalled (the worst lateness of a 10 ms
// timer) and the peak resident memory above what the process held at CHECK.
// Run each case in a process of its own (--benchmark_filter) so that no
// memory an earlier case left behind is reused.
// Target: the window stalls under 1 s and the peak stays under 256 MiB.

#include "app/check_run.h"
#include "app/debug_window.h"
#include "check/link_check_worker.h"
#include "app/result_grid.h"
#include "event_loop_stall.h"
#include "grid/cell_grid.h"
#include "process_status.h"
#include "qt_bench_main.h"
#include "support/loopback_server.h"

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace {

constexpr char statusActive[] = "\xD5\xFD\xB3\xA3"; // 正常 ("active")
constexpr char query[] = "href=\"http://partner.example/\"";
constexpr std::size_t pageSize = 60'000'000;

// Short HTML lines with the partner link on the last one.
std::string hugePageReply()
{
    const std::string line = "<p><a href=\"http://other.example/\">a partner of someone else</a></p>\n";
    const std::string tail = std::string("<a ") + query + ">us</a>\n";
    std::string body;
    body.reserve(pageSize);
    while (body.size() + line.size() + tail.size() <= pageSize)
        body += line;
    body += tail;
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size())
        + "\r\n\r\n" + body;
}

// A site list of one active entry, the huge page at url.
void fillSiteList(TCellGrid& editGrid, const std::string& url)
{
    editGrid.SetColCount(4);
    editGrid.SetRowCount(2);
    editGrid.SetFixedRows(1);
    editGrid.SetCells(0, 1, "huge");
    editGrid.SetCells(1, 1, url);
    editGrid.SetCells(2, 1, query);
    editGrid.SetCells(3, 1, statusActive);
}

void BM_HugePageTranscriptShown(benchmark::State& state)
{
    const std::string reply = hugePageReply();
    for (auto _ : state) {
        LoopbackServer server([&reply](LoopbackServer::Connection& connection) {
            connection.ReadUntil("\r\n\r\n");
            connection.Send(reply);
            connection.WaitForPeerClose(std::chrono::seconds(60));
        });
        TCellGrid editGrid;
        fillSiteList(editGrid, "http://127.0.0.1:" + server.PortText() + "/");
        TCellGrid runGrid;
        SetUpResultGrid(runGrid);
        TWdebug debugWindow;
        CheckRun run(runGrid);
        run.SetDebugWindow(&debugWindow);
        run.SetWorkerLauncher([](std::unique_ptr<Temu> worker) {
            worker->setPauseLength(std::chrono::milliseconds(0));
            Temu::Start(std::move(worker));
        });
        runGrid.SetCells(1, 1, "huge");
        run.CheckBoxClick(4, 1, true);
        if (!QTest::qWaitForWindowExposed(&debugWindow))
            state.SkipWithError("the debug window was not shown");

        const long baselineKiB = ProcessStatusField("VmRSS");
        ResetPeakResident();
        QElapsedTimer clock;
        clock.start();
        run.Run(editGrid);
        // The transcript is applied before the verdict that follows it.
        const auto [worstLateMs, done]
            = WorstStallUntil([&] { return runGrid.Cells(3, 1) == verdictFound; }, 120000);
        state.counters["worst_stall_ms"] = static_cast<double>(worstLateMs);
        state.counters["check_to_shown_s"] = static_cast<double>(clock.elapsed()) / 1000.0;
        state.counters["peak_above_MiB"]
            = static_cast<double>(ProcessStatusField("VmHWM") - baselineKiB) / 1024.0;
        if (!done || debugWindow.MemoText().empty())
            state.SkipWithError("the verdict or the transcript did not arrive within 120 s");
    }
}

BENCHMARK(BM_HugePageTranscriptShown)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}

int main(int argc, char** argv)
{
    RunQtBenchmarks(argc, argv);
    return 0;
}
