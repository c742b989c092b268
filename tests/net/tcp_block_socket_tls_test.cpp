#include "net/http_send.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "net/tls_library.h"
#include "support/child_process.h"
#include "support/loopback_port.h"
#include "support/loopback_server.h"
#include "support/nginx_server.h"
#include "support/scratch_folder.h"
#include "support/self_signed_certificate.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

const std::string defaultPage = "<html>default site</html>\n";
const std::string namedPage = "<html>named site for localhost</html>\n";

// An https nginx with a self-signed certificate and two sites on one port: the
// default one, and one for clients that ask for "localhost" by name.
class TlsSocket : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_nginx.enableTls()) << m_nginx.reason();
        m_nginx.addFile("/page.html", defaultPage);
        m_nginx.addNamedSiteFile("localhost", "/page.html", namedPage);
        ASSERT_TRUE(m_nginx.start()) << m_nginx.reason();
    }
    void TearDown() override { m_nginx.stop(); }

    static Text fetch(TTCPBlockSocket& sock, const Text& path)
    {
        sock.SendText("GET " + path + " HTTP/1.0\r\n\r\n");
        Text received;
        while (sock.LastErrorCode() == 0)
            received += sock.ReceiveAvailable(5000);
        return received;
    }

    NginxServer m_nginx;
};

TEST_F(TlsSocket, HttpsFetchAcceptsSelfSignedCertificate)
{
    THTTPSend http;
    ASSERT_TRUE(http.ExecuteRequest("GET", m_nginx.urlOf("/page.html")));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.Document().ToText(), defaultPage);
    // A second request to another host name connects anew, with that name.
    http.Document().Clear();
    http.Headers().Clear();
    ASSERT_TRUE(http.ExecuteRequest("GET", m_nginx.urlOf("/page.html", "localhost")));
    EXPECT_EQ(http.Document().ToText(), namedPage);
}

TEST_F(TlsSocket, HandshakeNamesTheHostButNotAnAddress)
{
    TTCPBlockSocket byName;
    byName.SetSSLActive(true);
    byName.Connect("localhost", m_nginx.portText());
    ASSERT_EQ(byName.LastErrorCode(), 0);
    EXPECT_NE(fetch(byName, "/server-name").find("[localhost]"), Text::npos);
    EXPECT_EQ(byName.LastErrorCode(), SE_ConnectionReset);

    TTCPBlockSocket byAddress;
    byAddress.SetSSLActive(true);
    byAddress.Connect("127.0.0.1", m_nginx.portText());
    ASSERT_EQ(byAddress.LastErrorCode(), 0);
    EXPECT_NE(fetch(byAddress, "/server-name").find("[]"), Text::npos);
}

TEST_F(TlsSocket, CleanCloseReadsAsNothingThenPeerClosed)
{
    TTCPBlockSocket sock;
    sock.SetSSLActive(true);
    sock.Connect("127.0.0.1", m_nginx.portText());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    const Text received = fetch(sock, "/page.html");
    EXPECT_EQ(received.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(sock.LastErrorCode(), SE_ConnectionReset);
    EXPECT_TRUE(sock.SSLActive());
}

// Passes bytes both ways between two sockets until stop is set or one side closes.
void relayUntil(int one, int other, const std::atomic<bool>& stop)
{
    pollfd ends[2] = { { one, POLLIN, 0 }, { other, POLLIN, 0 } };
    char buffer[16384];
    while (!stop) {
        for (pollfd& end : ends)
            end.revents = 0;
        ::poll(ends, 2, 10);
        for (int from = 0; from < 2; ++from) {
            if ((ends[from].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            const ssize_t got = ::recv(ends[from].fd, buffer, sizeof(buffer), 0);
            if (got <= 0
                || ::send(ends[1 - from].fd, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL) != got)
                return;
        }
    }
}

bool writable(int handle)
{
    pollfd entry { handle, POLLOUT, 0 };
    return ::poll(&entry, 1, 0) > 0;
}

TEST_F(TlsSocket, PlainSendAfterTheHandshakeSendsEverything)
{
    // A relay passes the handshake on to nginx, then reads nothing until the
    // client can send no more, and only then takes the rest.
    const std::string bytes(16 << 20, 'b');
    std::atomic<bool> handshaken { false };
    std::atomic<bool> relayed { false };
    std::atomic<int> clientHandle { -1 };
    LoopbackServer relay([&](LoopbackServer::Connection& client) {
        TTCPBlockSocket origin;
        origin.Connect("127.0.0.1", m_nginx.portText());
        relayUntil(client.Fd(), origin.SocketHandle(), handshaken);
        relayed = true;
        WaitUntil([&] { return !writable(clientHandle); });
        client.WaitForPeerClose(20s);
    });
    TTCPBlockSocket sock;
    sock.SetSSLActive(true);
    sock.Connect("127.0.0.1", relay.PortText());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    clientHandle = sock.SocketHandle();
    handshaken = true;
    ASSERT_TRUE(WaitUntil([&] { return relayed.load(); }));
    sock.SSLBypass = true;
    EXPECT_EQ(sock.SendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size())),
        static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(sock.LastErrorCode(), 0);
    sock.CloseConnection();
    ASSERT_TRUE(relay.WaitFinished(1, 30s));
    EXPECT_NE(relay.ReceivedBy(0).find(bytes), std::string::npos);
}

TEST_F(TlsSocket, TlsReadsAreNotThrottled)
{
    TTCPBlockSocket sock;
    sock.MaxRecvBandwidth = 1000;
    int throttleWaits = 0;
    sock.OnStatus = [&](TBlockSocket*, THookSocketReason reason, const Text&) {
        throttleWaits += reason == HR_Wait ? 1 : 0;
    };
    sock.SetSSLActive(true);
    sock.Connect("127.0.0.1", m_nginx.portText());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    // The second answer is read after the first, so a throttle would wait.
    for (int round = 0; round < 2; ++round) {
        sock.SendText("GET /page.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        sock.ReceiveUntil(5000, defaultPage);
        EXPECT_EQ(sock.LastErrorCode(), 0);
    }
    EXPECT_EQ(throttleWaits, 0);
}

TEST_F(TlsSocket, VerifyingTheCertificateRefusesSelfSigned)
{
    TTCPBlockSocket sock;
    sock.SSLverifyCert = true;
    sock.SetSSLActive(true);
    sock.Connect("127.0.0.1", m_nginx.portText());
    EXPECT_EQ(sock.LastErrorCode(), SE_PermissionDenied);
    EXPECT_FALSE(sock.SSLActive());
}

TEST_F(TlsSocket, FiftyParallelFetchesAllSucceed)
{
    constexpr int fetchCount = 50;
    std::vector<int> codes(fetchCount, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < fetchCount; ++i) {
        threads.emplace_back([&, i] {
            THTTPSend http;
            http.Timeout = 20000;
            http.ExecuteRequest("GET", m_nginx.urlOf("/page.html"));
            codes[static_cast<std::size_t>(i)]
                = http.Document().ToText() == defaultPage ? http.ResultCode() : -1;
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 200), fetchCount);
}

// openssl s_server -WWW answers HTTP/1.0 without a length, ends the page with
// close_notify and keeps the TCP connection open.
TEST(TlsCloseNotify, PageEndsAtCloseNotifyWhileTheConnectionStaysOpen)
{
    const std::string page = "<html>served by s_server</html>\n";
    const ScratchFolder folder("linkwatch-s-server", ScratchFolder::Enter::Yes);
    ASSERT_EQ(MakeSelfSignedCertificate("."), "");
    std::ofstream("page.html") << page;
    const std::string port = std::to_string(FreeLoopbackPort());
    pid_t server = startServerProgram("/usr/bin/openssl",
        { "s_server", "-WWW", "-quiet", "-accept", "127.0.0.1:" + port, "-cert", "cert.pem", "-key",
            "key.pem" },
        "s_server.log", std::stoi(port));
    ASSERT_GT(server, 0);
    THTTPSend http;
    http.Timeout = 30000;
    const auto start = std::chrono::steady_clock::now();
    const bool result = http.ExecuteRequest("GET", "https://127.0.0.1:" + port + "/page.html");
    const auto spent = std::chrono::steady_clock::now() - start;
    stopProgram(server);
    EXPECT_TRUE(result);
    EXPECT_LT(spent, 5s);
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.Document().ToText(), page);
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_ConnectionReset);
}

TEST(TlsSwitch, SwitchingOnTwiceLeavesNoError)
{
    TTCPBlockSocket sock;
    sock.SetSSLActive(true);
    ASSERT_EQ(sock.LastErrorCode(), 0);
    EXPECT_NE(sock.TLSContext(), nullptr);
    sock.SetSSLActive(true);
    EXPECT_EQ(sock.LastErrorCode(), 0);
    EXPECT_TRUE(sock.SSLActive());
    sock.SetSSLActive(false);
    EXPECT_EQ(sock.TLSConnection(), nullptr);
}

TEST(TlsSwitch, OldProtocolsAreNotSupported)
{
    TTCPBlockSocket sock;
    sock.SSLType = LT_SSLv3;
    sock.SetSSLActive(true);
    EXPECT_EQ(sock.LastErrorCode(), SE_ProtocolNotSupported);
    EXPECT_FALSE(sock.SSLActive());
    sock.SSLType = LT_TLSv1;
    sock.SetSSLActive(true);
    EXPECT_EQ(sock.LastErrorCode(), 0);
}

TEST(TlsSwitch, UnloadableKeyFileGivesInvalidArgument)
{
    TTCPBlockSocket sock;
    sock.SSLCertificateFile = "/nonexistent/client.pem";
    sock.SetSSLActive(true);
    EXPECT_EQ(sock.LastErrorCode(), SE_InvalidArgument);
    EXPECT_FALSE(sock.SSLActive());
    EXPECT_NE(sock.TLSLastErrorCode(), 0);
    EXPECT_NE(sock.TLSLastErrorText(), "");
}

TEST(TlsSwitch, PasswordCallbackCutsToBufferSize)
{
    TTCPBlockSocket sock;
    sock.SSLPassword = "secret";
    char buffer[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_EQ(TTCPBlockSocket::TLSPasswordCallback(buffer, 4, 0, &sock), 3);
    EXPECT_STREQ(buffer, "sec");
    EXPECT_EQ(TTCPBlockSocket::TLSPasswordCallback(buffer, 4, 0, nullptr), 0);
}

TEST(TlsSwitch, MissingLibraryFailsBeforeAnyConnection)
{
    const auto saved = TLSLibrary::LibraryCandidates();
    TLSLibrary::UnloadTLSLibrary();
    TLSLibrary::SetLibraryCandidates({ { "libssl-missing.so.0", "libcrypto-missing.so.0" } });
    LoopbackServer server([](LoopbackServer::Connection& connection) { connection.ReadSome(); });
    THTTPSend http;
    EXPECT_FALSE(http.ExecuteRequest("GET", "https://127.0.0.1:" + server.PortText() + "/"));
    const std::int32_t code = http.Sock().LastErrorCode();
    const int accepted = server.Accepted();
    TLSLibrary::SetLibraryCandidates(saved);
    EXPECT_EQ(code, SE_ProtocolNotSupported);
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(http.ResultCode(), 500);
    // Plain http keeps working.
    LoopbackServer plain([](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n\r\n");
        connection.Send("HTTP/1.0 200 OK\r\n\r\nplain");
    });
    THTTPSend again;
    EXPECT_TRUE(again.ExecuteRequest("GET", "http://127.0.0.1:" + plain.PortText() + "/"));
    EXPECT_EQ(again.Document().ToText(), "plain");
}

}
