#include "net/http_send.h"
#include "net/http_test_peer.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "support/loopback_port.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr char agentLine[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n";
constexpr char emptyReply[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";

std::string withPort(std::string text, const std::string& port)
{
    for (auto at = text.find("{port}"); at != std::string::npos; at = text.find("{port}"))
        text.replace(at, 6, port);
    return text;
}

struct RequestCase {
    const char* name;
    std::function<void(THTTPSend&, const std::string& port)> setup;
    std::string method;
    std::string url; // "{port}" stands for the server's port
    std::string expected; // the bytes the server must receive
    std::size_t bodyLength = 0;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const RequestCase& testCase, std::ostream* out) { *out << testCase.name; }

void noSetup(THTTPSend&, const std::string&) { }

void viaProxy(THTTPSend& http, const std::string& port)
{
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = port;
}

const RequestCase requestCases[] = {
    { "Direct", noSetup, "GET", "http://127.0.0.1:{port}/a/b?x=1",
        std::string("GET /a/b?x=1 HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:{port}\r\nConnection: Keep-Alive\r\n\r\n" },
    { "KeepAliveFalseSendsBothConnectionLines",
        [](THTTPSend& http, const std::string&) { http.KeepAlive = false; }, "GET",
        "http://127.0.0.1:{port}/",
        std::string("GET / HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:{port}\r\nConnection: close\r\nConnection: Keep-Alive\r\n\r\n" },
    { "CookieListAndUserCookie",
        [](THTTPSend& http, const std::string&) {
            http.UserCook = "a=1";
            http.Cookies().Add("b=2");
            http.Cookies().Add("flag");
        },
        "GET", "http://127.0.0.1:{port}/",
        std::string("GET / HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:{port}\r\nCookie: b=2; flag\r\nConnection: Keep-Alive\r\nCookie: "
              "a=1\r\n\r\n" },
    { "PostWithBody", [](THTTPSend& http, const std::string&) { http.Document().Write("x=1&y=2", 7); },
        "POST", "http://127.0.0.1:{port}/form",
        std::string(
            "POST /form HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\nContent-Type: text/html\r\n")
            + agentLine
            + "Host: 127.0.0.1:{port}\r\nContent-Length: 7\r\nConnection: Keep-Alive\r\n\r\nx=1&y=2",
        7 },
    { "PostWithoutBody", noSetup, "POST", "http://127.0.0.1:{port}/form",
        std::string("POST /form HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:{port}\r\nContent-Length: 0\r\nConnection: Keep-Alive\r\n\r\n" },
    { "LowerCasePostHasNoLength", noSetup, "post", "http://127.0.0.1:{port}/form",
        std::string("POST /form HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:{port}\r\nConnection: Keep-Alive\r\n\r\n" },
    { "EveryOptionalLine",
        [](THTTPSend& http, const std::string&) {
            http.UserRef = "http://ref/";
            http.UserAgent = "";
            http.UserAccept = "text/*";
            http.UserLanguage = "zh";
            http.RangeStart = 10;
            http.RangeEnd = 20;
            http.Headers().Add("X-One: 1");
            http.Headers().Add("X-Two: 2");
        },
        "get", "http://user:pa:ss@127.0.0.1:{port}/",
        "GET / HTTP/1.1\r\nAccept: text/*\r\nReferer: http://ref/\r\nAccept-Language: zh\r\nUser-Agent: \r\n"
        "Host: 127.0.0.1:{port}\r\nAuthorization: Basic dXNlcjpwYTpzcw==\r\nRange: bytes=10-20\r\n"
        "Connection: Keep-Alive\r\nX-One: 1\r\nX-Two: 2\r\n\r\n" },
    { "ClientCredentialsWhenUrlHasNone",
        [](THTTPSend& http, const std::string&) {
            http.UserName = "u";
            http.Password = "p";
            http.Headers().Add("X-End: 1");
            http.Headers().Add("");
        },
        "GET", "http://127.0.0.1:{port}/",
        std::string("GET / HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:{port}\r\nAuthorization: Basic dTpw\r\nConnection: Keep-Alive\r\nX-End: "
              "1\r\n\r\n" },
    { "ProxyAbsoluteTargetKeepsPort",
        [](THTTPSend& http, const std::string& port) {
            viaProxy(http, port);
            http.ProxyUser = "pu";
            http.ProxyPass = "pp";
        },
        "GET", "http://host:8081/p?q=1",
        std::string("GET http://host:8081/p?q=1 HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n")
            + agentLine
            + "Host: host:8081\r\nProxy-Authorization: Basic cHU6cHA=\r\nConnection: Keep-Alive\r\n\r\n" },
    { "ProxyKeepsSchemeAsWritten", viaProxy, "GET", "HtTp://host/",
        std::string("GET HtTp://host/ HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: host\r\nConnection: Keep-Alive\r\n\r\n" },
    { "ProxyTargetOmitsTheSchemesOwnPort", viaProxy, "GET", "http://host:80/p",
        std::string("GET http://host/p HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: host\r\nConnection: Keep-Alive\r\n\r\n" },
    { "ProxyFtpTargetKeepsPort80", viaProxy, "GET", "ftp://host:80/f",
        std::string("GET ftp://host:80/f HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: host\r\nConnection: Keep-Alive\r\n\r\n" },
    { "ProxyBracketsIPv6Host", viaProxy, "GET", "http://[::1]:8080/x",
        std::string("GET http://[::1]:8080/x HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n")
            + agentLine + "Host: [::1]:8080\r\nConnection: Keep-Alive\r\n\r\n" },
    { "HexadecimalHostReadsAsIPv6", viaProxy, "GET", "http://beef/",
        std::string("GET http://[beef]/ HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: [beef]\r\nConnection: Keep-Alive\r\n\r\n" },
    { "StarTarget", noSetup, "OPTIONS", "http://127.0.0.1:{port}/*",
        std::string("OPTIONS * HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:{port}\r\nConnection: Keep-Alive\r\n\r\n" },
    { "LeadingZeroPortAndBlanksPass", noSetup, "GET", "http://127.0.0.1:0{port}/a b",
        std::string("GET /a b HTTP/1.1\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:0{port}\r\nConnection: Keep-Alive\r\n\r\n" },
    { "Protocol10", [](THTTPSend& http, const std::string&) { http.Protocol = "1.0"; }, "HEAD",
        "http://127.0.0.1:{port}/",
        std::string("HEAD / HTTP/1.0\r\nAccept: */*\r\nAccept-Language: en-us\r\n") + agentLine
            + "Host: 127.0.0.1:{port}\r\nConnection: Keep-Alive\r\n\r\n" },
};

class HttpSendRequest : public ::testing::TestWithParam<RequestCase>
{
};

TEST_P(HttpSendRequest, SendsHeaderBlockByteForByte)
{
    const RequestCase& testCase = GetParam();
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection, testCase.bodyLength);
        connection.Send(emptyReply);
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    testCase.setup(http, server.PortText());

    EXPECT_TRUE(http.ExecuteRequest(testCase.method, withPort(testCase.url, server.PortText())));
    EXPECT_EQ(server.ReceivedBy(0), withPort(testCase.expected, server.PortText()));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.UploadSize(), static_cast<std::int32_t>(testCase.bodyLength));
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpSendRequest, ::testing::ValuesIn(requestCases),
    [](const ::testing::TestParamInfo<RequestCase>& info) { return std::string(info.param.name); });

// Addresses refused as they stand; a port that wraps by portOffset would reach the server.
struct RefusedCase {
    const char* name;
    std::string url;
    std::int32_t code;
    std::int64_t portOffset = 0;
};

class HttpSendRefused : public ::testing::TestWithParam<RefusedCase>
{
};

TEST_P(HttpSendRefused, FailsBeforeAnyConnection)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) { connection.Send(emptyReply); });
    THTTPSend http;
    const std::string port = std::to_string(server.Port() + GetParam().portOffset);
    EXPECT_FALSE(http.ExecuteRequest("GET", withPort(GetParam().url, port)));
    EXPECT_EQ(http.Sock().LastErrorCode(), GetParam().code);
    EXPECT_EQ(server.Accepted(), 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, HttpSendRefused,
    ::testing::Values(
        RefusedCase { .name = "LineBreakInPath", .url = "http://127.0.0.1:{port}/e\r\nX-Inj: 1",
            .code = SE_InvalidArgument },
        RefusedCase { .name = "NulInHost", .url = std::string("http://127.0.0.1\0.x:{port}/", 27),
            .code = SE_InvalidArgument },
        RefusedCase { .name = "PortBeyond32Bits", .url = "http://127.0.0.1:{port}/",
            .code = SE_AddressNotAvailable, .portOffset = 1LL << 32 },
        RefusedCase { .name = "NamedPort", .url = "http://127.0.0.1:http/", .code = SE_AddressNotAvailable }),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(HttpSendRequestHead, UserHostIsSetBeforeConnecting)
{
    THTTPSend http;
    http.Timeout = 1000;
    const RefusingPort refusing;
    EXPECT_FALSE(http.ExecuteRequest("GET", "http://[::1]:" + refusing.Port() + "/"));
    EXPECT_EQ(http.UserHost, "[::1]");
    EXPECT_EQ(http.TargetHost, "::1");
}

TEST(HttpSendRequestHead, Protocol09SendsBareRequestLineOnly)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n");
        connection.Send("plain page\r\nsecond line");
    });
    THTTPSend http;
    http.Timeout = 5000;
    http.Protocol = "0.9";

    EXPECT_TRUE(http.ExecuteRequest("get", "http://127.0.0.1:" + server.PortText() + "/p"));
    ASSERT_TRUE(server.WaitFinished(1));
    EXPECT_EQ(server.ReceivedBy(0), "GET /p\r\n");
    EXPECT_EQ(http.ResultCode(), 0);
    EXPECT_TRUE(http.Headers().Empty());
    EXPECT_EQ(http.Document().ToText(), "plain page\r\nsecond line");
}

TEST(HttpSendRequestHead, Status100SendsBodyAfterInterimResponse)
{
    std::string beforeBody;
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        beforeBody = readRequest(connection);
        connection.Send("HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n");
        connection.ReadExactly(4);
        connection.Send("HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok");
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    http.Status100 = true;
    http.Document().Write("data", 4);

    EXPECT_TRUE(http.ExecuteRequest("POST", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_NE(beforeBody.find("Connection: Keep-Alive\r\nExpect: 100-continue\r\n\r\n"), std::string::npos);
    EXPECT_EQ(server.ReceivedBy(0), beforeBody + "data");
    EXPECT_EQ(http.ResultCode(), 201);
    EXPECT_EQ(http.Headers()[0], "HTTP/1.1 201 Created");
    EXPECT_EQ(http.Document().ToText(), "ok");
    EXPECT_EQ(http.UploadSize(), 4);
}

TEST(HttpSendRequestHead, Status100RefusalKeepsBody)
{
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send("HTTP/1.1 417 Expectation Failed\r\nContent-Length: 0\r\n\r\n");
        connection.WaitForPeerClose();
    });
    {
        THTTPSend http;
        http.Timeout = 5000;
        http.Status100 = true;
        http.Document().Write("data", 4);

        EXPECT_TRUE(http.ExecuteRequest("POST", "http://127.0.0.1:" + server.PortText() + "/"));
        EXPECT_EQ(http.ResultCode(), 417);
        EXPECT_EQ(http.ResultString(), "Expectation Failed");
        ASSERT_FALSE(http.Headers().Empty());
        EXPECT_EQ(http.Headers()[0], "HTTP/1.1 417 Expectation Failed");
        EXPECT_EQ(http.UploadSize(), 0);
    }
    // Everything the client sent before closing: the head and no body.
    ASSERT_TRUE(server.WaitFinished(1));
    const std::string received = server.ReceivedBy(0);
    EXPECT_EQ(received.substr(received.size() - 4), "\r\n\r\n");
}

TEST(HttpSendRequestHead, Status100OnlyWithBodyUnderHttp11)
{
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection, 4);
        connection.Send(emptyReply);
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    http.Status100 = true;
    http.Protocol = "1.0";
    http.Document().Write("data", 4);

    EXPECT_TRUE(http.ExecuteRequest("PUT", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(server.ReceivedBy(0).find("Expect:"), std::string::npos);
    EXPECT_EQ(server.ReceivedBy(0).substr(server.ReceivedBy(0).size() - 8), "\r\n\r\ndata");
}

}
