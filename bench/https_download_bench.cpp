// Download speed over https: THTTPSend against curl -k fetching the same
// 256 MiB file from the same loopback nginx (self-signed certificate) in the
// same run. Target: at least 80% of curl's speed.

#include "net/http_send.h"
#include "support/nginx_server.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
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
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            const auto speed = run.counters.find("bytes_per_second");
            if (!run.error_occurred && speed != run.counters.end())
                m_speed[run.benchmark_name().substr(0, run.benchmark_name().find('/'))] = speed->second;
        }
    }

    void printRatio()
    {
        const double ours = m_speed["BM_THTTPSendHttpsDownload"];
        const double curl = m_speed["BM_CurlHttpsDownload"];
        if (ours > 0 && curl > 0)
            std::printf("https: THTTPSend %.0f MB/s, curl -k %.0f MB/s, ratio %.2f (target >= 0.80)\n",
                ours / 1e6, curl / 1e6, ours / curl);
    }

private:
    std::map<std::string, double> m_speed;
};

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio();
    benchmark::Shutdown();
    return 0;
}
