// Broken and hostile servers against the HTTP client and against the link
// check worker that uses it: every fault ends within its time-out budget, and
// the client's state and the worker's verdict are the ones the rules give for
// what arrived. Both sides are bounded: lines by the socket's MaxLineLength,
// bodies by MaxBodySize.
#include "check/link_check_recorder.h"
#include "check/link_check_worker.h"
#include "net/http_send.h"
#include "net/http_test_peer.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "support/adjustable_tick_clock.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// The wait limit of each receive, for the client and the worker alike.
constexpr std::int32_t waitLimit = 300;
constexpr std::int32_t clientLineLimit = 1 << 20;
constexpr std::int64_t clientBodyLimit = 1 << 20;
constexpr char query[] = "href=target";
constexpr char page[] = "<a href=target>";

struct FaultCase {
    const char* name;
    // What the server does once it has read the request.
    std::function<void(LoopbackServer::Connection&)> behave;
    bool result;
    std::int32_t code;
    std::size_t headerLines;
    // The exact Document, or, for the endless body, its first bytes.
    std::string document;
    bool documentIsPrefix;
    std::int64_t documentSize;
    const char* verdict;
    std::chrono::milliseconds budget;
    // The socket error the worker's outcome names.
    std::int32_t error = 0;
    // The worker's wait limit: an endless body must reach the worker's 64 MiB cap before four of them,
    // however slow the build reads it.
    std::int32_t workerWaitLimit = waitLimit;
};

void PrintTo(const FaultCase& testCase, std::ostream* out) { *out << testCase.name; }

template <std::size_t N> std::string bytes(const char (&text)[N]) { return std::string(text, N - 1); }

std::string sized(const std::string& body, const std::string& extraHeaders = {})
{
    return "HTTP/1.1 200 OK\r\n" + extraHeaders + "Content-Length: " + std::to_string(body.size())
        + "\r\n\r\n" + body;
}

// Sends reply, then keeps the connection open until the client has gone.
std::function<void(LoopbackServer::Connection&)> replyThenWait(std::string reply)
{
    return [reply](LoopbackServer::Connection& connection) {
        connection.Send(reply);
        connection.WaitForPeerClose(10s);
    };
}

std::function<void(LoopbackServer::Connection&)> replyThenReset(std::string reply)
{
    return [reply](LoopbackServer::Connection& connection) {
        connection.Send(reply);
        connection.Reset();
    };
}

// Sends head, then the same filler again and again until the client gives up.
std::function<void(LoopbackServer::Connection&)> endless(std::string head, char filler)
{
    return [head, filler](LoopbackServer::Connection& connection) {
        const std::string piece(64 << 10, filler);
        if (!connection.Send(head))
            return;
        while (!connection.Stopping() && connection.Send(piece)) { }
    };
}

// Sends head and the first byte of body, then one more byte each time three
// wait limits have passed, until the client has gone.
std::function<void(LoopbackServer::Connection&)> trickle(std::string head, std::string body)
{
    return [head, body](LoopbackServer::Connection& connection) {
        connection.Send(head + body.substr(0, 1));
        for (std::size_t next = 1; next < body.size(); ++next) {
            if (connection.WaitForPeerClose(std::chrono::milliseconds(3 * waitLimit)))
                return;
            connection.Send(body.substr(next, 1));
        }
        connection.WaitForPeerClose(10s);
    };
}

// Sends head, then a drop each third of a wait limit on the tick counter, which
// each drop moves on, while the client stays (10 s at most).
std::function<void(LoopbackServer::Connection&)> dripping(std::string head, std::string drop)
{
    return [head, drop](LoopbackServer::Connection& connection) {
        const std::chrono::milliseconds pause(waitLimit / 20);
        for (int sent = 0; sent * pause < 10s && connection.Send(sent == 0 ? head + drop : drop); ++sent) {
            AdjustableTickClock::Advance(std::chrono::milliseconds(waitLimit / 3));
            if (connection.WaitForPeerClose(pause))
                return;
        }
    };
}

std::string manyHeaderLines(int count)
{
    std::string lines;
    for (int index = 0; index < count; ++index)
        lines += "X-Line-" + std::to_string(index) + ": value\r\n";
    return lines;
}

// body as chunks of one byte each, with the closing chunk.
std::string oneByteChunks(const std::string& body)
{
    std::string chunks;
    for (const char c : body)
        chunks += std::string("1\r\n") + c + "\r\n";
    return chunks + "0\r\n\r\n";
}

const std::string okHead = "HTTP/1.1 200 OK\r\n";
const std::string invalidGbk = bytes("\x81\x20\xFF\xFE\x80<a href=target>\xA1\x7F\x80");
const std::string chunkedHead = okHead + "Transfer-Encoding: chunked\r\n\r\n";
const std::string longPage = page + std::string(20000, 'c');

// clang-format off
// A head whose framing leaves the end of the body unknown: the exchange fails
// as such, and the page that follows is never taken for the body.
FaultCase brokenFrame(const char* name, const std::string& head, std::size_t headerLines)
{
    return { .name = name, .behave = replyThenWait(head + page), .result = false, .code = 200,
        .headerLines = headerLines, .document = "", .documentIsPrefix = false, .documentSize = 0,
        .verdict = verdictNotFound, .budget = 2s, .error = SE_BadFraming };
}

const FaultCase faultCases[] = {
    { .name = "ResetMidHeader", .behave = replyThenReset(okHead + "Content-Le"), .result = true, .code = 200,
        .headerLines = 2, .document = "Content-Le", .documentIsPrefix = false, .documentSize = 10,
        .verdict = verdictNotFound, .budget = 2s },
    { .name = "ResetMidBody", .behave = replyThenReset(okHead + "Content-Length: 100\r\n\r\n" + page),
        .result = false, .code = 200, .headerLines = 3, .document = page, .documentIsPrefix = false,
        .documentSize = 15, .verdict = verdictFound, .budget = 2s, .error = SE_ConnectionReset },
    { .name = "CloseBeforeAnyByte", .behave = [](LoopbackServer::Connection&) {}, .result = true, .code = 0,
        .headerLines = 0, .document = "\r\n", .documentIsPrefix = false, .documentSize = 2,
        .verdict = verdictNotFound, .budget = 2s, .error = SE_ConnectionReset },
    { .name = "TrickleSlowerThanTimeout", .behave = trickle(okHead + "\r\n", page), .result = true,
        .code = 200, .headerLines = 2, .document = "<", .documentIsPrefix = false, .documentSize = 1,
        .verdict = verdictNotFound, .budget = 3s },
    { .name = "EmptyLinesWithoutEnd", .behave = dripping("", "\r\n"), .result = false, .code = 0,
        .headerLines = 0, .document = "\r\n", .documentIsPrefix = false, .documentSize = 2,
        .verdict = verdictNotFound, .budget = 3s, .error = SE_TimedOut },
    { .name = "ChunkSizeLineWithoutEnd", .behave = dripping(chunkedHead + "F\r\n" + page + "\r\n", "0"),
        .result = false, .code = 200, .headerLines = 3, .document = page, .documentIsPrefix = false,
        .documentSize = 15, .verdict = verdictFound, .budget = 3s, .error = SE_TimedOut },
    { .name = "EndlessHeaderLine", .behave = endless(okHead + "X-Long: ", 'a'), .result = false, .code = 200,
        .headerLines = 2, .document = "", .documentIsPrefix = false, .documentSize = 0,
        .verdict = verdictNotFound, .budget = 20s, .error = SE_NoBufferSpace },
    { .name = "EndlessBody", .behave = endless(okHead + "\r\n" + page, 'b'), .result = false, .code = 200,
        .headerLines = 2, .document = page, .documentIsPrefix = true, .documentSize = clientBodyLimit,
        .verdict = verdictFound, .budget = 30s, .workerWaitLimit = 5000 },
    brokenFrame("HugeChunkSize", chunkedHead + "FFFFFFFFFFFFFFFF\r\n", 3),
    brokenFrame("ChunkSizeOfAll32Bits", chunkedHead + "ffffffff\r\n", 3),
    brokenFrame("ChunkSizeOfTheSignBitAlone", chunkedHead + "80000000\r\n", 3),
    brokenFrame("ChunkSizeOfTwentyDigits", chunkedHead + "123456789abcdef01234\r\n", 3),
    brokenFrame("ChunkSizeWithHexPrefix", chunkedHead + "0x3f\r\n", 3),
    brokenFrame("NegativeContentLength", okHead + "Content-Length: -5\r\n\r\n", 3),
    brokenFrame("LaterContentLengthNoNumber",
        okHead + "Content-Length: 15\r\nContent-Length: abc\r\n\r\n", 4),
    { .name = "TenThousandHeaderLines", .behave = replyThenWait(sized(page, manyHeaderLines(10000))),
        .result = true, .code = 200, .headerLines = 10003, .document = page, .documentIsPrefix = false,
        .documentSize = 15, .verdict = verdictFound, .budget = 5s },
    { .name = "TwentyThousandOneByteChunks", .behave = replyThenWait(chunkedHead + oneByteChunks(longPage)),
        .result = true, .code = 200, .headerLines = 3, .document = longPage, .documentIsPrefix = false,
        .documentSize = static_cast<std::int64_t>(longPage.size()), .verdict = verdictFound, .budget = 5s },
    { .name = "NulInHeader", .behave = replyThenWait(sized(page, bytes("X-A: a\0b\r\n"))), .result = true,
        .code = 200, .headerLines = 4, .document = page, .documentIsPrefix = false, .documentSize = 15,
        .verdict = verdictFound, .budget = 2s },
    { .name = "InvalidGbkInBody", .behave = replyThenWait(sized(invalidGbk)), .result = true, .code = 200,
        .headerLines = 3, .document = invalidGbk, .documentIsPrefix = false,
        .documentSize = static_cast<std::int64_t>(invalidGbk.size()), .verdict = verdictFound, .budget = 2s },
};
// clang-format on

class HttpFaultMatrix : public ::testing::TestWithParam<FaultCase>
{
protected:
    const AdjustableTickClock m_clock;

    LoopbackServer startServer()
    {
        const FaultCase testCase = GetParam();
        return LoopbackServer([testCase](LoopbackServer::Connection& connection) {
            readRequest(connection);
            testCase.behave(connection);
        });
    }

    static std::string url(const LoopbackServer& server)
    {
        return "http://127.0.0.1:" + server.PortText() + "/";
    }
};

TEST_P(HttpFaultMatrix, ClientEndsWithinBudget)
{
    const FaultCase& testCase = GetParam();
    LoopbackServer server = startServer();
    THTTPSend http;
    http.Timeout = waitLimit;
    http.Sock().MaxLineLength = clientLineLimit;
    http.MaxBodySize = clientBodyLimit;

    const auto start = std::chrono::steady_clock::now();
    const bool result = http.ExecuteRequest("GET", url(server));
    EXPECT_LT(std::chrono::steady_clock::now() - start, testCase.budget);

    EXPECT_EQ(result, testCase.result);
    EXPECT_EQ(http.ResultCode(), testCase.code);
    EXPECT_EQ(http.Headers().Count(), testCase.headerLines);
    const Text document = http.Document().ToText();
    EXPECT_EQ(document.size(), testCase.documentSize);
    if (testCase.documentIsPrefix)
        EXPECT_TRUE(document.starts_with(testCase.document));
    else
        EXPECT_EQ(document, testCase.document);
    EXPECT_EQ(http.Document().Position(), 0);
}

TEST_P(HttpFaultMatrix, WorkerGivesVerdictWithinBudget)
{
    const FaultCase& testCase = GetParam();
    LoopbackServer server = startServer();
    constexpr int row = 2;
    auto recorder = std::make_shared<LinkCheckRecorder>();
    auto worker = std::make_unique<Temu>(recorder);
    worker->PageUrl = url(server);
    worker->QueryText = query;
    worker->ResultRow = row;
    worker->setPauseLength(0ms);
    worker->setWaitLimit(std::chrono::milliseconds(testCase.workerWaitLimit));

    const auto start = std::chrono::steady_clock::now();
    Temu::Start(std::move(worker), [recorder] { recorder->noteWorkerFreed(); });
    ASSERT_TRUE(recorder->waitForFreedWorkers(1, testCase.budget + 30s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, testCase.budget);

    // "TEST......" first, then the verdict; no fault leaves the row testing.
    const auto calls = recorder->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].value, verdictTesting);
    EXPECT_EQ(recorder->resultOf(row), testCase.verdict);
    const std::optional<CheckOutcome> outcome = recorder->outcomeOf(row);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->error, testCase.error);
    if (testCase.error == SE_BadFraming || testCase.error == SE_MessageTooLong) {
        EXPECT_EQ(outcome->kind, CheckOutcomeKind::Unreachable);
    }
}

TEST(HttpFaultMatrixLimits, BodyOfExactlyTheLimitIsWhole)
{
    const std::string body(4096, 'x');
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(okHead + "Connection: close\r\n\r\n" + body);
    });
    THTTPSend http;
    http.Timeout = waitLimit;
    http.MaxBodySize = static_cast<std::int64_t>(body.size());

    EXPECT_TRUE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.Document().ToText(), body);
}

// The body limit bounds the head, but a large body limit leaves it at 1 MiB.
TEST(HttpFaultMatrixLimits, HeaderLinesWithoutEndStopAtTheLimit)
{
    for (const auto& [bodyLimit, headLimit] :
        { std::pair { 256 << 10, 256u << 10 }, { 64 << 20, 1u << 20 } }) {
        SCOPED_TRACE(bodyLimit);
        LoopbackServer server([](LoopbackServer::Connection& connection) {
            readRequest(connection);
            connection.Send("HTTP/1.1 200 OK\r\n");
            while (!connection.Stopping() && connection.Send("X-Filler: 0123456789\r\n")) { }
        });
        THTTPSend http;
        http.Timeout = waitLimit;
        http.MaxBodySize = bodyLimit;

        EXPECT_FALSE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
        EXPECT_EQ(http.Sock().LastErrorCode(), SE_MessageTooLong);
        EXPECT_EQ(http.ResultCode(), 200);
        EXPECT_LE(http.Headers().GetText().size(), headLimit + 64u);
        EXPECT_GT(http.Headers().Count(), 1000u);
        EXPECT_EQ(http.Document().Size(), 0);
        EXPECT_TRUE(server.WaitFinished(1, 5s));
    }
}

TEST(HttpFaultMatrixLimits, SizedBodyIsCutAndTheConnectionLeft)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(sized("0123456789abcdef"));
        connection.WaitForPeerClose(10s);
    });
    THTTPSend http;
    http.Timeout = waitLimit;
    http.MaxBodySize = 10;

    EXPECT_FALSE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.Document().ToText(), "0123456789");
    EXPECT_EQ(http.DownloadSize(), 16);
    EXPECT_TRUE(server.WaitFinished(1, 5s));
}

TEST(HttpFaultMatrixLimits, ChunkedBodyIsCutAcrossChunks)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(chunkedHead + "6\r\nabcdef\r\n6\r\nghijkl\r\n0\r\n\r\n");
        connection.WaitForPeerClose(10s);
    });
    THTTPSend http;
    http.Timeout = waitLimit;
    http.MaxBodySize = 8;

    EXPECT_FALSE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.Document().ToText(), "abcdefgh");
    // The rest of the body is not read: the client leaves the connection.
    EXPECT_TRUE(server.WaitFinished(1, 5s));
}

TEST(HttpFaultMatrixLimits, OverlongChunkSizeLineEndsTheBody)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(chunkedHead + "3\r\nabc\r\n" + std::string(1 << 20, '0') + "1\r\nz\r\n0\r\n\r\n");
        connection.WaitForPeerClose(10s);
    });
    THTTPSend http;
    http.Timeout = waitLimit;
    http.Sock().MaxLineLength = 256 << 10;

    EXPECT_FALSE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.Document().ToText(), "abc");
    EXPECT_TRUE(server.WaitFinished(1, 5s));
}

INSTANTIATE_TEST_SUITE_P(Faults, HttpFaultMatrix, ::testing::ValuesIn(faultCases),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

}
