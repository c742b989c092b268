// The cost of reading a fetched page's markup (ReadPageMarkup: where each
// match of the query sits, the links, a near match, robots directives,
// canonical and page signals), per MiB of page, beside the fetch of the
// same page from a loopback server. Target: under 2 ms for 1 MiB, the same
// cost per MiB for 64 MiB and for junk bytes, and no copy of the page
// (peak_over_page stays near 0).

#include "check/page_markup.h"
#include "net/http_send.h"
#include "process_status.h"
#include "support/loopback_server.h"

#include <benchmark/benchmark.h>
#include <random>
#include <string>

namespace {

// The operator's address: not on the pages below, so every link is looked at.
constexpr char query[] = "http://www.mysite.com/links.html";

// A links page of about size bytes: a head with robots meta tags, then list
// items linking other sites in the forms pages use.
std::string pageOfLinks(std::size_t size)
{
    std::string page = "<html><head><meta name=\"robots\" content=\"index, nofollow\">"
                       "<meta content=\"noarchive\" name=\"googlebot\"></head><body><ul>\n";
    for (std::size_t n = 0; page.size() < size; ++n) {
        const std::string number = std::to_string(n);
        page += "<li class=\"partner\"><a href=\"https://www.partner" + number
            + ".example.com/?from=links&amp;n=" + number + "\" title=\"Partner " + number
            + "\" target=_blank>Partner " + number + "</a></li>\n";
    }
    return page;
}

// A page of articles: GBK paragraphs in blocks of markup, a link to another
// site every kilobyte or so, as pages that are not link lists have them.
std::string pageOfArticles(std::size_t size)
{
    const std::string sentence = "\xD3\xD1\xC7\xE9\xC1\xB4\xBD\xD3\xCA\xC7\xCD\xF8\xD5\xBE\xD6\xAE\xBC\xE4"
                                 "\xB5\xC4\xBB\xA5\xCF\xE0\xCD\xC6\xBC\xF6\xA1\xA3 ";
    std::string page = "<html><head><title>Articles</title></head><body>\n";
    for (std::size_t n = 0; page.size() < size; ++n) {
        page += "<div class=\"post\" id=\"post-" + std::to_string(n) + "\"><h2>Post " + std::to_string(n)
            + "</h2>\n<p>";
        for (int s = 0; s < 12; ++s)
            page += sentence;
        page += "</p>\n<p>" + sentence + "<a href=\"https://www.partner" + std::to_string(n)
            + ".example.com/\">partner</a> " + sentence + sentence + "</p></div>\n";
    }
    return page;
}

// A page whose every link is to the operator's own site, other pages of it:
// each link is read as far as its path.
std::string pageOfSameSiteLinks(std::size_t size)
{
    std::string page;
    for (std::size_t n = 0; page.size() < size; ++n)
        page += "<p><a href='https://mysite.com/other/" + std::to_string(n) + ".html'>more</a></p>\n";
    return page;
}

// Random bytes, or random markup: bytes drawn from those that open and end
// tags, quote values and start references, comments and links.
std::string junkBytes(std::size_t size, std::string_view alphabet = {})
{
    std::mt19937_64 random(19);
    std::string page(size, '\0');
    for (char& byte : page) {
        const auto draw = random();
        byte = alphabet.empty() ? static_cast<char>(draw) : alphabet[draw % alphabet.size()];
    }
    return page;
}

// One link of nearly the whole page, unquoted and without an end, that
// meets the query: the near link found is kept to the outcome's limit.
std::string hugeLink(std::size_t size)
{
    return "<a href=https://mysite.com/links.html?" + std::string(size, 'a');
}

// found: the query is on the page, so every match of it is judged too.
void readPage(benchmark::State& state, const std::string& page, bool found = false)
{
    const long baseline = ProcessStatusField("VmRSS");
    ResetPeakResident();
    std::size_t nearBytes = 0;
    for (auto _ : state) {
        const PageMarkup markup = ReadPageMarkup(page,
            { query, found ? std::string_view(query) : std::string_view(),
                "http://partner.example.com/links.html" });
        nearBytes = markup.near.size();
        benchmark::DoNotOptimize(markup.robots.Result());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.counters["near_bytes"] = static_cast<double>(nearBytes);
    state.counters["peak_over_page"] = static_cast<double>(ProcessStatusField("VmHWM") - baseline) * 1024
        / static_cast<double>(page.size());
}

void BM_ReadPageOfLinks(benchmark::State& state)
{
    readPage(state, pageOfLinks(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_ReadPageOfLinks)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);

// The links page with the operator's link at its end and a copy of it in a comment at its top.
void BM_ReadPageOfLinksWithTheLink(benchmark::State& state)
{
    const std::string link = std::string("<a href=\"") + query + "\">My site</a>";
    readPage(
        state, "<!-- " + link + " -->" + pageOfLinks(static_cast<std::size_t>(state.range(0))) + link, true);
}
BENCHMARK(BM_ReadPageOfLinksWithTheLink)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);

void BM_ReadPageOfArticles(benchmark::State& state)
{
    readPage(state, pageOfArticles(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_ReadPageOfArticles)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);

void BM_ReadPageOfSameSiteLinks(benchmark::State& state)
{
    readPage(state, pageOfSameSiteLinks(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_ReadPageOfSameSiteLinks)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

void BM_ReadJunkBytes(benchmark::State& state)
{
    readPage(state, junkBytes(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_ReadJunkBytes)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);

void BM_ReadJunkMarkup(benchmark::State& state)
{
    readPage(state, junkBytes(static_cast<std::size_t>(state.range(0)), "<<>a aAhref=\"'/&#x;!-:"));
}
BENCHMARK(BM_ReadJunkMarkup)->Arg(1 << 20)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);

void BM_ReadHugeLink(benchmark::State& state)
{
    readPage(state, hugeLink(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_ReadHugeLink)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);

// For comparison: one GET of the 1 MiB links page from a loopback server.
void BM_FetchPageOfLinks(benchmark::State& state)
{
    const std::string page = pageOfLinks(std::size_t { 1 } << 20);
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size())
        + "\r\nConnection: close\r\n\r\n" + page;
    LoopbackServer server(
        [&reply](LoopbackServer::Connection& connection) {
            connection.ReadUntil("\r\n\r\n");
            connection.Send(reply);
            connection.WaitForPeerClose();
        },
        1000000);
    const std::string url = "http://127.0.0.1:" + server.PortText() + "/links.html";
    for (auto _ : state) {
        THTTPSend http;
        if (!http.ExecuteRequest("GET", url)
            || http.Document().Size() != static_cast<std::int64_t>(page.size())) {
            state.SkipWithError("the page did not arrive whole");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FetchPageOfLinks)->Unit(benchmark::kMicrosecond)->UseRealTime();

}

BENCHMARK_MAIN();
