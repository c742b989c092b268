#include "net/http_send.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "support/nginx_server.h"
#include "support/test_daemon.h"

#include <gtest/gtest.h>

namespace {

const std::string page = "<html><body>through the server</body></html>\n";

// A loopback nginx reached through a real SOCKS server.
class SocksIntegration : public testing::Test
{
protected:
    void SetUp() override
    {
        m_nginx.addFile("/page.html", page);
        ASSERT_TRUE(m_nginx.start()) << m_nginx.reason();
    }
    void TearDown() override
    {
        m_socks.stop();
        m_nginx.stop();
    }

    // Fetches /page.html of nginx by the host name given, through the SOCKS server.
    bool fetch(THTTPSend& http, TSocksType type, const std::string& host)
    {
        http.Timeout = 10000;
        http.Sock().SocksIP = "127.0.0.1";
        http.Sock().SocksPort = m_socks.portText();
        http.Sock().SocksType = type;
        http.Sock().SocksTimeout = 10000;
        return http.ExecuteRequest("GET", m_nginx.urlOf("/page.html", host));
    }

    NginxServer m_nginx;
    TestDaemon m_socks;
};

TEST_F(SocksIntegration, DanteSocks5)
{
    ASSERT_TRUE(m_socks.startDante()) << m_socks.reason();
    THTTPSend http;
    EXPECT_TRUE(fetch(http, ST_Socks5, "127.0.0.1"));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.Document().ToText(), page);
    EXPECT_TRUE(http.Sock().UsingSocks());
    EXPECT_EQ(http.Sock().SocksReplyCode(), 0);
    EXPECT_EQ(http.Sock().SocksLocalAddress(), "127.0.0.1");
    EXPECT_EQ(http.Sock().RemotePortNumber(), std::stoi(m_nginx.portText()));
}

TEST_F(SocksIntegration, DanteSocks5ResolvesName)
{
    ASSERT_TRUE(m_socks.startDante()) << m_socks.reason();
    THTTPSend http;
    EXPECT_TRUE(fetch(http, ST_Socks5, "localhost"));
    EXPECT_EQ(http.Document().ToText(), page);
}

TEST_F(SocksIntegration, DanteSocks4)
{
    ASSERT_TRUE(m_socks.startDante()) << m_socks.reason();
    THTTPSend http;
    EXPECT_TRUE(fetch(http, ST_Socks4, "127.0.0.1"));
    EXPECT_EQ(http.Document().ToText(), page);
    EXPECT_EQ(http.Sock().SocksReplyCode(), 90);
}

TEST_F(SocksIntegration, DanteRefusedTargetGivesReplyCode)
{
    ASSERT_TRUE(m_socks.startDante()) << m_socks.reason();
    const std::string port = m_nginx.portText();
    m_nginx.stop();
    THTTPSend http;
    EXPECT_FALSE(fetch(http, ST_Socks5, "127.0.0.1"));
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_SubsystemUnusable);
    EXPECT_NE(http.Sock().SocksReplyCode(), 0);
    EXPECT_NE(http.Sock().SocksReplyCode(), -1);
}

TEST_F(SocksIntegration, MicrosocksWithUserAndPassword)
{
    ASSERT_TRUE(m_socks.startMicrosocks("watcher", "s3cret")) << m_socks.reason();
    THTTPSend http;
    http.Sock().SocksUsername = "watcher";
    http.Sock().SocksPassword = "s3cret";
    EXPECT_TRUE(fetch(http, ST_Socks5, "127.0.0.1"));
    EXPECT_EQ(http.Document().ToText(), page);
}

TEST_F(SocksIntegration, MicrosocksRejectsWrongPassword)
{
    ASSERT_TRUE(m_socks.startMicrosocks("watcher", "s3cret")) << m_socks.reason();
    THTTPSend http;
    http.Sock().SocksUsername = "watcher";
    http.Sock().SocksPassword = "wrong";
    EXPECT_FALSE(fetch(http, ST_Socks5, "127.0.0.1"));
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_SubsystemUnusable);
    EXPECT_EQ(http.ResultCode(), 500);
}

TEST_F(SocksIntegration, MicrosocksWantsCredentials)
{
    ASSERT_TRUE(m_socks.startMicrosocks("watcher", "s3cret")) << m_socks.reason();
    THTTPSend http;
    EXPECT_FALSE(fetch(http, ST_Socks5, "127.0.0.1"));
    EXPECT_EQ(http.Sock().LastErrorCode(), SE_SubsystemUnusable);
}

}
