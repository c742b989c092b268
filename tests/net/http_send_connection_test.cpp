#include "net/http_send.h"
#include "net/http_test_peer.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "support/failing_transport_socket.h"
#include "support/loopback_port.h"

#include <gtest/gtest.h>
#include <poll.h>

namespace {

using namespace std::chrono_literals;

constexpr char okReply[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

std::string urlOf(const LoopbackServer& server, const std::string& path = "/")
{
    return "http://127.0.0.1:" + server.PortText() + path;
}

TEST(HttpSendConnection, KeptAliveConnectionIsReused)
{
    LoopbackServer server(
        [](LoopbackServer::Connection& connection) {
            readRequest(connection);
            connection.Send(okReply);
            readRequest(connection);
            connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\ntwo");
            connection.WaitForPeerClose();
        },
        2);
    THTTPSend http;
    http.Timeout = 5000;

    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server, "/1")));
    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server, "/2")));
    EXPECT_EQ(http.Document().ToText(), "two");
    EXPECT_EQ(server.Accepted(), 1);
    EXPECT_NE(server.ReceivedBy(0).find("GET /2 HTTP/1.1"), std::string::npos);
}

TEST(HttpSendConnection, WithoutResetTheLastResponseGoesOutAgain)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(okReply);
        readRequest(connection, 2);
        connection.Send(okReply);
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;

    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server, "/1")));
    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server, "/2")));
    // The first response's lines follow the generated lines, and its body is sent as the request body.
    const std::string second = server.ReceivedBy(0).substr(server.ReceivedBy(0).find("GET /2"));
    EXPECT_NE(second.find("Connection: Keep-Alive\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"),
        std::string::npos);
}

TEST(HttpSendConnection, ServerCloseBetweenRequestsReconnects)
{
    LoopbackServer server(
        [](LoopbackServer::Connection& connection) {
            readRequest(connection);
            connection.Send(okReply);
        },
        2);
    THTTPSend http;
    http.Timeout = 5000;

    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server)));
    ASSERT_TRUE(server.WaitFinished(1));
    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server)));
    EXPECT_EQ(http.Document().ToText(), "ok");
    EXPECT_EQ(server.Accepted(), 2);
}

TEST(HttpSendConnection, UnsolicitedDataReconnects)
{
    std::atomic<bool> firstDone { false };
    LoopbackServer server(
        [&](LoopbackServer::Connection& connection) {
            readRequest(connection);
            connection.Send(okReply);
            if (connection.Index() == 0) {
                WaitUntil([&] { return firstDone.load() || connection.Stopping(); });
                connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nstale");
                connection.WaitForPeerClose();
            }
        },
        2);
    THTTPSend http;
    http.Timeout = 5000;

    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server)));
    firstDone = true;
    pollfd entry { http.Sock().SocketHandle(), POLLIN, 0 };
    ASSERT_EQ(::poll(&entry, 1, 5000), 1);
    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server)));
    EXPECT_EQ(http.Document().ToText(), "ok");
    EXPECT_EQ(server.Accepted(), 2);
}

TEST(HttpSendConnection, ServerConnectionCloseEndsConnection)
{
    LoopbackServer server(
        [](LoopbackServer::Connection& connection) {
            readRequest(connection);
            connection.Send("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nok");
            connection.WaitForPeerClose();
        },
        2);
    THTTPSend http;
    http.Timeout = 5000;

    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server)));
    // The client has closed its side without being destroyed.
    ASSERT_TRUE(server.WaitFinished(1));
    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server)));
    EXPECT_EQ(server.Accepted(), 2);
}

TEST(HttpSendConnection, Protocol10ClosesWhateverServerSays)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(okReply);
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    http.Protocol = "1.0";

    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(server)));
    EXPECT_TRUE(server.WaitFinished(1));
    EXPECT_NE(server.ReceivedBy(0).find("GET / HTTP/1.0\r\n"), std::string::npos);
}

TEST(HttpSendConnection, ChangedTargetOpensNewConnection)
{
    auto script = [](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(okReply);
        connection.WaitForPeerClose();
    };
    LoopbackServer first(script);
    LoopbackServer second(script);
    THTTPSend http;
    http.Timeout = 5000;

    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(first)));
    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("GET", urlOf(second)));
    EXPECT_TRUE(first.WaitFinished(1));
    EXPECT_EQ(second.Accepted(), 1);
    EXPECT_EQ(http.TargetPort, second.PortText());
}

TEST(HttpSendConnection, RefusedConnectKeepsRequest)
{
    THTTPSend http;
    http.Timeout = 2000;
    http.Document().Write("body", 4);

    const RefusingPort refusing;
    EXPECT_FALSE(http.ExecuteRequest("POST", "http://127.0.0.1:" + refusing.Port() + "/x"));
    EXPECT_EQ(http.ResultCode(), 500);
    EXPECT_EQ(http.ResultString(), "");
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_ConnectionRefused);
    ASSERT_GE(http.Headers().Count(), 2u);
    EXPECT_EQ(http.Headers()[0], "POST /x HTTP/1.1");
    EXPECT_EQ(http.Headers()[http.Headers().Count() - 1], "");
    EXPECT_EQ(http.Document().ToText(), "body");
    EXPECT_EQ(http.UploadSize(), 0);
}

TEST(HttpSendConnection, FailedConnectIsNotTakenForOpenConnection)
{
    const RefusingPort refusing;
    const std::string& port = refusing.Port();
    THTTPSend http;
    http.Timeout = 2000;

    EXPECT_FALSE(http.ExecuteRequest("GET", "http://127.0.0.1:" + port + "/"));
    http.ResetExchange();
    EXPECT_FALSE(http.ExecuteRequest("GET", "http://127.0.0.1:" + port + "/"));
    // A second attempt connects again and fails the same way, rather than
    // sending on the socket of the first attempt.
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_ConnectionRefused);
}

// A server whose queue of connections is full never answers the connect,
// which then waits one time-out, as every other wait does.
TEST(HttpSendConnection, UnansweredConnectTimesOut)
{
    const RefusingPort ignoring(PortRefusal::Ignores);
    THTTPSend http;
    http.Timeout = 300;

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(http.ExecuteRequest("GET", "http://127.0.0.1:" + ignoring.Port() + "/"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_TimedOut);
}

// The server takes the request and never answers: the status line read waits
// one time-out, and no body read waits another.
TEST(HttpSendConnection, SilentServerFailsAfterOneTimeout)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.WaitForPeerClose(10s);
    });
    THTTPSend http;
    http.Timeout = 1000;

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(http.ExecuteRequest("GET", urlOf(server)));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 950ms);
    EXPECT_LT(elapsed, 1800ms);
    EXPECT_EQ(http.ResultCode(), 0);
    EXPECT_TRUE(http.Headers().Empty());
    EXPECT_EQ(http.Document().ToText(), "\r\n");
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_TimedOut);
}

TEST(HttpSendConnection, SilentServerFailsHead)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.WaitForPeerClose(10s);
    });
    auto transport = std::make_unique<FailingTransportSocket>();
    transport->FailFrom(1, SE_TimedOut);
    THTTPSend http(std::move(transport));
    http.Timeout = 300;

    EXPECT_FALSE(http.ExecuteRequest("HEAD", urlOf(server)));
    EXPECT_EQ(http.ResultCode(), 0);
    EXPECT_EQ(http.Document().ToText(), "\r\n");
}

}
