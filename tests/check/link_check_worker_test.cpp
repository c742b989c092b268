#include "check/link_check_recorder.h"
#include "check/link_check_worker.h"
#include "check/verdict_texts.h"
#include "net/socket_error.h"
#include "support/loopback_port.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Call = LinkCheckRecorder::Call;
using CallKind = LinkCheckRecorder::CallKind;

constexpr int resultRow = 3;
constexpr char acceptText[]
    = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
      "application/msword, application/x-shockwave-flash, */*";
constexpr char agent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

std::string response(const std::string& status, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A server that answers every connection with reply once the request is in.
LoopbackServer replyingServer(const std::string& reply)
{
    return LoopbackServer([reply](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n\r\n");
        connection.Send(reply);
        connection.WaitForPeerClose();
    });
}

std::string pageUrl(const LoopbackServer& server)
{
    return "http://127.0.0.1:" + server.PortText() + "/page";
}

struct RunOptions {
    int selectedDebugRow = NoDebugRow;
    std::chrono::milliseconds pauseLength = 0ms;
};

// Starts one worker and waits until it has freed itself.
std::shared_ptr<LinkCheckRecorder> runWorker(
    const std::string& url, const std::string& query, const RunOptions& options = {})
{
    auto recorder = std::make_shared<LinkCheckRecorder>(
        options.selectedDebugRow, LinkCheckRecorder::TranscriptKeeping::Keep);
    auto worker = std::make_unique<Temu>(recorder);
    worker->PageUrl = url;
    worker->QueryText = query;
    worker->ResultRow = resultRow;
    worker->setPauseLength(options.pauseLength);
    Temu::Start(std::move(worker), [recorder] { recorder->noteWorkerFreed(); });
    EXPECT_TRUE(recorder->waitForFreedWorkers(1, 30s));
    return recorder;
}

struct VerdictCase {
    const char* name;
    std::string reply;
    std::string query;
    std::string verdict;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const VerdictCase& testCase, std::ostream* out) { *out << testCase.name; }

template <std::size_t N> std::string bytes(const char (&text)[N]) { return std::string(text, N - 1); }

// 友情链接 ("partner links") in GBK and in UTF-8.
constexpr char partnerGbk[] = "\xD3\xD1\xC7\xE9\xC1\xB4\xBD\xD3";
constexpr char partnerUtf8[] = "\xE5\x8F\x8B\xE6\x83\x85\xE9\x93\xBE\xE6\x8E\xA5";

const VerdictCase verdictCases[] = {
    { "FoundAnywhere", response("200 OK", "<p><a href=\"http://me/\">me</a></p>"), "http://me/",
        verdictFound },
    { "OtherLetterCase", response("200 OK", "<a href=\"http://me/\">"), "HTTP://ME/", verdictNotFound },
    { "EmptyQuery", response("200 OK", "anything"), "", verdictNotFound },
    { "EmptyBodyEmptyQuery", response("200 OK", ""), "", verdictNotFound },
    { "NulBeforeQuery", response("200 OK", bytes("abc\0<a>me</a>")), "me", verdictNotFound },
    { "NulAfterQuery", response("200 OK", bytes("<a>me</a>\0tail")), "me", verdictFound },
    { "NotFoundPageWithText", response("404 Not Found", "no page, but me"), "me", verdictFound },
    { "ServerErrorWithText", response("500 Internal Server Error", "oops me"), "me", verdictFound },
    { "RedirectBodyIsSearched", response("302 Found", "moved to me"), "me", verdictFound },
    { "CrLfQueryMatchesLoneLf", response("200 OK", "one\ntwo"), "one\r\ntwo", verdictFound },
    { "CrLfQueryMatchesLoneCr", response("200 OK", "one\rtwo"), "one\r\ntwo", verdictFound },
    { "CrLfQueryMatchesCrLf", response("200 OK", "one\r\ntwo"), "one\r\ntwo", verdictFound },
    { "LoneLfQueryNeverMatches", response("200 OK", "one\ntwo"), "one\ntwo", verdictNotFound },
    { "LastLineEndsInCrLf", response("200 OK", "the end"), "end\r\n", verdictFound },
    { "GbkQueryOnGbkPage", response("200 OK", std::string("<b>") + partnerGbk + "</b>"), partnerGbk,
        verdictFound },
    { "GbkQueryOnUtf8Page", response("200 OK", std::string("<b>") + partnerUtf8 + "</b>"), partnerGbk,
        verdictFound },
    { "GbkQueryAbsentFromUtf8Page", response("200 OK", "<b>\xE5\x8F\x8B</b>"), partnerGbk, verdictNotFound },
    { "Utf8QueryTextIsNotConvertedBack", response("200 OK", partnerGbk), partnerUtf8, verdictNotFound },
    { "NoStatusLine", "just text with me", "me", verdictFound },
    { "ChunkedBody",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nfind\r\n3\r\n me\r\n0\r\n\r\n", "find me",
        verdictFound },
    { "CutShortBodyIsSearchedAsFarAsItArrived", "HTTP/1.1 200 OK\r\n\r\nhalf a page with me", "me",
        verdictFound },
    { "GarbageStatusLine", bytes("\x01\x02\xff\r\nme"), "me", verdictFound },
    { "HugeLengthNothingSent", "HTTP/1.1 200 OK\r\nContent-Length: 2000000000\r\n\r\n", "me",
        verdictNotFound },
};

class LinkCheckVerdict : public ::testing::TestWithParam<VerdictCase>
{
};

TEST_P(LinkCheckVerdict, JudgesBody)
{
    const VerdictCase& testCase = GetParam();
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n\r\n");
        connection.Send(testCase.reply);
    });
    const auto recorder = runWorker(pageUrl(server), testCase.query);
    EXPECT_EQ(recorder->resultOf(resultRow), testCase.verdict);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkCheckVerdict, ::testing::ValuesIn(verdictCases),
    [](const ::testing::TestParamInfo<VerdictCase>& info) { return std::string(info.param.name); });

// What the outcome says of one fetch; no reply is a port that refuses.
struct OutcomeCase {
    const char* name;
    std::optional<std::string> reply;
    std::string query;
    CheckOutcomeKind kind;
    int status;
    std::string reasonPhrase;
    std::string location;
    std::int32_t error;
    std::int64_t bytes;
    QueryMatch match;
    LinkRel rel;
    std::string near {};
    RobotsDirective robots = RobotsDirective::Absent;
};

void PrintTo(const OutcomeCase& testCase, std::ostream* out) { *out << testCase.name; }

using enum CheckOutcomeKind;
using enum LinkRel;

const std::string hugeLocation = "https://me/" + std::string(512 << 10, 'a');

// A page that links the site in another form and asks search engines to pass it by, as its head does.
const std::string hiddenPage = "<meta name=robots content=noindex><a href='https://www.me.cn'>";

const OutcomeCase outcomeCases[] = {
    { "MissingFromWholePage", "HTTP/1.1 200 OK\r\n\r\nno link", "me", Missing, 200, "OK", "", 0, 7,
        QueryMatch::None, NotInLink },
    { "MissingFromCutShortPage", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nhalf", "me", Missing, 200, "OK",
        "", SE_ConnectionReset, 4, QueryMatch::None, NotInLink },
    { "MissingButLinkedInAnotherFormOnAHiddenPage",
        "HTTP/1.1 200 OK\r\nX-Robots-Tag: nofollow\r\nContent-Length: " + std::to_string(hiddenPage.size())
            + "\r\n\r\n" + hiddenPage,
        "http://www.me.cn/", Missing, 200, "OK", "", 0, static_cast<std::int64_t>(hiddenPage.size()),
        QueryMatch::None, NotInLink, "https://www.me.cn", RobotsDirective::None },
    { "HalfMegabyteLocation", "HTTP/1.1 301 Moved\r\nLocation: " + hugeLocation + "\r\n\r\n", "x", Missing,
        301, "Moved", hugeLocation.substr(0, OutcomeTextLimit), 0, 0, QueryMatch::None, NotInLink },
    { "EmptyAnswer", "", "me", Unreachable, 0, "", "", SE_ConnectionReset, 0, QueryMatch::None, NotInLink },
    { "RefusedPort", std::nullopt, "me", Unreachable, 0, "", "", SE_ConnectionRefused, 0, QueryMatch::None,
        NotInLink },
};

class LinkCheckOutcome : public ::testing::TestWithParam<OutcomeCase>
{
};

TEST_P(LinkCheckOutcome, TellsWhyFromTheOneExchange)
{
    const OutcomeCase& testCase = GetParam();
    const RefusingPort refusing;
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n\r\n");
        connection.Send(testCase.reply.value_or(""));
    });
    const std::string port = testCase.reply ? server.PortText() : refusing.Port();
    const auto recorder = runWorker("http://127.0.0.1:" + port + "/", testCase.query);
    const std::optional<CheckOutcome> outcome = recorder->outcomeOf(resultRow);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->kind, testCase.kind);
    EXPECT_EQ(outcome->status, testCase.status);
    EXPECT_EQ(outcome->reasonPhrase, testCase.reasonPhrase);
    EXPECT_EQ(outcome->location, testCase.location);
    EXPECT_EQ(outcome->error, testCase.error);
    EXPECT_EQ(outcome->errorText.empty(), testCase.error == 0);
    EXPECT_EQ(outcome->bytes, testCase.bytes);
    EXPECT_EQ(outcome->match, testCase.match);
    EXPECT_EQ(outcome->rel, testCase.rel);
    EXPECT_EQ(outcome->near, testCase.near);
    EXPECT_EQ(outcome->nearDifference.empty(), testCase.near.empty());
    EXPECT_EQ(outcome->robots, testCase.robots);
    EXPECT_LE(OutcomeReason(*outcome).size(), OutcomeTextLimit);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkCheckOutcome, ::testing::ValuesIn(outcomeCases),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

TEST(LinkCheckWorker, UnreachablePageIsNotFound)
{
    const RefusingPort refusing;
    const auto recorder = runWorker("http://127.0.0.1:" + refusing.Port() + "/", "me");
    EXPECT_EQ(recorder->resultOf(resultRow), verdictNotFound);
}

TEST(LinkCheckWorker, SendsFixedRequest)
{
    LoopbackServer server = replyingServer(response("200 OK", "x"));
    runWorker(pageUrl(server), "x");
    EXPECT_EQ(server.ReceivedBy(0),
        std::string("GET /page HTTP/1.1\r\nAccept: ") + acceptText + "\r\nAccept-Language: en\r\nUser-Agent: "
            + agent + "\r\nHost: 127.0.0.1:" + server.PortText() + "\r\nConnection: Keep-Alive\r\n\r\n");
}

TEST(LinkCheckWorker, SelectedRowGetsTranscriptBetweenTestAndVerdict)
{
    LoopbackServer server = replyingServer(response("200 OK", "hello\nworld"));
    const std::string url = pageUrl(server);
    const auto recorder = runWorker(url, "world", { resultRow });

    const std::string transcript = std::string("\r\n") + "GET " + url + " HTTP/1.1           [  ]\r\n"
        + "Accept: " + acceptText + "\r\nAccept-Language: en\r\nUser-Agent: " + agent
        + "\r\nHost: 127.0.0.1\r\nConnection: Keep-Alive\r\n" + "\r\n\r\n"
        + "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n" + "\r\n\r\n" + "hello\r\nworld\r\n" + "\r\n";
    const std::vector<Call> calls = recorder->calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, CallKind::Result);
    EXPECT_EQ(calls[0].row, resultRow);
    EXPECT_EQ(calls[0].value, verdictTesting);
    EXPECT_EQ(calls[1].kind, CallKind::DebugText);
    EXPECT_EQ(calls[1].value, transcript);
    EXPECT_EQ(calls[2].kind, CallKind::Result);
    EXPECT_EQ(calls[2].row, resultRow);
    EXPECT_EQ(calls[2].value, verdictFound);
}

// The transcript is split and joined as one text, so a NUL in a header line
// cuts it there, while the verdict still searches the whole page text.
// The reply and the tail are made when the case runs: the huge ones would
// otherwise be built at the start of every test process.
struct TranscriptCase {
    const char* name;
    std::string (*reply)();
    std::string (*transcriptTail)();
    std::string verdict;
};

void PrintTo(const TranscriptCase& testCase, std::ostream* out) { *out << testCase.name; }

// "……（页面另有 N 字节未显示）" in GBK, the line that follows a cut page.
std::string hiddenNotice(std::size_t bytes)
{
    return "\xA1\xAD\xA1\xAD\xA3\xA8\xD2\xB3\xC3\xE6\xC1\xED\xD3\xD0 " + std::to_string(bytes)
        + " \xD7\xD6\xBD\xDA\xCE\xB4\xCF\xD4\xCA\xBE\xA3\xA9";
}

// Lines of 1 023 bytes: 4 092 of them (with CR LF) fit in the 4 MiB shown.
std::string lines(int count, const std::string& lineBreak)
{
    std::string text;
    for (int line = 0; line < count; ++line)
        text += std::string(1023, 'a') + lineBreak;
    return text;
}

// One line of GBK characters after an "x": the 4 MiB limit falls inside a
// character, so one byte less is shown.
std::string oddLine()
{
    std::string characters = "x";
    for (int character = 0; character < (2 << 20) + 8; ++character)
        characters += "\xB0\xA1"; // 啊
    return characters;
}
const std::size_t oddLineShown = (4 << 20) - 1;

const TranscriptCase transcriptCases[] = {
    { "NulInHeaderCutsTranscriptOnly",
        [] { return bytes("HTTP/1.1 200 OK\r\nX-A: a\0b\r\nContent-Length: 2\r\n\r\nme"); },
        [] { return std::string("\r\n\r\nHTTP/1.1 200 OK\r\nX-A: a\r\n"); }, verdictFound },
    { "NulInPageCutsPage", [] { return response("200 OK", bytes("a\rme\0me")); },
        [] { return std::string("\r\n\r\n\r\na\r\nme\r\n\r\n"); }, verdictFound },
    { "LoneBreaksInPage", [] { return response("200 OK", "a\n\rb\r"); },
        [] { return std::string("\r\n\r\n\r\na\r\n\r\nb\r\n\r\n"); }, verdictNotFound },
    { "HugePageShowsItsFirst4MiBLinesAndTheRest", [] { return response("200 OK", lines(4100, "\n") + "me"); },
        [] { return "\r\n\r\n\r\n" + lines(4092, "\r\n") + hiddenNotice(8 * 1025 + 4) + "\r\n\r\n"; },
        verdictFound },
    { "HugeLineIsCutBetweenCharacters", [] { return response("200 OK", oddLine() + "\nme"); },
        // The page text is the line, CR LF, "me" and CR LF.
        [] {
            const std::string line = oddLine();
            return "\r\n\r\n\r\n" + line.substr(0, oddLineShown) + "\r\n"
                + hiddenNotice(line.size() + 6 - oddLineShown) + "\r\n\r\n";
        },
        verdictFound },
};

class LinkCheckTranscript : public ::testing::TestWithParam<TranscriptCase>
{
};

TEST_P(LinkCheckTranscript, EndsAsTheJoinedLinesDo)
{
    const TranscriptCase& testCase = GetParam();
    LoopbackServer server = replyingServer(testCase.reply());
    const auto recorder = runWorker(pageUrl(server), "me", { resultRow });
    EXPECT_TRUE(recorder->debugText().ends_with(testCase.transcriptTail())) << recorder->debugText();
    EXPECT_EQ(recorder->resultOf(resultRow), testCase.verdict);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkCheckTranscript, ::testing::ValuesIn(transcriptCases),
    [](const ::testing::TestParamInfo<TranscriptCase>& info) { return std::string(info.param.name); });

// The kept transcript's page is cut within 256 KiB at a line break.
TEST(LinkCheckWorker, KeptTranscriptIsCutAt256KiB)
{
    LoopbackServer server = replyingServer(response("200 OK", lines(4100, "\n") + "me"));
    const auto recorder = runWorker(pageUrl(server), "me");
    const std::string kept = recorder->keptTranscriptOf(resultRow);
    const std::size_t pageStart = kept.find(std::string(1023, 'a'));
    const std::size_t noticeStart = kept.rfind("\xA1\xAD\xA1\xAD");
    const std::size_t shownPage = noticeStart - pageStart;
    EXPECT_LE(kept.size(), std::size_t { 256 } << 10);
    EXPECT_GT(kept.size(), std::size_t { 255 } << 10);
    EXPECT_EQ(kept.substr(pageStart, shownPage), lines(int(shownPage / 1025), "\r\n"));
    EXPECT_EQ(kept.substr(noticeStart), hiddenNotice(4100 * 1025 + 4 - shownPage) + "\r\n\r\n");
}

TEST(LinkCheckWorker, OtherOrNoSelectedRowGetsNoTranscript)
{
    LoopbackServer server(
        [](LoopbackServer::Connection& connection) {
            connection.ReadUntil("\r\n\r\n");
            connection.Send(response("200 OK", "x"));
        },
        2);
    for (const int selected : { NoDebugRow, resultRow + 1 }) {
        const auto recorder = runWorker(pageUrl(server), "x", { selected });
        const std::vector<Call> calls = recorder->calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].value, verdictTesting);
        EXPECT_EQ(calls[1].value, verdictFound);
    }
}

TEST(LinkCheckWorker, FailedFetchTranscriptShowsRequestLinesAndNoPage)
{
    const RefusingPort refusing;
    const std::string& port = refusing.Port();

    const auto recorder = runWorker("http://127.0.0.1:" + port + "/p", "x", { resultRow });
    const std::string transcript = recorder->debugText();
    // The client's header list still holds the request it built, then the page part is empty.
    const std::string requestHead = std::string("GET /p HTTP/1.1\r\nAccept: ") + acceptText
        + "\r\nAccept-Language: en\r\nUser-Agent: " + agent + "\r\nHost: 127.0.0.1:" + port
        + "\r\nConnection: Keep-Alive\r\n\r\n";
    EXPECT_NE(transcript.find("Connection: Keep-Alive\r\n\r\n\r\n" + requestHead + "\r\n\r\n\r\n"),
        std::string::npos)
        << transcript;
    EXPECT_EQ(transcript.substr(transcript.size() - 8), "\r\n\r\n\r\n\r\n");
}

TEST(LinkCheckWorker, StartDelayComesBeforeAnything)
{
    std::chrono::steady_clock::time_point requestArrived;
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        requestArrived = std::chrono::steady_clock::now();
        connection.ReadUntil("\r\n\r\n");
        connection.Send(response("200 OK", "x"));
    });
    const auto start = std::chrono::steady_clock::now();
    auto recorder = std::make_shared<LinkCheckRecorder>();
    auto worker = std::make_unique<Temu>(recorder);
    worker->PageUrl = pageUrl(server);
    worker->QueryText = "x";
    worker->ResultRow = resultRow;
    Temu::Start(std::move(worker), [recorder] { recorder->noteWorkerFreed(); });

    ASSERT_TRUE(recorder->waitFor([](const std::vector<Call>& calls, int) { return !calls.empty(); }, 10s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1100ms);
    EXPECT_EQ(recorder->calls()[0].value, verdictTesting);
    ASSERT_TRUE(recorder->waitForFreedWorkers(1, 10s));
    ASSERT_TRUE(server.WaitFinished(1));
    EXPECT_GE(requestArrived - start, 1100ms);
    EXPECT_EQ(recorder->resultOf(resultRow), verdictFound);
    // The outcome's time runs from the request, after the delay.
    EXPECT_LT(recorder->outcomeOf(resultRow)->ms, 1100);
}

TEST(LinkCheckWorker, FreesItselfAndLetsGoOfWindow)
{
    LoopbackServer server = replyingServer(response("200 OK", "x"));
    const auto recorder = runWorker(pageUrl(server), "x");
    EXPECT_EQ(recorder->freedWorkers(), 1);
    EXPECT_TRUE(WaitUntil([&] { return recorder.use_count() == 1; }));
}

TEST(LinkCheckWorker, ManyWorkersWriteOnlyTheirOwnRows)
{
    constexpr int workers = 8;
    LoopbackServer server(
        [](LoopbackServer::Connection& connection) {
            const std::string request = connection.ReadUntil("\r\n\r\n");
            connection.Send(response("200 OK", request.substr(0, request.find(" HTTP/"))));
        },
        workers);
    auto recorder = std::make_shared<LinkCheckRecorder>();
    for (int row = 1; row <= workers; ++row) {
        auto worker = std::make_unique<Temu>(recorder);
        worker->PageUrl = "http://127.0.0.1:" + server.PortText() + "/row" + std::to_string(row);
        worker->QueryText = row % 2 == 0 ? "/row" + std::to_string(row) : "absent";
        worker->ResultRow = row;
        worker->setPauseLength(0ms);
        Temu::Start(std::move(worker), [recorder] { recorder->noteWorkerFreed(); });
    }
    ASSERT_TRUE(recorder->waitForFreedWorkers(workers, 30s));
    for (int row = 1; row <= workers; ++row)
        EXPECT_EQ(recorder->resultOf(row), row % 2 == 0 ? verdictFound : verdictNotFound) << "row " << row;
}

}
