#include "support/child_process.h"
#include "support/nginx_server.h"
#include "support/test_daemon.h"

#include <gtest/gtest.h>

namespace {

const std::string page = "<html><body><a href=\"http://partner.example/\">partner</a></body></html>\n";

// linkwatch-cli fetch and check through a real SOCKS server or HTTP proxy to a loopback nginx.
class CliRoutes : public ::testing::Test
{
protected:
    void startNginx(bool tls)
    {
        if (tls) {
            ASSERT_TRUE(m_nginx.enableTls()) << m_nginx.reason();
        }
        m_nginx.addFile("/page.html", page);
        ASSERT_TRUE(m_nginx.start()) << m_nginx.reason();
    }
    void TearDown() override
    {
        m_daemon.stop();
        m_nginx.stop();
    }
    static ProgramRun runCli(const std::vector<std::string>& arguments)
    {
        return runProgram(LINKWATCH_CLI_PATH, arguments);
    }
    std::string daemonAddress() const { return "127.0.0.1:" + m_daemon.portText(); }

    NginxServer m_nginx;
    TestDaemon m_daemon;
};

TEST_F(CliRoutes, FetchThroughSocks5AndSocks4)
{
    startNginx(false);
    ASSERT_TRUE(m_daemon.startDante()) << m_daemon.reason();
    for (const std::string option : { "--socks5", "--socks4" }) {
        const ProgramRun run = runCli({ "fetch", option, daemonAddress(), m_nginx.urlOf("/page.html") });
        EXPECT_EQ(run.status, 0) << option << ": " << run.err;
        EXPECT_EQ(run.out, page) << option;
    }
}

TEST_F(CliRoutes, FetchWithSocksUser)
{
    startNginx(false);
    ASSERT_TRUE(m_daemon.startMicrosocks("watcher", "pw")) << m_daemon.reason();
    const ProgramRun good = runCli(
        { "fetch", "--socks5", daemonAddress(), "--socks-user", "watcher:pw", m_nginx.urlOf("/page.html") });
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, page);
    const ProgramRun bad = runCli(
        { "fetch", "--socks5", daemonAddress(), "--socks-user", "watcher:no", m_nginx.urlOf("/page.html") });
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("error=10091"), std::string::npos) << bad.err;
}

TEST_F(CliRoutes, CheckThroughSocks5)
{
    startNginx(false);
    ASSERT_TRUE(m_daemon.startDante()) << m_daemon.reason();
    const ProgramRun run = runCli(
        { "check", "--no-delay", "--socks5", daemonAddress(), m_nginx.urlOf("/page.html"), "partner" });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "OK!\n");
}

TEST_F(CliRoutes, HttpsThroughTheTunnel)
{
    startNginx(true);
    ASSERT_TRUE(m_daemon.startTinyproxy(m_nginx.portText())) << m_daemon.reason();
    const ProgramRun fetch = runCli({ "fetch", "--proxy", daemonAddress(), m_nginx.urlOf("/page.html") });
    EXPECT_EQ(fetch.status, 0) << fetch.err;
    EXPECT_EQ(fetch.out, page);
    const ProgramRun check = runCli(
        { "check", "--no-delay", "--proxy", daemonAddress(), m_nginx.urlOf("/page.html"), "partner" });
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, "OK!\n");
}

}
