// Broken and hostile servers during the TLS handshake, against the socket,
// the HTTP client and the link check worker: a server that accepts and then
// says nothing, or dribbles bytes, is cut off by the handshake's time-out; one
// that answers with something other than TLS fails at once.
#include "check/link_check_recorder.h"
#include "check/link_check_worker.h"
#include "net/http_send.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "support/adjustable_tick_clock.h"
#include "support/loopback_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t handshakeLimit = 400;
constexpr auto budget = 3s;

struct HandshakeFault {
    const char* name;
    // What the server does once the connection is accepted.
    LoopbackServer::Script behave;
    std::int32_t code;
};

void PrintTo(const HandshakeFault& fault, std::ostream* out) { *out << fault.name; }

// Takes the client's first handshake message, then runs answer.
LoopbackServer::Script afterHello(const std::function<void(LoopbackServer::Connection&)>& answer)
{
    return [answer](LoopbackServer::Connection& connection) {
        connection.ReadSome();
        answer(connection);
    };
}

// The start of a handshake record, then one byte each quarter of the time-out
// on the tick counter, which each byte moves on, for as long as the client stays.
void dribble(LoopbackServer::Connection& connection)
{
    if (!connection.Send(std::string("\x16\x03\x03\x40\x00", 5)))
        return;
    while (!connection.WaitForPeerClose(std::chrono::milliseconds(handshakeLimit / 40))) {
        AdjustableTickClock::Advance(std::chrono::milliseconds(handshakeLimit / 4));
        if (!connection.Send(std::string(1, '\x02')))
            return;
    }
}

void endlessText(LoopbackServer::Connection& connection)
{
    const std::string piece(16 << 10, 'x');
    while (!connection.Stopping() && connection.Send(piece)) { }
}

const HandshakeFault handshakeFaults[] = {
    { "SilentServer", [](LoopbackServer::Connection& connection) { connection.WaitForPeerClose(10s); },
        SE_TimedOut },
    { "SilentAfterHello", afterHello([](LoopbackServer::Connection& c) { c.WaitForPeerClose(10s); }),
        SE_TimedOut },
    { "DribblingServer", afterHello(dribble), SE_TimedOut },
    { "PlainHttpAnswer", afterHello([](LoopbackServer::Connection& c) {
         c.Send("HTTP/1.1 400 Bad Request\r\n\r\n");
         c.WaitForPeerClose(10s);
     }),
        SE_SubsystemUnusable },
    { "EndlessText", afterHello(endlessText), SE_SubsystemUnusable },
    { "CloseAtOnce", [](LoopbackServer::Connection&) {}, SE_SubsystemUnusable },
    { "ResetAfterHello", afterHello([](LoopbackServer::Connection& c) { c.Reset(); }), SE_SubsystemUnusable },
};

class TlsHandshakeFault : public testing::TestWithParam<HandshakeFault>
{
protected:
    const AdjustableTickClock clock;
    LoopbackServer server { GetParam().behave };
};

TEST_P(TlsHandshakeFault, SocketConnectEndsWithinTheTimeOut)
{
    TTCPBlockSocket sock;
    sock.SetSSLActive(true);
    ASSERT_EQ(sock.LastErrorCode(), 0);
    sock.TLSHandshakeTimeout = handshakeLimit;
    const auto start = std::chrono::steady_clock::now();
    sock.Connect("127.0.0.1", server.PortText());
    EXPECT_LT(std::chrono::steady_clock::now() - start, budget);
    EXPECT_EQ(sock.LastErrorCode(), GetParam().code);
    EXPECT_FALSE(sock.SSLActive());
}

TEST_P(TlsHandshakeFault, ClientFailsTheRequestWithinItsTimeOut)
{
    THTTPSend http;
    http.Timeout = handshakeLimit;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(http.ExecuteRequest("GET", "https://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, budget);
    EXPECT_EQ(http.ResultCode(), 500);
    EXPECT_EQ(http.Sock().LastErrorCode(), GetParam().code);
    EXPECT_EQ(http.Document().Size(), 0);
}

TEST_P(TlsHandshakeFault, SocketDeadlineEndsTheHandshake)
{
    TTCPBlockSocket sock;
    sock.SetDeadline(handshakeLimit);
    sock.SetSSLActive(true);
    sock.Connect("127.0.0.1", server.PortText());
    EXPECT_EQ(sock.LastErrorCode(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Servers, TlsHandshakeFault, testing::ValuesIn(handshakeFaults),
    [](const testing::TestParamInfo<HandshakeFault>& info) { return std::string(info.param.name); });

TEST(TlsHandshakeFaultWorker, SilentHttpsPageIsNotFoundWithinTheWaitLimit)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) { connection.WaitForPeerClose(10s); });
    auto recorder = std::make_shared<LinkCheckRecorder>();
    auto worker = std::make_unique<Temu>(recorder);
    worker->PageUrl = "https://127.0.0.1:" + server.PortText() + "/";
    worker->QueryText = "href";
    worker->ResultRow = 1;
    worker->setPauseLength(0ms);
    worker->setWaitLimit(std::chrono::milliseconds(handshakeLimit));
    const auto start = std::chrono::steady_clock::now();
    Temu::Start(std::move(worker), [recorder] { recorder->noteWorkerFreed(); });
    ASSERT_TRUE(recorder->waitForFreedWorkers(1, 30s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, budget);
    EXPECT_EQ(recorder->resultOf(1), verdictNotFound);
}

}
