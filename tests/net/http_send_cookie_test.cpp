#include "net/http_send.h"
#include "net/http_test_peer.h"
#include "net/tcp_block_socket.h"

#include <gtest/gtest.h>

namespace {

struct CookieCase {
    const char* name;
    std::vector<std::string> before; // Cookies before the exchange
    std::string headerLines; // header lines of the response, each ending in CR LF
    std::vector<std::string> after;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const CookieCase& testCase, std::ostream* out) { *out << testCase.name; }

const CookieCase cookieCases[] = {
    { "AttributesAreDropped", {}, "Set-Cookie: lang=en; path=/; HttpOnly\r\n", { "lang=en" } },
    { "SameNameOtherCaseReplacesInPlace", {},
        "Set-Cookie: lang=en; path=/\r\nSet-Cookie: id=7\r\nSet-Cookie: LANG=zh\r\n", { "LANG=zh", "id=7" } },
    { "EmptyValueDeletes", { "a=1", "lang=en", "b=2" }, "Set-Cookie: lang=\r\n", { "a=1", "b=2" } },
    { "BareTokenIsAppended", { "a=1" }, "Set-Cookie: flag; secure\r\n", { "a=1", "flag" } },
    { "BareTokensRepeat", {}, "Set-Cookie: flag\r\nSet-Cookie: flag\r\n", { "flag", "flag" } },
    { "FurtherEqualsStayInValue", {}, "set-cookie: k = a=b=c ; x=y\r\n", { "k=a=b=c" } },
    { "LowerCaseHeaderName", {}, "SET-COOKIE:s=1\r\n", { "s=1" } },
    { "BlankBeforeColonIsNoCookie", {}, "Set-Cookie : x=1\r\nX-Set-Cookie: y=1\r\n", {} },
    { "EmptyCookieIsKept", {}, "Set-Cookie: ; path=/\r\n", { "" } },
};

class HttpSendCookies : public ::testing::TestWithParam<CookieCase>
{
};

TEST_P(HttpSendCookies, CollectsFromSetCookieLines)
{
    const CookieCase& testCase = GetParam();
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send("HTTP/1.1 200 OK\r\n" + testCase.headerLines + "Content-Length: 0\r\n\r\n");
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    for (const std::string& cookie : testCase.before)
        http.Cookies().Add(cookie);

    EXPECT_TRUE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.Cookies().Lines(), testCase.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpSendCookies, ::testing::ValuesIn(cookieCases),
    [](const ::testing::TestParamInfo<CookieCase>& info) { return std::string(info.param.name); });

TEST(HttpSendCookieRoundTrip, CookiesGoBackWithNextRequest)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: tok\r\nContent-Length: 0\r\n\r\n");
        readRequest(connection);
        connection.Send("HTTP/1.1 200 OK\r\nSet-Cookie: a=\r\nContent-Length: 0\r\n\r\n");
        readRequest(connection);
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    const std::string url = "http://127.0.0.1:" + server.PortText() + "/";

    EXPECT_TRUE(http.ExecuteRequest("GET", url));
    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("GET", url));
    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("GET", url));

    const std::string received = server.ReceivedBy(0);
    const auto second = received.find("GET / HTTP/1.1", 1);
    const auto third = received.find("GET / HTTP/1.1", second + 1);
    ASSERT_NE(third, std::string::npos);
    EXPECT_EQ(received.substr(0, second).find("Cookie:"), std::string::npos);
    EXPECT_NE(received.substr(second, third - second).find("\r\nCookie: a=1; tok\r\n"), std::string::npos);
    EXPECT_NE(received.substr(third).find("\r\nCookie: tok\r\n"), std::string::npos);
}

}
