// A GET whose transport fails from operation N on, for N = 0, 1, 2, ... until
// the page gets through: receives of 16 bytes put the failure on every part in
// turn, and short of the page the exchange fails or leaves the failure's code.
#include "net/http_send.h"
#include "support/failing_transport_socket.h"
#include "support/loopback_http_server.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpSendFailingTransport, EveryFailedOperationEndsTheExchangeVisibly)
{
    const std::string body = "<a href=target>";
    const std::string reply = LoopbackHttpServer::Reply("200 OK", body);
    LoopbackHttpServer server([&](const std::string&) { return reply; });
    constexpr std::int32_t piece = 16;
    for (const SocketErrorCode code : { SE_ConnectionReset, SE_TimedOut }) {
        int failAt = 0;
        for (bool whole = false; !whole && failAt < 64; ++failAt) {
            auto transport = std::make_unique<FailingTransportSocket>();
            const FailingTransportSocket& sock = *transport;
            transport->FailFrom(failAt, code);
            transport->LimitReceives(piece);
            THTTPSend http(std::move(transport));
            http.Timeout = 5000;
            const bool result = http.ExecuteRequest("GET", server.Url("/"));
            whole = result && http.ResultCode() == 200 && http.Document().ToText() == body;
            EXPECT_TRUE(whole || (sock.Failed() && (!result || sock.LastErrorCode() == code))) << failAt;
        }
        EXPECT_GT(failAt, static_cast<int>(reply.size()) / piece) << code;
        EXPECT_LT(failAt, 64) << code;
    }
}

}
