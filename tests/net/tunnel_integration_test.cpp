#include "net/http_send.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "net/tls_library.h"
#include "support/nginx_server.h"
#include "support/test_daemon.h"

#include <gtest/gtest.h>

namespace {

const std::string page = "<html><body>through the tunnel</body></html>\n";

// A loopback nginx reached through tinyproxy, which tunnels to its port only.
class TunnelIntegration : public testing::Test
{
protected:
    void start(bool tls)
    {
        if (tls) {
            ASSERT_TRUE(m_nginx.enableTls()) << m_nginx.reason();
        }
        m_nginx.addFile("/page.html", page);
        ASSERT_TRUE(m_nginx.start()) << m_nginx.reason();
        ASSERT_TRUE(m_proxy.startTinyproxy(m_nginx.portText())) << m_proxy.reason();
    }
    void TearDown() override
    {
        m_proxy.stop();
        m_nginx.stop();
    }

    NginxServer m_nginx;
    TestDaemon m_proxy;
};

TEST_F(TunnelIntegration, HttpsPageThroughTheTunnel)
{
    start(true);
    THTTPSend http;
    http.Timeout = 10000;
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = m_proxy.portText();
    EXPECT_TRUE(http.ExecuteRequest("GET", m_nginx.urlOf("/page.html")));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.Document().ToText(), page);
    EXPECT_TRUE(http.Sock().TunnelActive());
    EXPECT_EQ(http.Sock().HTTPTunnelIP, "127.0.0.1");
    EXPECT_EQ(http.Sock().TunnelRemotePort(), m_nginx.portText());
}

TEST_F(TunnelIntegration, PlainStreamThroughTheTunnel)
{
    start(false);
    TTCPBlockSocket sock;
    sock.HTTPTunnelIP = "127.0.0.1";
    sock.HTTPTunnelPort = m_proxy.portText();
    sock.HTTPTunnelTimeout = 10000;
    sock.Connect("127.0.0.1", m_nginx.portText());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    sock.SendText("GET /page.html HTTP/1.0\r\n\r\n");
    Text received;
    while (sock.LastErrorCode() == 0)
        received += sock.ReceiveAvailable(10000);
    EXPECT_NE(received.find(page), Text::npos);
}

TEST_F(TunnelIntegration, ForbiddenPortFailsWith10091)
{
    start(false);
    TTCPBlockSocket sock;
    sock.HTTPTunnelIP = "127.0.0.1";
    sock.HTTPTunnelPort = m_proxy.portText();
    sock.HTTPTunnelTimeout = 10000;
    sock.Connect("127.0.0.1", "1");
    EXPECT_EQ(sock.LastErrorCode(), SE_SubsystemUnusable);
    EXPECT_FALSE(sock.TunnelActive());
}

TEST_F(TunnelIntegration, PlainHttpUsesTheProxyNotTheTunnel)
{
    start(false);
    THTTPSend http;
    http.Timeout = 10000;
    http.ProxyHost = "127.0.0.1";
    http.ProxyPort = m_proxy.portText();
    // The proxy fetches the page from the port named in the request target.
    EXPECT_TRUE(http.ExecuteRequest("GET", m_nginx.urlOf("/page.html")));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.Document().ToText(), page);
    EXPECT_FALSE(http.Sock().TunnelActive());
    EXPECT_EQ(http.Sock().HTTPTunnelIP, "");
}

}
