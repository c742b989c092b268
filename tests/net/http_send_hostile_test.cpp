#include "net/http_send.h"
#include "net/http_test_peer.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "support/adjustable_tick_clock.h"
#include "support/failing_transport_socket.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t hostileTimeout = 1000;

// A broken or hostile peer: what it sends after reading the request, how it
// ends, and what the client may at most take from it.
struct HostileCase {
    const char* name;
    std::function<void(LoopbackServer::Connection&)> behave;
    bool expectedResult;
    std::int32_t expectedCode;
    std::int64_t maxDocumentSize;
    std::chrono::milliseconds maxDuration;
    // First transport operation of the client that times out at once (-1: none).
    int silentFrom = -1;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const HostileCase& testCase, std::ostream* out) { *out << testCase.name; }

template <std::size_t N> std::string bytes(const char (&text)[N]) { return std::string(text, N - 1); }

void sendThenClose(LoopbackServer::Connection& connection, const std::string& bytes)
{
    connection.Send(bytes);
}

void sendThenReset(LoopbackServer::Connection& connection, const std::string& bytes)
{
    connection.Send(bytes);
    connection.Reset();
}

void sendThenFallSilent(LoopbackServer::Connection& connection, const std::string& bytes)
{
    connection.Send(bytes);
    connection.WaitForPeerClose(10s);
}

// clang-format off
const HostileCase hostileCases[] = {
    { .name = "GarbageStatusLine",
        .behave = [](auto& c) { sendThenClose(c, bytes("\x01\xff garbage\0x\r\nrest")); },
        .expectedResult = true, .expectedCode = 0, .maxDocumentSize = 18, .maxDuration = 2s },
    { .name = "EndlessHeaderLine",
        .behave = [](auto& c) {
            sendThenClose(c, "HTTP/1.1 200 OK\r\nX-Long: " + std::string(8 << 20, 'a')); },
        .expectedResult = true, .expectedCode = 200, .maxDocumentSize = 9 << 20, .maxDuration = 10s },
    { .name = "EndlessStatusLine",
        .behave = [](auto& c) { sendThenClose(c, "HTTP/1.1 200 " + std::string(8 << 20, 'b')); },
        .expectedResult = true, .expectedCode = 0, .maxDocumentSize = 9 << 20, .maxDuration = 10s },
    { .name = "HugeLengthThenClose",
        .behave = [](auto& c) {
            sendThenClose(c, "HTTP/1.1 200 OK\r\nContent-Length: 2000000000\r\n\r\n0123456789"); },
        .expectedResult = false, .expectedCode = 200, .maxDocumentSize = 1 << 20, .maxDuration = 2s },
    { .name = "HugeLengthThenSilence",
        .behave = [](auto& c) {
            sendThenFallSilent(c, "HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n\r\nabc"); },
        .expectedResult = false, .expectedCode = 200, .maxDocumentSize = 1 << 20, .maxDuration = 3s,
        .silentFrom = 2 },
    { .name = "HugeChunkThenClose",
        .behave = [](auto& c) {
            sendThenClose(c, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7FFFFFFF\r\nabc"); },
        .expectedResult = false, .expectedCode = 200, .maxDocumentSize = 1 << 20, .maxDuration = 2s },
    { .name = "NegativeChunkSize",
        .behave = [](auto& c) {
            sendThenClose(c, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\nabc\r\n0\r\n\r\n");
        },
        .expectedResult = false, .expectedCode = 200, .maxDocumentSize = 16, .maxDuration = 2s },
    { .name = "ResetMidSizedBody",
        .behave = [](auto& c) {
            sendThenReset(c, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"); },
        .expectedResult = false, .expectedCode = 200, .maxDocumentSize = 100, .maxDuration = 2s },
    { .name = "ResetMidChunk",
        .behave = [](auto& c) {
            sendThenReset(c, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n64\r\n0123"); },
        .expectedResult = false, .expectedCode = 200, .maxDocumentSize = 100, .maxDuration = 2s },
    { .name = "ResetInsideHeaderBlock",
        .behave = [](auto& c) { sendThenReset(c, "HTTP/1.1 200 OK\r\nContent-Le"); },
        .expectedResult = true, .expectedCode = 200, .maxDocumentSize = 64, .maxDuration = 2s },
    { .name = "SilenceInsideHeaderBlock",
        .behave = [](auto& c) { sendThenFallSilent(c, "HTTP/1.1 200 OK\r\nX-A"); },
        .expectedResult = true, .expectedCode = 200, .maxDocumentSize = 64, .maxDuration = 4s,
        .silentFrom = 2 },
    { .name = "ControlBytesInHeaders",
        .behave = [](auto& c) {
            sendThenClose(c, bytes("HTTP/1.1 200 OK\r\n\0\0\r\n\x7f\x80:\r\nContent-Length: 3\r\n\r\nabc"));
        },
        .expectedResult = true, .expectedCode = 200, .maxDocumentSize = 3, .maxDuration = 2s },
};
// clang-format on

class HttpSendHostile : public ::testing::TestWithParam<HostileCase>
{
};

TEST_P(HttpSendHostile, ReturnsWithinItsTimeouts)
{
    const HostileCase& testCase = GetParam();
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        testCase.behave(connection);
    });
    auto transport = std::make_unique<FailingTransportSocket>();
    transport->FailFrom(testCase.silentFrom, SE_TimedOut);
    THTTPSend http(std::move(transport));
    http.Timeout = hostileTimeout;

    const auto start = std::chrono::steady_clock::now();
    const bool result = http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/");
    EXPECT_LT(std::chrono::steady_clock::now() - start, testCase.maxDuration);
    EXPECT_EQ(result, testCase.expectedResult);
    EXPECT_EQ(http.ResultCode(), testCase.expectedCode);
    EXPECT_LE(http.Document().Size(), testCase.maxDocumentSize);
    EXPECT_EQ(http.Document().Position(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpSendHostile, ::testing::ValuesIn(hostileCases),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

TEST(HttpSendHostileBody, ExchangeTimeoutEndsTrickledBodyKeepingWhatArrived)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nab");
        for (int sent = 0; sent < 100 && !connection.WaitForPeerClose(10ms); ++sent)
            connection.Send("c");
    });
    const AdjustableTickClock clock;
    THTTPSend http;
    http.ExchangeTimeout = 800;
    // Each piece comes 100 ms after the one before on the tick counter.
    http.Sock().OnStatus = [](TBlockSocket*, THookSocketReason reason, const Text&) {
        AdjustableTickClock::Advance(reason == HR_ReadCount ? 100ms : 0ms);
    };

    EXPECT_FALSE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_TimedOut);
    EXPECT_TRUE(http.Document().ToText().starts_with("abc"));
}

TEST(HttpSendHostileBody, BrokenHeaderBlockKeepsWhatArrived)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send("HTTP/1.1 206 Partial\r\nX-A: 1\r\nX-B");
    });
    THTTPSend http;
    http.Timeout = hostileTimeout;

    EXPECT_TRUE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.ResultString(), "Partial");
    EXPECT_EQ(http.Headers().GetText(), "HTTP/1.1 206 Partial\r\nX-A: 1\r\n\r\n");
    // The cut line stays unconsumed and is the first thing the body reader takes.
    EXPECT_EQ(http.Document().ToText(), "X-B");
}

}
