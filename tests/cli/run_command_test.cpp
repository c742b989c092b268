#include "check/fetch_slots.h"
#include "check/site_list_texts.h"
#include "cli/cli_app.h"
#include "cli/cli_arguments.h"
#include "support/forked_http_server.h"
#include "support/loopback_http_server.h"
#include "support/loopback_server.h"
#include "support/scratch_folder.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <regex>
#include <sstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string Normal = StatusNormal;
const std::string Paused = StatusPaused;
// 没有发现目标链接 as the terminal shows it.
const std::string NotFoundUtf8
    = "\xE6\xB2\xA1\xE6\x9C\x89\xE5\x8F\x91\xE7\x8E\xB0\xE7\x9B\xAE\xE6\xA0\x87\xE9\x93\xBE"
      "\xE6\x8E\xA5";
const char SiteListDiskName[] = "\xE5\xB8\x90\xE5\x8F\xB7.ini"; // 帐号.ini in UTF-8

// Serves /found with a page holding "mark" and anything else with a page
// that does not, one connection after another.
LoopbackServer pageServer(int connections)
{
    return LoopbackServer(
        [](LoopbackServer::Connection& connection) {
            const std::string request = connection.ReadUntil("\r\n\r\n");
            const std::string body = request.rfind("GET /found ", 0) == 0 ? "<a href=\"/\">mark</a>" : "none";
            connection.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size())
                + "\r\nConnection: close\r\n\r\n" + body);
        },
        connections);
}

// Each test runs in a directory of its own, as the program runs in the
// directory that holds its site list.
class CliRun : public testing::Test
{
protected:
    // Declared first so that it is removed last, after all the test made.
    ScratchFolder m_folder { "cli_run", ScratchFolder::Enter::Yes };

    void SetUp() override { ASSERT_FALSE(m_folder.Path().empty()); }
    static void writeList(const std::string& name, const std::string& cellLines)
    {
        std::ofstream(name, std::ios::binary) << "4,9\r\n" << cellLines;
    }
    int run(const std::vector<std::string>& arguments) { return runCli(arguments, m_out, m_err); }
    std::string out() const { return m_out.str(); }
    std::string err() const { return m_err.str(); }

private:
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(CliRun, ChecksEveryActiveEntryInOrderAndPrintsOneLineEach)
{
    LoopbackServer server = pageServer(2);
    const std::string found = "http://127.0.0.1:" + server.PortText() + "/found";
    writeList(SiteListDiskName,
        "0,1,Alpha\r\n1,1, " + found + " \r\n2,1,  mark \r\n3,1," + Normal + "\r\n" + "0,2,Beta\r\n1,2,"
            + found + "\r\n2,2,mark\r\n3,2," + Paused + "\r\n" + "0,3,Gamma\t\bLtd\r\n1,3," + found
            + "\r\n2,3,mark\r\n3,3," + Normal + "\r\n" + "0,4,Delta\r\n1,4," + found + "\r\n2,4,mark\r\n3,4, "
            + Normal + "\r\n");

    EXPECT_EQ(run({ "run", "--no-delay", "--no-robots-txt" }), 0) << err();
    EXPECT_EQ(out(), "1\tAlpha\t " + found + " \tOK!\n2\tGamma  Ltd\t" + found + "\tOK!\n");
    EXPECT_EQ(server.Accepted(), 2);
    for (const std::string& request : server.Received())
        EXPECT_EQ(request.substr(0, 16), "GET /found HTTP/");
}

TEST_F(CliRun, AnyEntryWithoutItsQueryGivesStatusOne)
{
    LoopbackServer server = pageServer(2);
    const std::string base = "http://127.0.0.1:" + server.PortText();
    fs::create_directory("lists");
    writeList("lists/\xE5\x90\x8D\xE5\x8D\x95.ini", // 名单.ini
        "0,1,A\r\n1,1," + base + "/found\r\n2,1,mark\r\n3,1," + Normal + "\r\n" + "0,5,B\r\n1,5," + base
            + "/missing\r\n2,5,mark\r\n3,5," + Normal + "\r\n");

    EXPECT_EQ(run({ "run", "--no-delay", "--no-robots-txt", "lists/\xE5\x90\x8D\xE5\x8D\x95.ini" }), 1)
        << err();
    EXPECT_EQ(out(), "1\tA\t" + base + "/found\tOK!\n2\tB\t" + base + "/missing\t" + NotFoundUtf8 + "\n");
}

TEST_F(CliRun, ListWithoutActiveEntriesChecksNothingAndTellsOfSkippedLines)
{
    writeList(SiteListDiskName, "0,1,A\r\n3,1," + Paused + "\r\n4,1,beyond the columns\r\n");
    EXPECT_EQ(run({ "run" }), 0);
    EXPECT_EQ(out(), "");
    EXPECT_EQ(err().rfind(std::string(SiteListDiskName) + ": 1 cell lines skipped", 0), 0u) << err();
}

TEST_F(CliRun, MissingListGivesStatusTwoAndTheReason)
{
    EXPECT_EQ(run({ "run", "--no-delay" }), 2);
    EXPECT_EQ(err(), std::string("Cannot open file ") + SiteListDiskName + "\n");
    EXPECT_EQ(out(), "");
}

// The process's soft open-file limit is lowered to 64 for the test and set
// back after it; the server runs in a child process, outside that limit. The
// parameter is how many descriptors something beside the workers holds while
// they start: none, or more than the reserve.
class CliRunUnderLowLimit : public CliRun, public testing::WithParamInterface<int>
{
protected:
    ForkedHttpServer m_server { [](const std::string&) {
        return LoopbackHttpServer::Reply("200 OK", "mark");
    } };
    rlimit m_saved {};

    void SetUp() override
    {
        CliRun::SetUp();
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &m_saved), 0);
        rlimit lowered = m_saved;
        lowered.rlim_cur = 64;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    }
    void TearDown() override { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    static std::vector<int> openFiles(int count)
    {
        std::vector<int> files;
        while (static_cast<int>(files.size()) < count)
            files.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        return files;
    }
};

TEST_P(CliRunUnderLowLimit, EveryPageIsCheckedAndTheReserveStaysFree)
{
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' type checks probe memory through a pipe of their own, so
    // a moment with no descriptor free, which this case makes on purpose,
    // reads to them as an object with an invalid type.
    if (GetParam() > 0)
        GTEST_SKIP() << "the sanitizers need a free descriptor of their own";
#endif
    constexpr int entries = 200;
    std::ofstream list(SiteListDiskName, std::ios::binary);
    list << "4," << entries + 1 << "\r\n";
    for (int row = 1; row <= entries; ++row)
        list << "1," << row << "," << m_server.Url("/") << "\r\n2," << row << ",mark\r\n3," << row << ","
             << Normal << "\r\n";
    list.close();
    const std::vector<int> elsewhere = openFiles(GetParam());
    int status = -1;
    // Every fetch to the one host at once, so that they outgrow the budget.
    std::thread running([&] { status = run({ "run", "--no-delay", "--per-host", "200" }); });

    // The server holds every page until the budget is taken and workers wait.
    EXPECT_TRUE(WaitUntil([] { return FetchSlots::Process().Waiting() > 0; }, 30s));
    std::for_each(elsewhere.begin(), elsewhere.end(), ::close);
    const std::vector<int> reserve = openFiles(16);
    m_server.Release();
    running.join();
    EXPECT_EQ(std::count(reserve.begin(), reserve.end(), -1), 0);
    std::for_each(reserve.begin(), reserve.end(), ::close);
    EXPECT_EQ(status, 0) << err();
    const std::string lines = out();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), entries);
}

INSTANTIATE_TEST_SUITE_P(TakenElsewhere, CliRunUnderLowLimit, testing::Values(0, 40));

// While the pages are held, a bound of two lets exactly two fetches start.
TEST_F(CliRun, JobsBoundsTheFetchesInFlight)
{
    LoopbackHttpServer server([](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "mark"); });
    server.Hold();
    std::string list;
    for (const char row : { '1', '2', '3', '4' })
        list += std::string("1,") + row + "," + server.Url("/") + "\r\n2," + row + ",mark\r\n3," + row + ","
            + Normal + "\r\n";
    writeList(SiteListDiskName, list);
    int status = -1;
    std::thread running([&] { status = run({ "run", "--no-delay", "--no-robots-txt", "--jobs", "2" }); });
    EXPECT_TRUE(WaitUntil([&] { return server.Requests() == 2; }));
    EXPECT_FALSE(WaitUntil([] { return FetchSlots::Process().InFlight() > 2; }, 200ms));
    server.Release();
    running.join();
    EXPECT_EQ(status, 0) << err();
    EXPECT_EQ(server.Requests(), 4);
}

// Sites of a held host take only their share; those of another host behind them go on.
TEST_F(CliRun, PerHostBoundsTheFetchesToOneHostWhileOthersGoOn)
{
    const auto page = [](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "mark"); };
    LoopbackHttpServer held(page);
    LoopbackHttpServer other(page);
    held.Hold();
    std::string list;
    for (int row = 1; row <= 8; ++row)
        list += "1," + std::to_string(row) + "," + (row <= 6 ? held : other).Url("/") + "\r\n2,"
            + std::to_string(row) + ",mark\r\n3," + std::to_string(row) + "," + Normal + "\r\n";
    writeList(SiteListDiskName, list);
    int status = -1;
    std::thread running([&] { status = run({ "run", "--no-delay", "--no-robots-txt", "--per-host", "2" }); });
    EXPECT_TRUE(WaitUntil([&] { return other.Answered() == 2 && held.Requests() == 2; }));
    EXPECT_FALSE(WaitUntil([&] { return held.Requests() > 2; }, 200ms));
    held.Release();
    running.join();
    EXPECT_EQ(status, 0) << err();
    EXPECT_EQ(held.Requests(), 6);
}

// A run without delay checks site after site on a few threads, not a thread per site.
TEST_F(CliRun, ThreadsDoNotGrowWithTheSites)
{
    LoopbackHttpServer server([](const std::string&) { return LoopbackHttpServer::Reply("200 OK", "mark"); });
    server.Hold();
    constexpr int entries = 300;
    std::string list = "4," + std::to_string(entries + 1) + "\r\n";
    for (int row = 1; row <= entries; ++row)
        list += "1," + std::to_string(row) + "," + server.Url("/") + "\r\n2," + std::to_string(row)
            + ",mark\r\n3," + std::to_string(row) + "," + Normal + "\r\n";
    std::ofstream(SiteListDiskName, std::ios::binary) << list;
    int status = -1;
    std::thread running([&] { status = run({ "run", "--no-delay", "--no-robots-txt" }); });
    const auto threads = [] { return std::distance(fs::directory_iterator("/proc/self/task"), {}); };
    EXPECT_TRUE(WaitUntil([&] { return server.Requests() >= 8; }));
    EXPECT_FALSE(WaitUntil([&] { return threads() > 60; }, 200ms));
    server.Release();
    running.join();
    EXPECT_EQ(status, 0) << err();
    EXPECT_EQ(server.Requests(), entries);
}

TEST_F(CliRun, FolderOptionHoldsTheListAndItsFile)
{
    fs::create_directory("sites");
    writeList("sites/" + std::string(SiteListDiskName), "0,1,A\r\n3,1," + Paused + "\r\n");
    EXPECT_EQ(run({ "run", "--dir", "sites" }), 0) << err();
    EXPECT_EQ(run({ "run", "--dir", "sites", "other.ini" }), 2);
    EXPECT_EQ(err(), "Cannot open file sites/other.ini\n");
}

// Started from a menu, the current folder is home; the list is the one the
// window keeps in the data folder.
TEST_F(CliRun, StartedInHomeReadsTheListOfTheDataFolder)
{
    const fs::path data = m_folder.Path() / "data";
    fs::create_directories(data / "linkwatch");
    writeList((data / "linkwatch" / SiteListDiskName).string(), "0,1,A\r\n3,1," + Paused + "\r\n");
    const auto value
        = [](const char* name) { return std::string(std::getenv(name) ? std::getenv(name) : ""); };
    const std::string saved[] = { value("HOME"), value("XDG_DATA_HOME") };
    ::setenv("HOME", m_folder.Path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    const int status = run({ "run" });
    ::setenv("HOME", saved[0].c_str(), 1);
    ::setenv("XDG_DATA_HOME", saved[1].c_str(), 1);
    EXPECT_EQ(status, 0) << err();
}

TEST_F(CliRun, NamedListIsOpenedByTheBytesGiven)
{
    EXPECT_EQ(run({ "run", "\xff.ini" }), 2);
    writeList("\xff.ini", "0,1,A\r\n3,1," + Paused + "\r\n4,1,beyond the columns\r\n");
    EXPECT_EQ(run({ "run", "\xff.ini" }), 0);
    EXPECT_EQ(err().substr(0, 50), "Cannot open file \xff.ini\n\xff.ini: 1 cell lines skipped");
}

struct RunParse {
    std::vector<std::string> arguments;
    bool valid;
    bool noDelay;
    std::string file;
    std::string folder = "";
};

class CliRunArguments : public testing::TestWithParam<RunParse>
{
};

TEST_P(CliRunArguments, TakeAnOptionalFileAndTheDelayFlag)
{
    const ParsedArguments parsed = parseCliArguments(GetParam().arguments);
    ASSERT_EQ(parsed.command.has_value(), GetParam().valid) << parsed.error;
    if (!parsed.command)
        return;
    const auto& run = std::get<RunArguments>(*parsed.command);
    EXPECT_EQ(run.noDelay, GetParam().noDelay);
    EXPECT_EQ(run.list.file, GetParam().file);
    EXPECT_EQ(run.list.folder, GetParam().folder);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(CliRun, CliRunArguments,
    testing::Values(
        RunParse { .arguments = { "run" }, .valid = true, .noDelay = false, .file = "" },
        RunParse { .arguments = { "run", "list.ini", "--no-delay" }, .valid = true, .noDelay = true,
            .file = "list.ini" },
        RunParse { .arguments = { "run", "--no-delay", "--", "--odd name" }, .valid = true, .noDelay = true,
            .file = "--odd name" },
        RunParse { .arguments = { "run", "a", "b" }, .valid = false, .noDelay = false, .file = "" },
        RunParse { .arguments = { "run", "--transcript" }, .valid = false, .noDelay = false, .file = "" },
        RunParse { .arguments = { "run", "--dir", "sites", "list.ini" }, .valid = true, .noDelay = false,
            .file = "list.ini", .folder = "sites" },
        RunParse { .arguments = { "run", "--dir=" }, .valid = false, .noDelay = false, .file = "" },
        RunParse { .arguments = { "run", "--dir" }, .valid = false, .noDelay = false, .file = "" }));
// clang-format on

}

namespace {

enum class Peer { Replies, Silent, PlainText, Nobody };

// The site's object holds outcome and reason; status, location, rel, near and robots are as printed.
// The link record's fields in JSON, from counts to page; numbers as they are.
struct LinkRecord {
    std::string counts;
    std::string placement = "null";
    std::string href = "null";
    std::string anchor = "null";
    int links = 0;
    std::string canonical = "null";
    int outbound = 0;
    int outboundHosts = 0;
    int outboundNofollow = 0;
    std::string page = "\"ok\"";

    std::string Json() const
    {
        return "\"counts\":\"" + counts + "\",\"placement\":" + placement + ",\"href\":" + href
            + ",\"anchor\":" + anchor + ",\"links\":" + std::to_string(links) + ",\"canonical\":" + canonical
            + ",\"outbound\":" + std::to_string(outbound)
            + ",\"outbound_hosts\":" + std::to_string(outboundHosts)
            + ",\"outbound_nofollow\":" + std::to_string(outboundNofollow) + ",\"page\":" + page
            + ",\"robots_txt\":null,\"spider\":null,\"back\":null,\"back_anchor\":null,\"tries\":1}";
    }
};

struct OutcomeCase {
    const char* name;
    Peer peer;
    std::string reply = ""; // what the peer sends once the request head is in
    std::string query; // GBK, as the list holds it
    int exitStatus;
    std::string outcome;
    std::string status = "null";
    std::string reason;
    std::string location = "null";
    std::string rel = "null";
    std::string address = ""; // empty: the peer's page
    std::string near = "null";
    std::string robots = "null";
    std::optional<LinkRecord> link {};
    std::string robotsTxt = ""; // the reply to GET /robots.txt; empty: the run is without robots.txt
    std::string fields = ""; // a pattern the json must hold
};

void PrintTo(const OutcomeCase& testCase, std::ostream* out) { *out << testCase.name; }

std::string page(const std::string& status, const std::string& body, const std::string& headers = "")
{
    return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

const std::string mine = "http://www.mysite.test/";

// Sixty links to thirty other sites (each with and without "www."), twenty of them nofollow.
const std::string sixtyLinks = [] {
    std::string links;
    for (int n = 0; n < 60; ++n)
        links += "<a href='http://" + std::string(n % 2 ? "www." : "") + "site" + std::to_string(n / 2)
            + ".test/'" + (n % 3 == 0 ? " rel=nofollow" : "") + ">s</a>";
    return links;
}();
// 200 hosts, each linked twice, in two letter cases: the host table grows past several sizes.
const std::string twoHundredHostsTwice = [] {
    std::string links;
    for (int n = 0; n < 400; ++n)
        links += "<a href=//" + std::string(n < 200 ? "h" : "H") + std::to_string(n % 200) + ".test/>h</a>";
    return links;
}();

// clang-format off
const OutcomeCase outcomeCases[] = {
    { .name = "Found", .peer = Peer::Replies, .reply = page("200 OK", "<a href=\"/\">mark</a>"),
        .query = "mark", .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，锚文本: mark",
        .rel = R"("none")" },
    { .name = "Missing", .peer = Peer::Replies, .reply = page("200 OK", "<p>none</p>"), .query = "mark",
        .exitStatus = 1, .outcome = "missing", .status = "200", .reason = "页面上没有目标链接 (HTTP 200 OK)" },
    { .name = "NotFoundWithoutQuery", .peer = Peer::Replies, .reply = page("404 Not Found", "gone"),
        .query = "mark", .exitStatus = 1, .outcome = "missing", .status = "404",
        .reason = "HTTP 404 Not Found" },
    { .name = "NotFoundWithQuery", .peer = Peer::Replies, .reply = page("404 Not Found", "mark"),
        .query = "mark", .exitStatus = 0, .outcome = "found", .status = "404", .reason = "只在文字里出现，没有链接" },
    { .name = "Moved", .peer = Peer::Replies,
        .reply = page("301 Moved Permanently", "", "Location: https://new.example/l\r\n"), .query = "mark",
        .exitStatus = 1, .outcome = "missing", .status = "301", .reason = "页面已转到 https://new.example/l",
        .location = R"("https://new.example/l")" },
    { .name = "Refused", .peer = Peer::Nobody, .query = "mark", .exitStatus = 3, .outcome = "unreachable",
        .reason = "连接被拒绝 (10061)" },
    { .name = "Unresolvable", .peer = Peer::Nobody, .query = "mark", .exitStatus = 3,
        .outcome = "unreachable", .reason = "找不到主机 (11001)", .address = "http://nowhere.invalid/" },
    { .name = "Silent", .peer = Peer::Silent, .query = "mark", .exitStatus = 3, .outcome = "unreachable",
        .reason = "连接超时 (10060)" },
    { .name = "PlainTextOnHttps", .peer = Peer::PlainText, .reply = page("400 Bad Request", ""),
        .query = "mark", .exitStatus = 3, .outcome = "unreachable", .reason = "安全连接或代理握手失败 (10091)" },
    { .name = "NoFollow", .peer = Peer::Replies,
        .reply = page("200 OK", "<a rel=\"nofollow\" href=\"http://me/\">me</a>"), .query = "http://me/",
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，但带 rel=nofollow",
        .rel = R"("nofollow")" },
    { .name = "OnlyInText", .peer = Peer::Replies, .reply = page("200 OK", "<p>mark</p>"), .query = "mark",
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "只在文字里出现，没有链接" },
    { .name = "GbkQueryInUtf8", .peer = Peer::Replies, .reply = page("200 OK", "<a href=/>友情链接</a>"),
        .query = "\xD3\xD1\xC7\xE9\xC1\xB4\xBD\xD3", .exitStatus = 0, .outcome = "found", .status = "200",
        .reason = "找到链接 (页面用 UTF-8 编码)，锚文本: 友情链接", .rel = R"("none")" },
    { .name = "NearLinkOnHiddenPage", .peer = Peer::Replies,
        .reply = page("200 OK", "<meta name=robots content=noindex><a href='//me.cn'>"), .query = "http://me.cn/",
        .exitStatus = 1, .outcome = "missing", .status = "200",
        .reason = "页面有指向本站的链接: //me.cn (用 // 省略了协议，少了结尾的 /)", .near = R"("//me.cn")",
        .robots = R"("noindex")" },
    // Where the operator's link sits, and whether it counts.
    { .name = "DirectLink", .peer = Peer::Replies,
        .reply = page("200 OK", "<a href='" + mine + "'> My&nbsp;&amp;\xA1\xA1Site </a>"), .query = mine, .exitStatus = 0,
        .outcome = "found", .status = "200", .reason = "找到链接，锚文本: My & Site", .rel = R"("none")",
        .link = LinkRecord { .counts = "yes", .placement = R"("link")", .href = R"("http://www.mysite.test/")",
            .anchor = R"("My & Site")", .links = 1, .outbound = 1, .outboundHosts = 1 } },
    { .name = "InComment", .peer = Peer::Replies, .reply = page("200 OK", "<!-- <a href=" + mine + ">x</a> -->"),
        .query = mine, .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，但在 HTML 注释里",
        .link = LinkRecord { .counts = "no", .placement = R"("comment")" } },
    { .name = "Hidden", .peer = Peer::Replies,
        .reply = page("200 OK", "<div style='display: none'><p><a href=" + mine + ">x</a></div>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，但元素被隐藏", .rel = R"("none")",
        .link = LinkRecord { .counts = "no", .placement = R"("hidden")", .href = R"("http://www.mysite.test/")",
            .anchor = R"("x")", .links = 1, .outbound = 1, .outboundHosts = 1 } },
    { .name = "OnlyInAScript", .peer = Peer::Replies,
        .reply = page("200 OK", "<script>document.write('<a href=" + mine + ">x</a>')</script>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，但只在脚本里",
        .link = LinkRecord { .counts = "no", .placement = R"("script")" } },
    { .name = "NoScript", .peer = Peer::Replies,
        .reply = page("200 OK", "<noscript><a href=" + mine + " rel=ugc>x</a></noscript>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，但只在 noscript 里，带 rel=ugc",
        .rel = R"("ugc")", .link = LinkRecord { .counts = "no", .placement = R"("noscript")",
            .href = R"("http://www.mysite.test/")", .anchor = R"("x")", .links = 1, .outbound = 1, .outboundHosts = 1,
            .outboundNofollow = 1 } },
    { .name = "TextAreaAndStyle", .peer = Peer::Replies,
        .reply = page("200 OK", "<textarea>" + mine + "</textarea><style>a[href='" + mine + "']{}</style>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，但只在文本框里",
        .link = LinkRecord { .counts = "no", .placement = R"("textarea")" } },
    { .name = "OnlyText", .peer = Peer::Replies, .reply = page("200 OK", "<p>visit " + mine + "</p>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "只在文字里出现，没有链接",
        .link = LinkRecord { .counts = "no", .placement = R"("text")" } },
    { .name = "JumpOnThePartnersHost", .peer = Peer::Replies,
        .reply = page("200 OK", "<a href='/go.php?url=" + mine + "'>go</a>"), .query = mine, .exitStatus = 0,
        .outcome = "found", .status = "200", .reason = "找到链接，但经对方跳转", .rel = R"("none")",
        .link = LinkRecord { .counts = "no", .placement = R"("jump")", .href = R"("/go.php?url=http://www.mysite.test/")",
            .anchor = R"("go")" } },
    { .name = "CanonicalElsewhere", .peer = Peer::Replies,
        .reply = page("200 OK", "<link rel=canonical href='/other.html'><a href=" + mine + ">x</a>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，但页面 canonical 指向 /other.html",
        .rel = R"("none")", .link = LinkRecord { .counts = "no", .placement = R"("link")",
            .href = R"("http://www.mysite.test/")", .anchor = R"("x")", .links = 1, .canonical = R"("/other.html")",
            .outbound = 1, .outboundHosts = 1 } },
    { .name = "CanonicalToItself", .peer = Peer::Replies,
        .reply = page("200 OK", "<link rel='alternate canonical' href='/page#top'><a href=" + mine + "><img alt=Banner></a>"),
        .query = mine, .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，锚文本: [图片] Banner",
        .rel = R"("none")", .link = LinkRecord { .counts = "yes", .placement = R"("link")",
            .href = R"("http://www.mysite.test/")", .anchor = R"("[图片] Banner")", .links = 1, .outbound = 1,
            .outboundHosts = 1 } },
    { .name = "RealLinkAfterACommentedCopyAmongSixtyOthers", .peer = Peer::Replies,
        .reply = page("200 OK", "<!-- " + mine + " -->" + sixtyLinks + "<a href=" + mine + ">mine</a>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，锚文本: mine", .rel = R"("none")",
        .link = LinkRecord { .counts = "yes", .placement = R"("link")", .href = R"("http://www.mysite.test/")",
            .anchor = R"("mine")", .links = 1, .outbound = 61, .outboundHosts = 31, .outboundNofollow = 20 } },
    { .name = "TwoHundredOtherHostsLinkedTwice", .peer = Peer::Replies,
        .reply = page("200 OK", twoHundredHostsTwice + "<a href=" + mine + ">mine</a>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，锚文本: mine", .rel = R"("none")",
        .link = LinkRecord { .counts = "yes", .placement = R"("link")", .href = R"("http://www.mysite.test/")",
            .anchor = R"("mine")", .links = 1, .outbound = 401, .outboundHosts = 201 } },
    { .name = "BotCheckPage", .peer = Peer::Replies,
        .reply = page("200 OK", "<title>Just a moment...</title><p>Checking your browser</p>"), .query = mine,
        .exitStatus = 1, .outcome = "missing", .status = "200", .reason = "未能看到真实页面: 验证页",
        .link = LinkRecord { .counts = "unknown", .page = R"("challenge")" } },
    { .name = "ChineseSliderCheckAnswering503", .peer = Peer::Replies,
        .reply = page("503 Service Unavailable", "<title>\xBB\xAC\xB6\xAF\xD1\xE9\xD6\xA4</title>"), .query = mine,
        .exitStatus = 1, .outcome = "missing", .status = "503",
        .reason = "未能看到真实页面: 验证页 (HTTP 503 Service Unavailable)",
        .link = LinkRecord { .counts = "unknown", .page = R"("challenge")" } },
    { .name = "RobotsTxtAllows", .peer = Peer::Replies, .reply = page("200 OK", "<a href=" + mine + ">x</a>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，锚文本: x", .rel = R"("none")",
        .robotsTxt = page("200 OK", "User-agent: *\nDisallow: /pages/\n"), .fields = R"("counts":"yes",.*"robots_txt":"allowed")" },
    { .name = "RobotsTxtDisallows", .peer = Peer::Replies, .reply = page("200 OK", "<a href=" + mine + ">x</a>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，但 robots.txt 禁止蜘蛛抓取此页", .rel = R"("none")",
        .robotsTxt = page("200 OK", "User-agent: Baiduspider\nDisallow: /page$\n"), .fields = R"("counts":"no",.*"robots_txt":"disallowed")" },
    { .name = "RobotsTxtUnavailable", .peer = Peer::Replies, .reply = page("200 OK", "<a href=" + mine + ">x</a>"), .query = mine,
        .exitStatus = 0, .outcome = "found", .status = "200", .reason = "找到链接，robots.txt 未能读取，锚文本: x", .rel = R"("none")",
        .robotsTxt = page("503 Service Unavailable", ""), .fields = R"("counts":"yes",.*"robots_txt":"unknown")" },
    { .name = "ScriptShell", .peer = Peer::Replies,
        .reply = page("200 OK", "<body><div id=\"app\"> </div><script src=/js/app.js></script></body>"), .query = mine,
        .exitStatus = 1, .outcome = "missing", .status = "200", .reason = "未能看到真实页面: 页面内容由脚本生成",
        .link = LinkRecord { .counts = "unknown", .page = R"("script")" } },
};
// clang-format on

LoopbackServer::Script scriptFor(const OutcomeCase& testCase)
{
    return [testCase](LoopbackServer::Connection& connection) {
        if (testCase.peer == Peer::PlainText) {
            connection.ReadSome(); // the TLS client's hello
            connection.Send(testCase.reply);
            connection.WaitForPeerClose();
            return;
        }
        const std::string head = connection.ReadUntil("\r\n\r\n");
        if (!testCase.robotsTxt.empty() && head.rfind("GET /robots.txt ", 0) == 0)
            connection.Send(testCase.robotsTxt);
        else if (testCase.peer == Peer::Silent)
            connection.WaitForPeerClose();
        else
            connection.Send(testCase.reply);
    };
}

class CliRunOutcome : public CliRun, public testing::WithParamInterface<OutcomeCase>
{
};

// Each site in a list of its own, so that each has its exit status.
TEST_P(CliRunOutcome, JsonSaysWhyAndTheExitStatusFollows)
{
    const OutcomeCase& testCase = GetParam();
    std::optional<LoopbackServer> peer;
    peer.emplace(scriptFor(testCase), testCase.robotsTxt.empty() ? 1 : 2);
    const std::string scheme = testCase.peer == Peer::PlainText ? "https" : "http";
    const std::string address
        = testCase.address.empty() ? scheme + "://127.0.0.1:" + peer->PortText() + "/page" : testCase.address;
    if (testCase.peer == Peer::Nobody)
        peer.reset();
    writeList(SiteListDiskName,
        "0,1,Site\r\n1,1," + address + "\r\n2,1," + testCase.query + "\r\n3,1," + Normal + "\r\n");

    // Each peer answers once: the first answer is the one told of.
    std::vector<std::string> arguments { "run", "--no-delay", "--retry", "0", "--timeout", "1000", "--format",
        "json" };
    if (testCase.robotsTxt.empty())
        arguments.emplace_back("--no-robots-txt");
    EXPECT_EQ(run(arguments), testCase.exitStatus) << err();
    const std::string outcomeToLocation = "\"outcome\":\"" + testCase.outcome + "\",\"status\":"
        + testCase.status + ",\"reason\":\"" + testCase.reason + "\",\"location\":" + testCase.location + ",";
    EXPECT_NE(out().find(outcomeToLocation), std::string::npos) << out();
    EXPECT_NE(out().find("\"rel\":" + testCase.rel + ",\"near\":" + testCase.near
                  + ",\"robots\":" + testCase.robots + ",\"counts\":"),
        std::string::npos)
        << out();
    if (testCase.link) {
        EXPECT_NE(out().find(testCase.link->Json()), std::string::npos) << out();
    }
    EXPECT_TRUE(std::regex_search(out(), std::regex(testCase.fields))) << out();
}

INSTANTIATE_TEST_SUITE_P(Outcomes, CliRunOutcome, testing::ValuesIn(outcomeCases),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return std::string(info.param.name); });

struct SpiderCase {
    const char* name;
    std::string spider; // --spider
    std::string agent; // the user agent the spider's request must carry
    bool browserGetsLink;
    bool spiderGetsLink;
    std::string fields; // spider and counts as json prints them
};

// clang-format off
const SpiderCase spiderCases[] = {
    { .name = "Hidden", .spider = "baidu", .agent = "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
        .browserGetsLink = true, .spiderGetsLink = false, .fields = R"("reason":"找到链接，但蜘蛛看不到链接",.*"counts":"no",.*"spider":"hidden")" },
    { .name = "Only", .spider = "baidu-mobile", .agent = "Mozilla/5.0 (Linux;u;Android 4.2.2;zh-cn;) AppleWebKit/534.46 "
        "(KHTML,like Gecko) Version/5.1 Mobile Safari/10600.6.3 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
        .browserGetsLink = false, .spiderGetsLink = true, .fields = R"("outcome":"missing",.*"counts":"no",.*"spider":"only")" },
    { .name = "Same", .spider = "baidu", .agent = "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
        .browserGetsLink = true, .spiderGetsLink = true, .fields = R"("counts":"yes",.*"spider":"same")" },
};
// clang-format on

class CliRunSpider : public CliRun, public testing::WithParamInterface<SpiderCase>
{
};

// A partner that answers by user agent; the spider's request differs from the browser's in that alone.
TEST_P(CliRunSpider, ComparesThePageTheSpiderGets)
{
    const SpiderCase& testCase = GetParam();
    std::mutex headsLock;
    std::vector<std::string> heads;
    LoopbackHttpServer server([&](const std::string& head) {
        const std::lock_guard lock(headsLock);
        heads.push_back(head);
        const bool spider = head.find("Baiduspider") != std::string::npos;
        const bool link = spider ? testCase.spiderGetsLink : testCase.browserGetsLink;
        return LoopbackHttpServer::Reply("200 OK", link ? "<a href=" + mine + ">x</a>" : "<p>gone</p>");
    });
    writeList(SiteListDiskName,
        "0,1,Site\r\n1,1," + server.Url("/page") + "\r\n2,1," + mine + "\r\n3,1," + Normal + "\r\n");

    run({ "run", "--no-delay", "--no-robots-txt", "--format", "json", "--spider", testCase.spider });
    EXPECT_TRUE(std::regex_search(out(), std::regex(testCase.fields))) << out();
    const std::lock_guard lock(headsLock);
    ASSERT_EQ(heads.size(), 2u);
    const std::string agentLine = "User-Agent: " + testCase.agent + "\r\n";
    const std::string browserAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n";
    EXPECT_EQ(heads[1].replace(heads[1].find(agentLine), agentLine.size(), browserAgent), heads[0]);
}

INSTANTIATE_TEST_SUITE_P(Views, CliRunSpider, testing::ValuesIn(spiderCases),
    [](const testing::TestParamInfo<SpiderCase>& info) { return std::string(info.param.name); });

struct RetryCase {
    const char* name;
    std::vector<std::string> replies; // status line and header lines of each answer in turn; the last repeats
    const char* retry;
    int requests;
    std::string outcome; // the json of the recorded outcome and its status
    int tries;
    std::chrono::milliseconds leastWall; // the waits Retry-After asked for
};

void PrintTo(const RetryCase& retry, std::ostream* out) { *out << retry.name; }

class CliRunRetry : public CliRun, public testing::WithParamInterface<RetryCase>
{
};

TEST_P(CliRunRetry, TheLastAnswerIsRecordedWithItsTries)
{
    std::atomic<std::size_t> answered { 0 };
    const std::vector<std::string>& replies = GetParam().replies;
    LoopbackHttpServer server([&](const std::string&) {
        const std::string head = replies[std::min(answered++, replies.size() - 1)];
        const std::string body = head.starts_with("HTTP/1.1 200") ? "<a href=\"/\">mark</a>" : "busy";
        return head + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    });
    writeList("list.ini", "0,1,A\r\n1,1," + server.Url("/") + "\r\n2,1,mark\r\n3,1," + Normal + "\r\n");
    const auto start = std::chrono::steady_clock::now();
    run({ "run", "--no-delay", "--no-history", "--no-robots-txt", "--retry", GetParam().retry, "--format",
        "json", "list.ini" });
    const auto wall = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(server.Requests(), GetParam().requests);
    EXPECT_NE(out().find(GetParam().outcome), std::string::npos) << out();
    EXPECT_NE(out().find("\"tries\":" + std::to_string(GetParam().tries) + "}"), std::string::npos) << out();
    EXPECT_GE(wall, GetParam().leastWall);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Answers, CliRunRetry, testing::Values(
    RetryCase { "ServiceUnavailableOnceWaitsItsSecond", { "HTTP/1.1 503 Busy\r\nRetry-After: 1", "HTTP/1.1 200 OK" },
        "1", 2, "\"outcome\":\"found\",\"status\":200", 2, 1000ms },
    RetryCase { "RetryZeroKeepsTheFirstAnswer", { "HTTP/1.1 503 Busy\r\nRetry-After: 1", "HTTP/1.1 200 OK" },
        "0", 1, "\"outcome\":\"missing\",\"status\":503", 1, 0ms },
    RetryCase { "TooManyRequestsTwiceThenFound", { "HTTP/1.1 429 Slow\r\nRetry-After: 0", "HTTP/1.1 429 Slow\r\nRetry-After: 0",
        "HTTP/1.1 200 OK" }, "2", 3, "\"outcome\":\"found\",\"status\":200", 3, 0ms },
    RetryCase { "AlwaysFailingEndsAfterTheRetries", { "HTTP/1.1 500 Broken\r\nRetry-After: 0" }, "2", 3,
        "\"outcome\":\"missing\",\"status\":500", 3, 0ms },
    RetryCase { "NotFoundIsNoCaseForARetry", { "HTTP/1.1 404 Gone" }, "3", 1, "\"outcome\":\"missing\",\"status\":404", 1, 0ms }),
    [](const testing::TestParamInfo<RetryCase>& info) { return std::string(info.param.name); });
// clang-format on

}
