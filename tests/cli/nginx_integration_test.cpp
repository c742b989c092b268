#include "net/http_send.h"
#include "net/tcp_block_socket.h"
#include "support/child_process.h"
#include "support/nginx_server.h"

#include <gtest/gtest.h>

namespace {

// 友情链接 ("partner links") as GBK bytes and as the terminal's UTF-8.
constexpr char partnerGbk[] = "\xD3\xD1\xC7\xE9\xC1\xB4\xBD\xD3";
constexpr char partnerUtf8[] = "\xE5\x8F\x8B\xE6\x83\x85\xE9\x93\xBE\xE6\x8E\xA5";

class NginxIntegration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_gbkPage = "<html><body><a href=\"http://partner.example/\">" + std::string(partnerGbk)
            + "</a>\r\n<p>second line</p></body></html>\n";
        m_utf8Page = "<html><meta charset=\"utf-8\"><body>" + std::string(partnerUtf8) + "</body></html>\n";
        m_nginx.addFile("/gbk.html", m_gbkPage);
        m_nginx.addFile("/utf8.html", m_utf8Page);
        ASSERT_TRUE(m_nginx.start()) << m_nginx.reason();
    }
    void TearDown() override { m_nginx.stop(); }

    ProgramRun runCli(const std::vector<std::string>& arguments) const
    {
        return runProgram(LINKWATCH_CLI_PATH, arguments);
    }

    NginxServer m_nginx;
    std::string m_gbkPage;
    std::string m_utf8Page;
};

TEST_F(NginxIntegration, ClientFetchesPageAndReusesConnection)
{
    THTTPSend http;
    http.Timeout = 5000;

    EXPECT_TRUE(http.ExecuteRequest("GET", m_nginx.urlOf("/gbk.html")));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.ResultString(), "OK");
    EXPECT_EQ(http.Document().ToText(), m_gbkPage);
    EXPECT_EQ(http.DownloadSize(), static_cast<std::int32_t>(m_gbkPage.size()));
    EXPECT_EQ(http.MimeType, "text/html");
    const int firstSocket = http.Sock().SocketHandle();

    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("GET", m_nginx.urlOf("/missing.html")));
    EXPECT_EQ(http.ResultCode(), 404);
    EXPECT_NE(http.Document().ToText().find("404"), std::string::npos);
    EXPECT_EQ(http.Sock().SocketHandle(), firstSocket);

    http.ResetExchange();
    EXPECT_TRUE(http.ExecuteRequest("HEAD", m_nginx.urlOf("/utf8.html")));
    EXPECT_EQ(http.ResultCode(), 200);
    EXPECT_EQ(http.Document().Size(), 0);
}

TEST_F(NginxIntegration, CliFetchWritesExactBody)
{
    const ProgramRun run = runCli({ "fetch", m_nginx.urlOf("/gbk.html") });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, m_gbkPage);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "result=1 code=200 error=0");
}

TEST_F(NginxIntegration, CliCheckFindsLinkOnGbkPage)
{
    const ProgramRun run
        = runCli({ "check", "--no-delay", m_nginx.urlOf("/gbk.html"), "http://partner.example/" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "OK!\n");
}

TEST_F(NginxIntegration, CliCheckFindsChineseTextOnBothEncodings)
{
    for (const char* page : { "/gbk.html", "/utf8.html" }) {
        const ProgramRun run = runCli({ "check", "--no-delay", m_nginx.urlOf(page), partnerUtf8 });
        EXPECT_EQ(run.status, 0) << page;
        EXPECT_EQ(run.out, "OK!\n") << page;
    }
}

TEST_F(NginxIntegration, CliCheckReportsMissingLinkWithTranscript)
{
    const ProgramRun run
        = runCli({ "check", "--no-delay", "--transcript", m_nginx.urlOf("/gbk.html"), "absent" });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\nHTTP/1.1 200 OK\n"), std::string::npos);
    EXPECT_NE(run.out.find("<p>second line</p></body></html>\n"), std::string::npos);
    // 没有发现目标链接 in UTF-8, the last line.
    const std::string verdict
        = "\xE6\xB2\xA1\xE6\x9C\x89\xE5\x8F\x91\xE7\x8E\xB0\xE7\x9B\xAE\xE6\xA0\x87\xE9\x93\xBE"
          "\xE6\x8E\xA5\n";
    ASSERT_GE(run.out.size(), verdict.size());
    EXPECT_EQ(run.out.substr(run.out.size() - verdict.size()), verdict);
}

TEST(NginxHttpsIntegration, CliCheckFindsLinkOnHttpsPage)
{
    NginxServer nginx;
    ASSERT_TRUE(nginx.enableTls()) << nginx.reason();
    nginx.addFile("/links.html", "<a href=\"http://partner.example/\">partner</a>\n");
    ASSERT_TRUE(nginx.start()) << nginx.reason();
    const ProgramRun found = runProgram(
        LINKWATCH_CLI_PATH, { "check", "--no-delay", nginx.urlOf("/links.html"), "http://partner.example/" });
    EXPECT_EQ(found.status, 0);
    EXPECT_EQ(found.out, "OK!\n");
    const ProgramRun missing = runProgram(
        LINKWATCH_CLI_PATH, { "check", "--no-delay", nginx.urlOf("/links.html", "localhost"), "absent" });
    EXPECT_EQ(missing.status, 1);
}

}
