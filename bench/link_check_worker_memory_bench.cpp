// Peak resident memory of one link check worker (Temu with a recording
// window, as the tests run it) against a loopback server, from the start of
// the worker until it has freed itself, each run in a fresh child process.
// The recording window keeps the transcript it was given, so a published
// transcript counts too.
// Bodies: an endless body of one line without a break, an endless body of
// short HTML lines (both cut by the worker at its 64 MiB body limit) and a
// 50 KiB page with a Content-Length. Each runs with the worker's row
// unselected (verdict only) and selected (transcript published as well).
// Target: a peak of at most 2 x the body limit + 16 MiB = 144 MiB.

#include "check/link_check_recorder.h"
#include "check/link_check_worker.h"
#include "process_status.h"
#include "support/loopback_server.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr int resultRow = 1;
constexpr char query[] = "href=\"http://partner.example/\"";
constexpr double mebibyte = 1024.0 * 1024.0;

enum class Body { EndlessLine, EndlessHtmlLines, Page50KiB };

// Sends head, then piece again and again until the client has gone.
void sendEndless(LoopbackServer::Connection& connection, const std::string& piece)
{
    if (!connection.Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"))
        return;
    while (!connection.Stopping() && connection.Send(piece)) { }
}

std::string htmlLines(std::size_t size)
{
    const std::string line = "<p><a href=\"http://other.example/\">a partner of someone else</a></p>\n";
    std::string lines;
    while (lines.size() + line.size() <= size)
        lines += line;
    return lines;
}

std::string page50KiB()
{
    const std::string tail = std::string("<a ") + query + ">us</a>\n";
    const std::string body = htmlLines((50 << 10) - tail.size()) + tail;
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size())
        + "\r\n\r\n" + body;
}

void serve(LoopbackServer::Connection& connection, Body body)
{
    connection.ReadUntil("\r\n\r\n");
    switch (body) {
    case Body::EndlessLine:
        sendEndless(connection, std::string(64 << 10, 'b'));
        break;
    case Body::EndlessHtmlLines:
        sendEndless(connection, htmlLines(64 << 10));
        break;
    case Body::Page50KiB:
        connection.Send(page50KiB());
        connection.WaitForPeerClose();
        break;
    }
}

// True when the worker wrote the verdict expected last and published a
// transcript exactly when selected. Looks at the record in place: a copy of
// a large transcript would add to the peak being measured.
bool endedAsExpected(const LinkCheckRecorder& recorder, Body body, bool selected)
{
    const Text expected = body == Body::Page50KiB ? verdictFound : verdictNotFound;
    bool expectedEnd = false;
    recorder.waitFor(
        [&](const std::vector<LinkCheckRecorder::Call>& calls, int) {
            const auto transcripts = std::count_if(calls.begin(), calls.end(),
                [](const auto& call) { return call.kind == LinkCheckRecorder::CallKind::DebugText; });
            expectedEnd = transcripts == (selected ? 1 : 0) && !calls.empty()
                && calls.back().kind == LinkCheckRecorder::CallKind::Result && calls.back().value == expected;
            return true;
        },
        0ms);
    return expectedEnd;
}

// Runs one worker against a server sending body; the peak resident memory of
// the process above what it had when the worker started, or -1 when the
// worker did not end as expected.
std::int64_t peakOfWorker(Body body, bool selected)
{
    LoopbackServer server([body](LoopbackServer::Connection& connection) { serve(connection, body); });
    auto recorder = std::make_shared<LinkCheckRecorder>(selected ? resultRow : -10);
    auto worker = std::make_unique<Temu>(recorder);
    worker->PageUrl = "http://127.0.0.1:" + server.PortText() + "/";
    worker->QueryText = query;
    worker->ResultRow = resultRow;
    worker->setPauseLength(0ms);
    worker->setWaitLimit(5s);
    const std::int64_t baseline = std::int64_t { ProcessStatusField("VmRSS") } * 1024;
    ResetPeakResident();
    Temu::Start(std::move(worker), [recorder] { recorder->noteWorkerFreed(); });
    if (!recorder->waitForFreedWorkers(1, 120s))
        return -1;
    const std::int64_t peak = std::int64_t { ProcessStatusField("VmHWM") } * 1024 - baseline;
    return endedAsExpected(*recorder, body, selected) ? peak : -1;
}

// Runs one worker in a child process of its own, so that no memory an
// earlier run left to the allocator is reused; the peak, or -1.
std::int64_t peakOfWorkerInChild(Body body, bool selected)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        const std::int64_t peak = peakOfWorker(body, selected);
        const bool written = ::write(pipeEnds[1], &peak, sizeof(peak)) == sizeof(peak);
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::int64_t peak = -1;
    if (child < 0 || ::read(pipeEnds[0], &peak, sizeof(peak)) != sizeof(peak))
        peak = -1;
    ::close(pipeEnds[0]);
    if (child > 0)
        ::waitpid(child, nullptr, 0);
    return peak;
}

void BM_WorkerPeakResident(benchmark::State& state)
{
    const auto body = static_cast<Body>(state.range(0));
    const bool selected = state.range(1) != 0;
    std::int64_t peak = 0;
    for (auto _ : state) {
        peak = peakOfWorkerInChild(body, selected);
        if (peak < 0) {
            state.SkipWithError("the worker did not finish with the expected verdict and transcript");
            break;
        }
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / mebibyte;
}

BENCHMARK(BM_WorkerPeakResident)
    ->ArgNames({ "body", "selected" })
    ->ArgsProduct({ { static_cast<int>(Body::EndlessLine), static_cast<int>(Body::EndlessHtmlLines),
                        static_cast<int>(Body::Page50KiB) },
        { 0, 1 } })
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}

BENCHMARK_MAIN();
