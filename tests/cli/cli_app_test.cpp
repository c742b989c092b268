#include "cli/cli_app.h"
#include "support/child_process.h"
#include "support/loopback_server.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun runCliWith(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = runCli(arguments, out, err);
    return { status, out.str(), err.str() };
}

LoopbackServer replyingServer(const std::string& reply, int connections = 1)
{
    return LoopbackServer(
        [reply](LoopbackServer::Connection& connection) {
            connection.ReadUntil("\r\n\r\n");
            connection.Send(reply);
        },
        connections);
}

std::string urlOf(const LoopbackServer& server) { return "http://127.0.0.1:" + server.PortText() + "/page"; }

// 友情链接 ("partner links") as the terminal types it and as a GBK page holds it.
constexpr char partnerUtf8[] = "\xE5\x8F\x8B\xE6\x83\x85\xE9\x93\xBE\xE6\x8E\xA5";
constexpr char partnerGbk[] = "\xD3\xD1\xC7\xE9\xC1\xB4\xBD\xD3";
// 没有发现目标链接 as the terminal shows it.
constexpr char notFoundUtf8[]
    = "\xE6\xB2\xA1\xE6\x9C\x89\xE5\x8F\x91\xE7\x8E\xB0\xE7\x9B\xAE\xE6\xA0\x87\xE9\x93\xBE"
      "\xE6\x8E\xA5";

TEST(CliFetch, WritesBodyBytesAndStatusToStreams)
{
    const std::string body("bin\0ary\r\nbody\xff", 15);
    LoopbackServer server = replyingServer("HTTP/1.1 200 OK\r\nContent-Length: 15\r\nX-Name: "
        + std::string(partnerGbk) + "\x07\r\n\r\n" + body);

    const CliRun run = runCliWith({ "fetch", urlOf(server) });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, body);
    EXPECT_EQ(run.err,
        "result=1 code=200 error=0\nHTTP/1.1 200 OK\nContent-Length: 15\nX-Name: " + std::string(partnerUtf8)
            + "\\x07\n\n");
}

TEST(CliFetch, ProtocolAndTimeoutReachClient)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n");
        connection.WaitForPeerClose();
    });

    const CliRun run = runCliWith({ "fetch", "--protocol", "0.9", "--timeout", "200", urlOf(server) });
    // No status line came, so the fetch did not succeed.
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "\r\n");
    // A server silent past the time-out ends the fetch at once, as a time-out.
    EXPECT_EQ(run.err, "result=0 code=0 error=10060\n");
    EXPECT_EQ(server.ReceivedBy(0), "GET /page\r\n");
}

TEST(CliFetch, ProxyGetsAbsoluteTarget)
{
    LoopbackServer server = replyingServer("HTTP/1.1 204 No Content\r\n\r\n");

    const CliRun run
        = runCliWith({ "fetch", "--proxy", "127.0.0.1:" + server.PortText(), "http://far.example:81/x" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(server.ReceivedBy(0).substr(0, 38), "GET http://far.example:81/x HTTP/1.1\r\n");
    EXPECT_NE(server.ReceivedBy(0).find("\r\nHost: far.example:81\r\n"), std::string::npos);
}

TEST(CliFetch, FailureGivesStatusOne)
{
    std::string url;
    {
        // A port nobody listens on any more.
        LoopbackServer gone([](LoopbackServer::Connection&) {}, 0);
        url = "http://127.0.0.1:" + gone.PortText() + "/";
    }
    const CliRun run = runCliWith({ "fetch", "--timeout", "1000", url });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "result=0 code=500 error=10061");
}

TEST(CliFetch, UsageErrorGivesStatusTwo)
{
    const CliRun run = runCliWith({ "fetch", "--protocol", "3", "u" });
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage:"), std::string::npos);
}

TEST(CliCheck, FoundPrintsOk)
{
    LoopbackServer server = replyingServer("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n<a>me</a");

    const CliRun run
        = runCliWith({ "check", "--no-delay", "--no-robots-txt", "  " + urlOf(server) + "\t", " me\n" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "OK!\n");
}

TEST(CliCheck, NotFoundPrintsVerdictInTerminalEncoding)
{
    LoopbackServer server = replyingServer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nno");

    const CliRun run = runCliWith({ "check", "--no-delay", "--no-robots-txt", urlOf(server), "me" });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, std::string(notFoundUtf8) + "\n");
}

TEST(CliCheck, UnreachablePageGivesStatusThreeAndOneTsvRow)
{
    std::string url;
    {
        LoopbackServer gone([](LoopbackServer::Connection&) {}, 0);
        url = urlOf(gone);
    }
    const CliRun run = runCliWith({ "check", "--no-delay", "--format", "tsv", url, "me" });
    EXPECT_EQ(run.status, 3);
    const std::string start
        = "n\tname\taddress\tverdict\toutcome\tstatus\treason\tlocation\terror\tbytes\tms"
          "\tmatch\trel\tnear\trobots\tcounts\tplacement\thref\tanchor\tlinks\tcanonical\toutbound"
          "\toutbound_hosts\toutbound_nofollow\tpage\trobots_txt\tspider\tback\tback_anchor\ttries\n1\t\t"
        + url + "\t" + notFoundUtf8 + "\tunreachable\t\t连接被拒绝 (10061)\t\t10061\t0\t";
    EXPECT_EQ(run.out.substr(0, start.size()), start);
}

TEST(CliCheck, ChineseQueryIsMatchedOnGbkPage)
{
    LoopbackServer server
        = replyingServer("HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n" + std::string(partnerGbk));

    const CliRun run = runCliWith({ "check", "--no-delay", "--no-robots-txt", urlOf(server), partnerUtf8 });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "OK!\n");
}

TEST(CliCheck, TranscriptComesFirstInTerminalEncoding)
{
    LoopbackServer server = replyingServer(
        "HTTP/1.1 200 OK\r\nContent-Length: 15\r\n\r\nli\x1bne\r\n" + std::string(partnerGbk));
    const std::string url = urlOf(server);

    const CliRun run
        = runCliWith({ "check", "--no-delay", "--no-robots-txt", "--transcript", url, partnerUtf8 });
    EXPECT_EQ(run.status, 0);
    const std::string expectedStart = "\nGET " + url + " HTTP/1.1           [  ]\n";
    EXPECT_EQ(run.out.substr(0, expectedStart.size()), expectedStart);
    const std::string expectedEnd
        = "HTTP/1.1 200 OK\nContent-Length: 15\n\n\n\nli\\x1bne\n" + std::string(partnerUtf8) + "\n\nOK!\n";
    ASSERT_GE(run.out.size(), expectedEnd.size());
    EXPECT_EQ(run.out.substr(run.out.size() - expectedEnd.size()), expectedEnd);
}

// linkwatch-cli ("$0") started by the shell, after it has set a limit or sent the output somewhere.
// clang-format off
struct ShellCase { const char* name; std::string shell; int status; std::string errStart; };
const ShellCase shellCases[] = {
    { .name = "OutputToAFullDeviceIsToldAndFails", .shell = R"(exec "$0" --help > /dev/full)", .status = 2,
        .errStart = "linkwatch-cli: cannot write the output: No space left on device\n" },
    { .name = "OutputBeyondTheFileSizeLimitIsToldAndFails", .shell = R"(ulimit -f 1 && exec "$0" --help > help.txt)", .status = 2,
        .errStart = "linkwatch-cli: cannot write the output: File too large\n" },
    { .name = "HistoryBeyondTheFileSizeLimitIsToldAndTheCheckStands", .shell = R"(printf '4,1\r\n' > l.ini && ulimit -f 1 && exec "$0" run l.ini)",
        .status = 0, .errStart = "linkwatch-cli: history: 0 results not recorded: " },
    { .name = "ListThatIsAPipeWithoutWriterIsRefused", .shell = R"(mkfifo p.ini && exec timeout 10 "$0" run p.ini)", .status = 2,
        .errStart = "Cannot open file p.ini: not a plain file\n" },
};
// clang-format on

using CliShell = testing::TestWithParam<ShellCase>;
TEST_P(CliShell, EndsAtOnceWithTheStatusAndWhy)
{
    const ScratchFolder folder("cli_shell", ScratchFolder::Enter::Yes);
    ASSERT_FALSE(folder.Path().empty());
    const ProgramRun run = runProgram("/bin/sh", { "-c", GetParam().shell, LINKWATCH_CLI_PATH });
    EXPECT_EQ(run.status, GetParam().status) << run.err;
    EXPECT_EQ(run.err.substr(0, GetParam().errStart.size()), GetParam().errStart);
}
INSTANTIATE_TEST_SUITE_P(Limits, CliShell, testing::ValuesIn(shellCases),
    [](const testing::TestParamInfo<ShellCase>& info) { return std::string(info.param.name); });

}
