// Download speed over https: THTTPSend against curl -k fetching the same
// 256 MiB file from the same loopback nginx (self-signed certificate) in the
// same run. Target: at least 80% of curl's speed.

#include "net/http_send.h"
#include "speed_reporter.h"
#include "support/nginx_server.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr std::int64_t bodySize = std::int64_t { 256 } << 20;

class HttpsBodyServer
{
public:
    HttpsBodyServer()
    {
        if (!m_nginx.enableTls())
            return;
        std::ofstream file(m_nginx.documentRoot() + "/body.bin", std::ios::binary);
        const std::string piece(1 << 20, 'x');
        for (std::int64_t written = 0; written < bodySize; written += static_cast<std::int64_t>(piece.size()))
            file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        file.close();
        m_ready = m_nginx.start();
    }

    bool ready() const { return m_ready; }
    const std::string& reason() const { return m_nginx.reason(); }
    std::string url() const { return m_nginx.urlOf("/body.bin"); }

private:
    NginxServer m_nginx;
    bool m_ready = false;
};

HttpsBodyServer& server()
{
    static HttpsBodyServer instance;
    return instance;
}

void BM_THTTPSendHttpsDownload(benchmark::State& state)
{
    if (!server().ready()) {
        state.SkipWithError(server().reason().c_str());
        return;
    }
    for (auto _ : state) {
        THTTPSend http;
        http.Timeout = 20000;
        if (!http.ExecuteRequest("GET", server().url()) || http.Document().Size() != bodySize) {
            state.SkipWithError("THTTPSend did not receive the whole body");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * bodySize);
}

void BM_CurlHttpsDownload(benchmark::State& state)
{
    if (!server().ready()) {
        state.SkipWithError(server().reason().c_str());
        return;
    }
    const std::string command = "curl -k -s -o /dev/null -w '%{size_download}' " + server().url();
    for (auto _ : state) {
        FILE* pipe = ::popen(command.c_str(), "r");
        char size[64] = {};
        const bool read = pipe && std::fgets(size, sizeof(size), pipe) != nullptr;
        const int status = pipe ? ::pclose(pipe) : -1;
        if (!read || status != 0 || std::atoll(size) != bodySize) {
            state.SkipWithError("curl did not receive the whole body");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * bodySize);
}

BENCHMARK(BM_THTTPSendHttpsDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CurlHttpsDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Prints the usual table, then the two speeds and their ratio.

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SpeedReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio(
        "BM_THTTPSendHttpsDownload", "https: THTTPSend", "BM_CurlHttpsDownload", "curl -k", 0.8);
    benchmark::Shutdown();
    return 0;
}
