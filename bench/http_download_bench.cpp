// Download speed of THTTPSend against curl on the same loopback server in the
// same run, and the client's peak memory for a body with a Content-Length.
// Target: at least curl's speed, and a peak of at most the body size plus 10%.

#include "net/http_send.h"
#include "net/tcp_block_socket.h"
#include "process_status.h"
#include "speed_reporter.h"
#include "support/loopback_server.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr std::int64_t bodySize = std::int64_t { 256 } << 20;
constexpr std::size_t pieceSize = std::size_t { 1 } << 20;

// Serves the same 256 MiB body, with its length announced, to every
// connection; the body is one 1 MiB piece sent over and over, so the server
// itself holds little memory.
class BodyServer
{
public:
    BodyServer()
        : m_piece(makePiece())
        , m_server([this](LoopbackServer::Connection& connection) { serve(connection); }, 1000)
    {
    }

    std::string url() const { return "http://127.0.0.1:" + m_server.PortText() + "/body"; }

private:
    static std::string makePiece()
    {
        std::string piece(pieceSize, '\0');
        for (std::size_t index = 0; index < piece.size(); ++index)
            piece[index] = static_cast<char>('a' + index % 26);
        return piece;
    }

    void serve(LoopbackServer::Connection& connection) const
    {
        connection.ReadUntil("\r\n\r\n");
        if (!connection.Send("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                + std::to_string(bodySize) + "\r\nConnection: close\r\n\r\n"))
            return;
        for (std::int64_t sent = 0; sent < bodySize && !connection.Stopping(); sent += pieceSize) {
            if (!connection.Send(m_piece))
                return;
        }
        connection.WaitForPeerClose();
    }

    std::string m_piece;
    LoopbackServer m_server;
};

BodyServer& server()
{
    static BodyServer instance;
    return instance;
}

void BM_THTTPSendDownload(benchmark::State& state)
{
    const std::string url = server().url();
    double worstPeakRatio = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::int64_t baseline = std::int64_t { ProcessStatusField("VmRSS") } * 1024;
        ResetPeakResident();
        state.ResumeTiming();

        THTTPSend http;
        http.Timeout = 10000;
        const bool result = http.ExecuteRequest("GET", url);
        if (!result || http.Document().Size() != bodySize) {
            state.SkipWithError("THTTPSend did not receive the whole body");
            break;
        }

        state.PauseTiming();
        const double peak
            = static_cast<double>(std::int64_t { ProcessStatusField("VmHWM") } * 1024 - baseline);
        worstPeakRatio = std::max(worstPeakRatio, peak / static_cast<double>(bodySize));
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bodySize);
    state.counters["peak_over_body"] = worstPeakRatio;
}

// Runs curl on the body, writing it to target; true when it got all of it.
bool curlFetch(const std::string& target)
{
    const std::string command = "curl -s -o " + target + " -w '%{size_download}' " + server().url();
    FILE* pipe = ::popen(command.c_str(), "r");
    char size[64] = {};
    const bool read = pipe && std::fgets(size, sizeof(size), pipe) != nullptr;
    const int status = pipe ? ::pclose(pipe) : -1;
    return read && status == 0 && std::atoll(size) == bodySize;
}

void BM_CurlDownload(benchmark::State& state)
{
    for (auto _ : state) {
        if (!curlFetch("/dev/null")) {
            state.SkipWithError("curl did not receive the whole body");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * bodySize);
}

// For reference: curl keeping the body in memory too (a file on tmpfs), as
// THTTPSend keeps it in Document.
void BM_CurlDownloadToMemory(benchmark::State& state)
{
    const std::string target = "/dev/shm/linkwatch-bench-" + std::to_string(::getpid());
    for (auto _ : state) {
        const bool whole = curlFetch(target);
        state.PauseTiming();
        std::remove(target.c_str());
        state.ResumeTiming();
        if (!whole) {
            state.SkipWithError("curl did not receive the whole body");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * bodySize);
}

BENCHMARK(BM_THTTPSendDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CurlDownloadToMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Prints the usual table and remembers each benchmark's speed for the ratio.

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SpeedReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_THTTPSendDownload", "THTTPSend", "BM_CurlDownload", "curl -o /dev/null", 1.0);
    reporter.PrintRatio("BM_THTTPSendDownload", "THTTPSend", "BM_CurlDownloadToMemory", "curl into tmpfs");
    benchmark::Shutdown();
    return 0;
}
