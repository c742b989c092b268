#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "support/adjustable_tick_clock.h"
#include "support/loopback_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// "05 01 00" -> the three bytes; text in single quotes is taken as it is.
std::string bytes(const std::string& written)
{
    std::string result;
    for (std::size_t at = 0; at < written.size();) {
        if (written[at] == ' ') {
            ++at;
        } else if (written[at] == '\'') {
            const std::size_t end = written.find('\'', at + 1);
            result += written.substr(at + 1, end - at - 1);
            at = end + 1;
        } else {
            result += static_cast<char>(std::stoi(written.substr(at, 2), nullptr, 16));
            at += 2;
        }
    }
    return result;
}

// One step of a scripted SOCKS server: read this many bytes, then answer.
struct Step {
    std::size_t read;
    std::string answer; // in the notation of bytes()
};

// Runs the steps, then sends what the target would ("TARGET") and holds the
// connection until the client closes. With oneByteWrites every byte of an
// answer goes out in a write of its own.
LoopbackServer::Script socksPeer(std::vector<Step> steps, bool oneByteWrites = false)
{
    return [steps, oneByteWrites](LoopbackServer::Connection& connection) {
        for (const Step& step : steps) {
            if (connection.ReadExactly(step.read).size() != step.read)
                return;
            const std::string answer = bytes(step.answer);
            if (!oneByteWrites) {
                connection.Send(answer);
                continue;
            }
            for (char byte : answer)
                connection.Send(std::string(1, byte));
        }
        connection.Send("TARGET");
        connection.WaitForPeerClose();
    };
}

struct SocksCase {
    std::string name;
    TSocksType type;
    std::string user;
    std::string password;
    bool resolver;
    std::string host;
    std::string port;
    std::vector<Step> steps;
    std::string sent; // everything the server must have received, in bytes() notation
    std::int32_t error;
    std::int32_t replyCode;
    std::string boundAddress;
    std::string boundPort;
};

std::ostream& operator<<(std::ostream& out, const SocksCase& value) { return out << value.name; }

const std::string name256(256, 'n');
const std::string requestToTen = "05 01 00 01 C0 00 02 0A 00 50";
const std::string replyTen = "05 00 00 01 0A 00 00 01 1F 90";

// clang-format off
const std::vector<SocksCase> socksCases = {
    { .name = "Socks5Ipv4", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 3, "05 00" }, { 10, replyTen } },
        .sent = "05 01 00" + requestToTen, .error = 0, .replyCode = 0, .boundAddress = "10.0.0.1",
        .boundPort = "8080" },
    { .name = "Socks5NameGoesToServer", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "example.org", .port = "443", .steps = { { 3, "05 00" }, { 18, replyTen } },
        .sent = "05 01 00  05 01 00 03 0B 'example.org' 01 BB", .error = 0, .replyCode = 0,
        .boundAddress = "10.0.0.1", .boundPort = "8080" },
    { .name = "Socks5Ipv6Literal", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "2001:db8::1", .port = "80", .steps = { { 3, "05 00" }, { 22, replyTen } },
        .sent = "05 01 00  05 01 00 04 20 01 0D B8 00 00 00 00 00 00 00 00 00 00 00 01 00 50", .error = 0,
        .replyCode = 0, .boundAddress = "10.0.0.1", .boundPort = "8080" },
    { .name = "Socks5ServiceNamePort", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "http", .steps = { { 3, "05 00" }, { 10, replyTen } },
        .sent = "05 01 00" + requestToTen, .error = 0, .replyCode = 0, .boundAddress = "10.0.0.1",
        .boundPort = "8080" },
    { .name = "Socks5UserWithEmptyPassword", .type = ST_Socks5, .user = "u", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 4, "05 02" }, { 4, "01 00" }, { 10, replyTen } },
        .sent = "05 02 02 00  01 01 'u' 00" + requestToTen, .error = 0, .replyCode = 0,
        .boundAddress = "10.0.0.1", .boundPort = "8080" },
    { .name = "Socks5UserAndPassword", .type = ST_Socks5, .user = "user", .password = "pw", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 4, "05 02" }, { 9, "01 00" }, { 10, replyTen } },
        .sent = "05 02 02 00  01 04 'user' 02 'pw'" + requestToTen, .error = 0, .replyCode = 0,
        .boundAddress = "10.0.0.1", .boundPort = "8080" },
    { .name = "Socks5ServerOffersNoAuthWhenUserGiven", .type = ST_Socks5, .user = "u", .password = "p",
        .resolver = true, .host = "192.0.2.10", .port = "80", .steps = { { 4, "05 00" }, { 10, replyTen } },
        .sent = "05 02 02 00" + requestToTen, .error = 0, .replyCode = 0, .boundAddress = "10.0.0.1",
        .boundPort = "8080" },
    { .name = "Socks5ServerPicksPasswordUnoffered", .type = ST_Socks5, .user = "", .password = "secret",
        .resolver = true, .host = "192.0.2.10", .port = "80",
        .steps = { { 3, "05 02" }, { 3, "01 00" }, { 10, replyTen } },
        .sent = "05 01 00  01 00 00" + requestToTen, .error = 0, .replyCode = 0, .boundAddress = "10.0.0.1",
        .boundPort = "8080" },
    { .name = "Socks5PasswordRejected", .type = ST_Socks5, .user = "u", .password = "bad", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 4, "05 02" }, { 7, "01 01" } },
        .sent = "05 02 02 00  01 01 'u' 03 'bad'", .error = SE_SubsystemUnusable, .replyCode = 0,
        .boundAddress = "", .boundPort = "" },
    { .name = "Socks5NoAcceptableMethod", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 3, "05 FF" } }, .sent = "05 01 00",
        .error = SE_SubsystemUnusable, .replyCode = 0, .boundAddress = "", .boundPort = "" },
    { .name = "Socks5WrongGreetingVersion", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 3, "04 00" } }, .sent = "05 01 00",
        .error = SE_SubsystemUnusable, .replyCode = 0, .boundAddress = "", .boundPort = "" },
    { .name = "Socks5ReplyNamesHost", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80",
        .steps = { { 3, "05 00" }, { 10, "05 00 00 03 04 'bnd1' 00 51" } }, .sent = "05 01 00" + requestToTen,
        .error = 0, .replyCode = 0, .boundAddress = "bnd1", .boundPort = "81" },
    { .name = "Socks5ReplyIpv6", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80",
        .steps = { { 3, "05 00" },
            { 10, "05 00 00 04 20 01 0D B8 00 00 00 00 00 00 00 00 00 00 00 02 01 00" } },
        .sent = "05 01 00" + requestToTen, .error = 0, .replyCode = 0, .boundAddress = "2001:db8::2",
        .boundPort = "256" },
    { .name = "Socks5ConnectionRefusedByServer", .type = ST_Socks5, .user = "", .password = "",
        .resolver = true, .host = "192.0.2.10", .port = "80",
        .steps = { { 3, "05 00" }, { 10, "05 05 00 01 00 00 00 00 00 00" } },
        .sent = "05 01 00" + requestToTen, .error = SE_SubsystemUnusable, .replyCode = 5, .boundAddress = "",
        .boundPort = "" },
    { .name = "Socks5UnknownAddressType", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80",
        .steps = { { 3, "05 00" }, { 10, "05 00 00 07 00 00 00 00 00 00" } },
        .sent = "05 01 00" + requestToTen, .error = SE_SubsystemUnusable, .replyCode = -1, .boundAddress = "",
        .boundPort = "" },
    { .name = "Socks5WrongReplyVersion", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80",
        .steps = { { 3, "05 00" }, { 10, "04 00 00 01 00 00 00 00 00 00" } },
        .sent = "05 01 00" + requestToTen, .error = SE_SubsystemUnusable, .replyCode = -1, .boundAddress = "",
        .boundPort = "" },
    { .name = "Socks5LocalResolveFailureSendsZeroAddress", .type = ST_Socks5, .user = "", .password = "",
        .resolver = false, .host = "no-such-host.invalid", .port = "80",
        .steps = { { 3, "05 00" }, { 10, replyTen } }, .sent = "05 01 00  05 01 00 01 00 00 00 00 00 50",
        .error = 0, .replyCode = 0, .boundAddress = "10.0.0.1", .boundPort = "8080" },
    { .name = "Socks4Ipv4", .type = ST_Socks4, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 9, "00 5A 1F 90 0A 00 00 01" } },
        .sent = "04 01 00 50 C0 00 02 0A 00", .error = 0, .replyCode = 90, .boundAddress = "10.0.0.1",
        .boundPort = "8080" },
    { .name = "Socks4UserId", .type = ST_Socks4, .user = "bob", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 12, "00 5A 00 00 00 00 00 00" } },
        .sent = "04 01 00 50 C0 00 02 0A 'bob' 00", .error = 0, .replyCode = 90, .boundAddress = "0.0.0.0",
        .boundPort = "0" },
    { .name = "Socks4aName", .type = ST_Socks4, .user = "id", .password = "", .resolver = true,
        .host = "example.org", .port = "80", .steps = { { 23, "00 5A 1F 90 0A 00 00 01" } },
        .sent = "04 01 00 50 00 00 00 01 'id' 00 'example.org' 00", .error = 0, .replyCode = 90,
        .boundAddress = "10.0.0.1", .boundPort = "8080" },
    { .name = "Socks4LocalResolveFailure", .type = ST_Socks4, .user = "", .password = "", .resolver = false,
        .host = "no-such-host.invalid", .port = "80", .steps = { { 9, "00 5A 00 00 00 00 00 00" } },
        .sent = "04 01 00 50 00 00 00 00 00", .error = 0, .replyCode = 90, .boundAddress = "0.0.0.0",
        .boundPort = "0" },
    { .name = "Socks4Rejected", .type = ST_Socks4, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 9, "00 5B 00 00 00 00 00 00" } },
        .sent = "04 01 00 50 C0 00 02 0A 00", .error = SE_SubsystemUnusable, .replyCode = 0x5B,
        .boundAddress = "", .boundPort = "" },
    { .name = "Socks4WrongReplyVersion", .type = ST_Socks4, .user = "", .password = "", .resolver = true,
        .host = "192.0.2.10", .port = "80", .steps = { { 9, "04 5A 00 00 00 00 00 00" } },
        .sent = "04 01 00 50 C0 00 02 0A 00", .error = SE_SubsystemUnusable, .replyCode = -1,
        .boundAddress = "", .boundPort = "" },
    { .name = "Socks5NameTooLongIsNotSent", .type = ST_Socks5, .user = "", .password = "", .resolver = true,
        .host = name256, .port = "80", .steps = { { 3, "05 00" } }, .sent = "05 01 00",
        .error = SE_SubsystemUnusable, .replyCode = 0, .boundAddress = "", .boundPort = "" },
    { .name = "Socks5UserTooLongIsNotSent", .type = ST_Socks5, .user = name256, .password = "",
        .resolver = true, .host = "192.0.2.10", .port = "80", .steps = {}, .sent = "",
        .error = SE_SubsystemUnusable, .replyCode = 0, .boundAddress = "", .boundPort = "" },
    { .name = "Socks5PasswordTooLongIsNotSent", .type = ST_Socks5, .user = "u", .password = name256,
        .resolver = true, .host = "192.0.2.10", .port = "80", .steps = {}, .sent = "",
        .error = SE_SubsystemUnusable, .replyCode = 0, .boundAddress = "", .boundPort = "" },
    { .name = "Socks4UserIdWithZeroIsNotSent", .type = ST_Socks4, .user = std::string("a\0b", 3),
        .password = "", .resolver = true, .host = "192.0.2.10", .port = "80", .steps = {}, .sent = "",
        .error = SE_SubsystemUnusable, .replyCode = 0, .boundAddress = "", .boundPort = "" },
    { .name = "Socks4aNameWithZeroIsNotSent", .type = ST_Socks4, .user = "", .password = "", .resolver = true,
        .host = std::string("ex\0ample", 8), .port = "80", .steps = {}, .sent = "",
        .error = SE_SubsystemUnusable, .replyCode = 0, .boundAddress = "", .boundPort = "" },
};
// clang-format on

class SocksExchange : public testing::TestWithParam<SocksCase>
{
};

TEST_P(SocksExchange, SendsExactBytesAndReadsReply)
{
    const SocksCase& c = GetParam();
    for (const bool oneByteWrites : { false, true }) {
        LoopbackServer server(socksPeer(c.steps, oneByteWrites));
        TTCPBlockSocket sock;
        sock.SocksIP = "127.0.0.1";
        sock.SocksPort = server.PortText();
        sock.SocksType = c.type;
        sock.SocksUsername = c.user;
        sock.SocksPassword = c.password;
        sock.SocksResolver = c.resolver;
        sock.SocksTimeout = 5000;
        sock.Connect(c.host, c.port);
        EXPECT_EQ(sock.LastErrorCode(), c.error);
        EXPECT_EQ(sock.SocksReplyCode(), c.replyCode);
        EXPECT_EQ(sock.SocksBoundAddress(), c.boundAddress);
        EXPECT_EQ(sock.SocksLocalAddress(), c.boundAddress);
        EXPECT_EQ(sock.SocksLocalPort(), c.boundPort);
        EXPECT_EQ(sock.SocksRemoteAddress(), c.host);
        EXPECT_EQ(sock.SocksRemotePort(), c.port);
        EXPECT_FALSE(sock.PlainExchange());
        if (c.error == 0) {
            // The reply was read to its last byte and no further.
            EXPECT_EQ(sock.ReceiveExactText(6, 5000), "TARGET");
            EXPECT_TRUE(sock.UsingSocks());
        }
        EXPECT_TRUE(WaitUntil([&] { return server.ReceivedBy(0).size() >= bytes(c.sent).size(); }, 5s));
        sock.CloseConnection();
        ASSERT_TRUE(server.WaitFinished(1));
        EXPECT_EQ(server.ReceivedBy(0), bytes(c.sent)) << "one-byte writes: " << oneByteWrites;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SocksExchange, testing::ValuesIn(socksCases),
    [](const testing::TestParamInfo<SocksCase>& info) { return info.param.name; });

TEST(SocksRoute, AddressGettersAnswerFromTheExchange)
{
    LoopbackServer server(socksPeer({ { 3, "05 00" }, { 10, replyTen } }));
    TTCPBlockSocket sock;
    sock.SocksIP = "127.0.0.1";
    sock.SocksPort = server.PortText();
    sock.Connect("192.0.2.10", "http");
    ASSERT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(sock.LocalAddressText(), "10.0.0.1");
    EXPECT_EQ(sock.LocalPortNumber(), 8080);
    EXPECT_EQ(sock.RemoteAddressText(), "192.0.2.10");
    EXPECT_EQ(sock.RemotePortNumber(), 80);
}

TEST(SocksRoute, ReplyCodeKeepsItsValueWhenNoReplyIsRead)
{
    LoopbackServer server(socksPeer({ { 3, "05 00" }, { 10, "05 05 00 01 00 00 00 00 00 00" } }));
    TTCPBlockSocket sock;
    sock.SocksIP = "127.0.0.1";
    sock.SocksPort = server.PortText();
    sock.Connect("192.0.2.10", "80");
    EXPECT_EQ(sock.SocksReplyCode(), 5);
    sock.CloseConnection();
    LoopbackServer refusing(socksPeer({ { 3, "05 FF" } }));
    sock.SocksPort = refusing.PortText();
    sock.Connect("192.0.2.10", "80");
    EXPECT_EQ(sock.LastErrorCode(), SE_SubsystemUnusable);
    EXPECT_EQ(sock.SocksReplyCode(), 5);
}

TEST(SocksRoute, SilentServerTimesOutWithinSocksTimeout)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) { connection.WaitForPeerClose(); });
    TTCPBlockSocket sock;
    sock.SocksIP = "127.0.0.1";
    sock.SocksPort = server.PortText();
    sock.SocksTimeout = 200;
    const auto start = std::chrono::steady_clock::now();
    sock.Connect("192.0.2.10", "80");
    EXPECT_EQ(sock.LastErrorCode(), SE_TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(SocksRoute, TricklingServerCannotStretchARead)
{
    // One byte of the 8-byte SOCKS4 reply every 100 ms on the tick counter: with
    // a 300 ms time-out the read must give up instead of waiting for each byte afresh.
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        connection.ReadExactly(9);
        for (int index = 0; index < 8 && !connection.Stopping(); ++index) {
            AdjustableTickClock::Advance(100ms);
            if (!connection.Send(std::string(1, '\0')) || connection.WaitForPeerClose(10ms))
                return;
        }
        connection.WaitForPeerClose();
    });
    const AdjustableTickClock clock;
    TTCPBlockSocket sock;
    sock.SocksIP = "127.0.0.1";
    sock.SocksPort = server.PortText();
    sock.SocksType = ST_Socks4;
    sock.SocksTimeout = 300;
    sock.Connect("192.0.2.10", "80");
    EXPECT_EQ(sock.LastErrorCode(), SE_TimedOut);
}

TEST(SocksRoute, ServerClosingMidReplyKeepsTheCloseError)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        connection.ReadExactly(3);
        connection.Send(bytes("05 00"));
        connection.ReadExactly(10);
        connection.Send(bytes("05 00 00 03 10 'abc'"));
        connection.ShutdownSend();
        connection.WaitForPeerClose();
    });
    TTCPBlockSocket sock;
    sock.SocksIP = "127.0.0.1";
    sock.SocksPort = server.PortText();
    sock.Connect("192.0.2.10", "80");
    EXPECT_EQ(sock.LastErrorCode(), SE_ConnectionReset);
    EXPECT_EQ(sock.SocksReplyCode(), -1);
}

TEST(SocksRoute, SocksWinsOverTunnel)
{
    LoopbackServer socks(socksPeer({ { 3, "05 00" }, { 10, replyTen } }));
    LoopbackServer proxy([](LoopbackServer::Connection& connection) { connection.WaitForPeerClose(); });
    TTCPBlockSocket sock;
    sock.SocksIP = "127.0.0.1";
    sock.SocksPort = socks.PortText();
    sock.HTTPTunnelIP = "127.0.0.1";
    sock.HTTPTunnelPort = proxy.PortText();
    sock.Connect("192.0.2.10", "80");
    EXPECT_EQ(sock.LastErrorCode(), 0);
    EXPECT_FALSE(sock.TunnelActive());
    EXPECT_EQ(socks.Accepted(), 1);
    EXPECT_EQ(proxy.Accepted(), 0);
}

TEST(SocksRoute, DecodeStopsAtShortReplies)
{
    TTCPBlockSocket sock;
    EXPECT_EQ(sock.SocksDecodeReply(bytes("05 00 00")), 0);
    EXPECT_EQ(sock.SocksBoundPort(), "0");
    EXPECT_EQ(sock.SocksDecodeReply(bytes("05 00 00 03 09 'abc' 00 50")), 5);
    EXPECT_EQ(sock.SocksDecodeReply(bytes("05 00 00 01 01 02 03 04 00 50 'rest'")), 11);
    EXPECT_EQ(sock.SocksBoundAddress(), "1.2.3.4");
    EXPECT_EQ(sock.SocksBoundPort(), "80");
    sock.SocksType = ST_Socks4;
    EXPECT_EQ(sock.SocksDecodeReply(bytes("00 5A 00 15 7F 00 00 01")), 9);
    EXPECT_EQ(sock.SocksBoundAddress(), "127.0.0.1");
    EXPECT_EQ(sock.SocksBoundPort(), "21");
}

}

namespace {

TEST(SocksRoute, ListenAsksTheServerToBind)
{
    LoopbackServer server(socksPeer({ { 3, "05 00" }, { 10, "05 00 00 01 00 00 00 00 1F 90" } }));
    TTCPBlockSocket sock;
    sock.SocksIP = "127.0.0.1";
    sock.SocksPort = server.PortText();
    sock.Bind("127.0.0.1", "0");
    ASSERT_EQ(sock.LastErrorCode(), 0);
    const std::uint16_t localPort = static_cast<std::uint16_t>(sock.LocalPortNumber());
    sock.Listen();
    EXPECT_EQ(sock.LastErrorCode(), 0);
    // A server that bound the wildcard address is reached at its own address.
    EXPECT_EQ(sock.LocalAddressText(), "127.0.0.1");
    EXPECT_EQ(sock.LocalPortNumber(), 8080);
    EXPECT_EQ(sock.RemoteAddressText(), "");
    sock.CloseConnection();
    ASSERT_TRUE(server.WaitFinished(1));
    const std::string port { static_cast<char>(localPort >> 8), static_cast<char>(localPort & 0xFF) };
    EXPECT_EQ(server.ReceivedBy(0), bytes("05 01 00  05 02 00 01 7F 00 00 01") + port);
}

TEST(SocksRoute, ListenFailureWithoutSocketErrorGives11003)
{
    LoopbackServer server(socksPeer({ { 3, "05 FF" } }));
    TTCPBlockSocket sock;
    sock.SocksIP = "127.0.0.1";
    sock.SocksPort = server.PortText();
    sock.Bind("127.0.0.1", "0");
    sock.Listen();
    EXPECT_EQ(sock.LastErrorCode(), SE_NoRecovery);
}

}
