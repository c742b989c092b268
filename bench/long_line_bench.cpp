// Reading one long line that arrives in many small packets. The line reader
// must search only the bytes each packet adds, so the time grows with the
// line's length, not with its square. TransferOnly reads the same stream
// without looking for the line end (the cost of the transfer alone);
// FullRescan searches the whole accumulated text after every packet, for
// comparison.

#include "net/tcp_block_socket.h"
#include "net/text_util.h"
#include "support/loopback_server.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>

namespace {

constexpr std::size_t packetSize = 1024;

// Sends a line of lineSize bytes in packetSize pieces, then CR LF.
LoopbackServer::Script longLine(std::size_t lineSize)
{
    return [lineSize](LoopbackServer::Connection& connection) {
        int on = 1;
        ::setsockopt(connection.Fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
        const std::string packet(packetSize, 'a');
        for (std::size_t sent = 0; sent < lineSize && !connection.Stopping(); sent += packetSize)
            connection.Send(packet);
        connection.Send("\r\n");
        connection.WaitForPeerClose();
    };
}

// Connects a reader with a receive buffer of about one packet, so each read
// takes about one packet, and counts its reads.
void connectReader(TTCPBlockSocket& sock, const LoopbackServer& server, int& reads)
{
    sock.ConvertLineEnd = true;
    sock.SetReceiveBufferSize(1024);
    sock.OnStatus = [&reads](TBlockSocket*, THookSocketReason reason, const Text&) {
        reads += reason == HR_ReadCount ? 1 : 0;
    };
    sock.Connect("127.0.0.1", server.PortText());
}

// Serves one line of state.range(0) bytes per iteration and lets read take
// it from a connected socket; read answers whether the whole line arrived.
void measureLineRead(benchmark::State& state, const std::function<bool(TTCPBlockSocket&, std::size_t)>& read)
{
    const auto lineSize = static_cast<std::size_t>(state.range(0));
    int reads = 0;
    for (auto _ : state) {
        LoopbackServer server(longLine(lineSize));
        TTCPBlockSocket sock;
        connectReader(sock, server, reads);
        if (!read(sock, lineSize))
            state.SkipWithError("line cut short");
    }
    state.counters["reads"] = benchmark::Counter(reads, benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lineSize));
}

void ReceiveLineLong(benchmark::State& state)
{
    measureLineRead(state, [](TTCPBlockSocket& sock, std::size_t lineSize) {
        return sock.ReceiveLine(10000).size() == lineSize;
    });
}
BENCHMARK(ReceiveLineLong)->Arg(1 << 20)->Arg(4 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

void TransferOnly(benchmark::State& state)
{
    measureLineRead(state, [](TTCPBlockSocket& sock, std::size_t lineSize) {
        std::size_t received = 0;
        while (sock.LastErrorCode() == 0 && received < lineSize + 2)
            received += sock.ReceiveAvailable(10000).size();
        return received == lineSize + 2;
    });
}
BENCHMARK(TransferOnly)->Arg(1 << 20)->Arg(4 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

void FullRescan(benchmark::State& state)
{
    measureLineRead(state, [](TTCPBlockSocket& sock, std::size_t lineSize) {
        Text work;
        Text terminator;
        while (sock.LastErrorCode() == 0 && FindLineEnd(work, terminator) == 0)
            work += sock.ReceiveAvailable(10000);
        return work.size() == lineSize + 2;
    });
}
BENCHMARK(FullRescan)->Arg(256 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

}

BENCHMARK_MAIN();
