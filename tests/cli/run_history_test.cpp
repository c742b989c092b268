#include "check/site_list_texts.h"
#include "cli/cli_app.h"
#include "history/history_schema.h"
#include "history/history_store.h"
#include "support/child_process.h"
#include "support/loopback_http_server.h"
#include "support/loopback_server.h"
#include "support/scratch_folder.h"

#include <algorithm>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <malloc.h>
#include <regex>
#include <sqlite3.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

std::string fileBytes(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// One statement's first column of its first row, by SQLite's own API.
std::string sqlValue(const std::string& path, const char* sql)
{
    sqlite3* database = nullptr;
    sqlite3_stmt* statement = nullptr;
    std::string value = "(failed)";
    if (sqlite3_open_v2(path.c_str(), &database, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
            == SQLITE_OK
        && sqlite3_prepare_v2(database, sql, -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(database);
    return value;
}

// Root opens any file for writing; for as long as this lives, the calling
// thread (which opens the database) obeys file modes like any user.
class WithoutFileOverride
{
public:
    WithoutFileOverride()
    {
        ::syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct lowered[2] = { m_saved[0], m_saved[1] };
        lowered[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &m_header, lowered);
    }
    ~WithoutFileOverride() { ::syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct m_saved[2] {};
};

// A page that holds the query while linked is set; every run in a folder of its own.
class CliHistory : public testing::Test
{
protected:
    ScratchFolder m_folder { "cli_history", ScratchFolder::Enter::Yes };
    std::atomic<bool> m_linked { true };
    std::atomic<bool> m_nofollow { false }; // the link, while linked, gets rel=nofollow and another text
    LoopbackHttpServer m_page { [this](const std::string&) {
        return LoopbackHttpServer::Reply("200 OK",
            !m_linked        ? "none"
                : m_nofollow ? "<a href=\"/\" rel=\"nofollow\">see mark</a>"
                             : "<a href=\"/\">mark</a>");
    } };
    std::ostringstream m_out;
    std::ostringstream m_err;

    void SetUp() override
    {
        // A name with quotes and a control byte, as partners' names come.
        writeList("list.ini", "Q \"x\"\x01", m_page.Url("/"));
    }
    static void writeList(const std::string& file, const std::string& name, const std::string& address)
    {
        std::ofstream(file, std::ios::binary) << "4,9\r\n0,1," << name << "\r\n1,1," << address
                                              << "\r\n2,1,mark\r\n3,1," << StatusNormal << "\r\n";
    }
    int run(const std::vector<std::string>& arguments)
    {
        m_out.str("");
        m_err.str("");
        return runCli(arguments, m_out, m_err);
    }
    std::string database() const { return (m_folder.Path() / "linkwatch.db").string(); }
};

TEST_F(CliHistory, LostLinkIsAChangeAndBothRunsAreHistory)
{
    EXPECT_EQ(run({ "changes", "list.ini" }), 2);
    EXPECT_EQ(m_err.str().find("linkwatch-cli: changes: " + database() + ": no such file"), 0u)
        << m_err.str();
    ASSERT_EQ(run({ "run", "--no-delay", "list.ini" }), 0) << m_err.str();
    EXPECT_EQ(run({ "changes", "list.ini" }), 0);
    EXPECT_EQ(m_out.str(), "");
    m_linked = false;
    ASSERT_EQ(run({ "run", "--no-delay", "list.ini" }), 1) << m_err.str();
    EXPECT_EQ(m_err.str(), "");

    EXPECT_EQ(run({ "changes", "--format", "json", "list.ini" }), 1);
    EXPECT_EQ(m_out.str(),
        "[\n{\"change\":\"lost\",\"n\":1,\"name\":\"Q \\\"x\\\"\\u0001\",\"address\":\"" + m_page.Url("/")
            + "\",\"detail\":null,\"before_outcome\":\"found\",\"before_reason\":\"找到链接，锚文本: "
              "mark\",\"after_outcome\":\"missing\","
              "\"after_reason\":\"页面上没有目标链接 (HTTP 200 "
              "OK)\",\"after_status\":200,\"after_error\":null,"
              "\"before_run\":1,\"after_run\":2}\n]\n");
    EXPECT_EQ(run({ "history", "--format", "tsv", "--site", "127.0.0.1", "list.ini" }), 0);
    const std::regex twoRuns(
        "run\ttime\tn\tname\t[^\n]*\n"
        "2\t\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\t1\tQ \"x\" \t[^\n]*\tmissing\t[^\n]*\n"
        "1\t[-0-9 :]{19}\t1\tQ \"x\" \t[^\n]*\tfound\t[^\n]*\n");
    EXPECT_TRUE(std::regex_match(m_out.str(), twoRuns)) << m_out.str();
    EXPECT_EQ(run({ "history", "--limit", "1", "--site", "elsewhere", "list.ini" }), 0);
    EXPECT_EQ(m_out.str(), "");
}

// The killed run has its database open and waits for a page that never comes.
TEST_F(CliHistory, RunKilledHalfWayLeavesEarlierRunsIntact)
{
    ASSERT_EQ(run({ "run", "--no-delay", "list.ini" }), 0) << m_err.str();
    LoopbackServer silent([](LoopbackServer::Connection& connection) {
        connection.ReadUntil("\r\n\r\n");
        connection.WaitForPeerClose(20s);
    });
    writeList("list.ini", "A", "http://127.0.0.1:" + silent.PortText() + "/");
    pid_t killed = startProgram(LINKWATCH_CLI_PATH, { "run", "--no-delay", "list.ini" }, "killed.log");
    ASSERT_GT(killed, 0);
    EXPECT_TRUE(WaitUntil([&] { return silent.Accepted() == 1; }));
    ::kill(killed, SIGKILL);
    int status = 0;
    ::waitpid(killed, &status, 0);

    EXPECT_EQ(sqlValue(database(), "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(run({ "history", "--format", "tsv", "list.ini" }), 0) << m_err.str();
    const std::string table = m_out.str();
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2) << table;
    EXPECT_NE(table.find("\tOK!\tfound\t"), std::string::npos);
}

struct DatabaseFault {
    const char* name;
    std::function<void(const std::string& path)> make;
    bool readOnly;
    std::string why; // what standard error says after the file's name
    bool notify = false; // --notify given: the changes cannot be read, which the exit status tells
};

void PrintTo(const DatabaseFault& fault, std::ostream* out) { *out << fault.name; }

class CliHistoryFault : public CliHistory, public testing::WithParamInterface<DatabaseFault>
{
};

TEST_P(CliHistoryFault, CheckRunsAsAlwaysAndTheFileIsKept)
{
    GetParam().make(database());
    const std::string before = fileBytes(database());
    ::chmod(database().c_str(), GetParam().readOnly ? 0444 : 0644);
    std::vector<std::string> arguments { "run", "--no-delay", "list.ini" };
    if (GetParam().notify)
        arguments.insert(arguments.end(), { "--notify", "http://127.0.0.1:1/" });
    int status = -1;
    {
        const WithoutFileOverride asUser;
        status = run(arguments);
    }
    EXPECT_EQ(status, GetParam().notify ? 4 : 0);
    EXPECT_EQ(m_out.str(), "1\tQ \"x\"\\x01\t" + m_page.Url("/") + "\tOK!\n");
    EXPECT_EQ(m_err.str(),
        "linkwatch-cli: history: 1 results not recorded: " + database() + ": " + GetParam().why + "\n"
            + (GetParam().notify ? "linkwatch-cli: notify: changes not read: the run was not recorded\n"
                                 : ""));
    EXPECT_TRUE(fileBytes(database()) == before) << "the database file changed";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Faults, CliHistoryFault, testing::Values(
    DatabaseFault { .name = "NotADatabase", .make = [](const std::string& path) {
        std::ofstream(path) << std::string(4096, 'x'); }, .readOnly = false, .why = "file is not a database" },
    DatabaseFault { .name = "NewerVersion", .make = [](const std::string& path) {
        sqlValue(path, "PRAGMA user_version = 99"); }, .readOnly = false,
        .why = "written by a newer LinkWatch (history version 99, this one knows up to "
            + std::to_string(HistorySchemaVersion) + "); left unchanged" },
    DatabaseFault { .name = "NegativeVersion", .make = [](const std::string& path) {
        sqlValue(path, "PRAGMA user_version = -2"); }, .readOnly = false,
        .why = "not a LinkWatch history (history version -2); left unchanged" },
    DatabaseFault { .name = "ReadOnly", .make = [](const std::string& path) {
        sqlValue(path, "CREATE TABLE t(x)"); }, .readOnly = true,
        .why = "attempt to write a readonly database" },
    DatabaseFault { .name = "NotADatabaseWithNotify", .make = [](const std::string& path) {
        std::ofstream(path) << std::string(4096, 'x'); }, .readOnly = false, .why = "file is not a database",
        .notify = true }),
    [](const testing::TestParamInfo<DatabaseFault>& info) { return std::string(info.param.name); });
// clang-format on

// A web hook that reads each POST whole and answers 200.
LoopbackServer::Script readingHook()
{
    return [](LoopbackServer::Connection& connection) {
        const std::string head = connection.ReadUntil("\r\n\r\n");
        const auto length = head.find("Content-Length: ");
        connection.ReadExactly(length == std::string::npos ? 0 : std::stoul(head.substr(length + 16)));
        connection.Send(
            "HTTP/1.1 200 OK\r\nContent-Length: 22\r\nConnection: close\r\n\r\n{\"errcode\":0,\"code\":0}");
    };
}

struct NoticeCase {
    const char* name;
    const char* format;
    std::string bodyStart; // of the one POST; empty: nobody listens at the hook
};

void PrintTo(const NoticeCase& notice, std::ostream* out) { *out << notice.name; }

class CliHistoryNotice : public CliHistory, public testing::WithParamInterface<NoticeCase>
{
};

// Three runs: the first has no run before it, the second loses the link, the third changes nothing.
TEST_P(CliHistoryNotice, OnePostForTheRunWithChanges)
{
    LoopbackServer hook(readingHook(), 3);
    const bool listens = !GetParam().bodyStart.empty();
    const std::string url = "http://127.0.0.1:" + (listens ? hook.PortText() : "1") + "/hook";
    const std::vector<std::string> arguments { "run", "--no-delay", "--notify", url, "--notify-format",
        GetParam().format, "list.ini" };
    EXPECT_EQ(run(arguments), 0) << m_err.str();
    m_linked = false;
    EXPECT_EQ(run(arguments), listens ? 1 : 4);
    EXPECT_EQ(
        m_err.str(), listens ? "" : "linkwatch-cli: notify: the web hook was not told: 连接被拒绝 (10061)\n");
    EXPECT_EQ(run(arguments), listens ? 1 : 4) << m_err.str(); // telling again of the link nobody was told of

    EXPECT_EQ(hook.Accepted(), listens ? 1 : 0);
    if (listens) {
        const std::string request = hook.ReceivedBy(0);
        EXPECT_EQ(request.rfind("POST /hook HTTP/1.1\r\n", 0), 0u) << request;
        EXPECT_EQ(
            request.substr(request.find("\r\n\r\n") + 4, GetParam().bodyStart.size()), GetParam().bodyStart);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Shapes, CliHistoryNotice, testing::Values(
    NoticeCase { .name = "Json", .format = "json", .bodyStart = "[\n{\"change\":\"lost\",\"n\":1,\"name\":\"Q \\\"x\\\"\\u0001\"" },
    NoticeCase { .name = "DingTalk", .format = "dingtalk", .bodyStart = "{\"msgtype\":\"text\",\"text\":{\"content\":\"LinkWatch" },
    NoticeCase { .name = "WeCom", .format = "wecom", .bodyStart = "{\"msgtype\":\"text\",\"text\":{\"content\":\"LinkWatch" },
    NoticeCase { .name = "Feishu", .format = "feishu", .bodyStart = "{\"msg_type\":\"text\",\"content\":{\"text\":\"LinkWatch" },
    NoticeCase { .name = "NobodyAtTheHook", .format = "json", .bodyStart = "" }),
    [](const testing::TestParamInfo<NoticeCase>& info) { return std::string(info.param.name); });
// clang-format on

// Nobody listens at the hook while the link is lost; the next run's notice tells of it before its return.
TEST_F(CliHistory, ChangesTheHookWasNotToldOfGoWithTheNextNotice)
{
    LoopbackServer hook(readingHook(), 3);
    const std::string hookUrl = "http://127.0.0.1:" + hook.PortText();
    std::string statuses;
    for (const bool linked : { true, false, true, true }) {
        m_linked = linked;
        statuses += std::to_string(
            run({ "run", "--no-delay", "--notify", linked ? hookUrl : "http://127.0.0.1:1", "list.ini" }));
    }
    EXPECT_EQ(statuses, "0400") << m_err.str();
    EXPECT_EQ(hook.Accepted(), 1);
    const std::regex lostThenBack(R"("change":"lost"[\s\S]*"before_run":1,"after_run":2\},\n)"
                                  R"(\{"change":"back"[\s\S]*"before_run":2,"after_run":3\}\n\]\n$)");
    EXPECT_TRUE(std::regex_search(hook.ReceivedBy(0), lostThenBack)) << hook.ReceivedBy(0);
}

// The link stops counting and its text changes: one row and one line; then,
// with --confirm 2, a lost link is told by the second run that misses it only.
TEST_F(CliHistory, ALinkThatStopsCountingAndOneLostForTwoRuns)
{
    LoopbackServer hook(readingHook(), 3);
    std::vector<std::string> notify { "run", "--no-delay", "--notify",
        "http://127.0.0.1:" + hook.PortText() + "/", "--notify-format", "dingtalk", "list.ini" };
    ASSERT_EQ(run(notify), 0) << m_err.str();
    m_nofollow = true;
    ASSERT_EQ(run(notify), 0) << m_err.str();
    notify.insert(notify.end(), { "--confirm", "2" });
    EXPECT_EQ(run({ "changes", "--format", "tsv", "list.ini" }), 0);
    const std::string row = m_out.str().substr(m_out.str().find('\n') + 1);
    EXPECT_EQ(row.substr(0, row.find("\tfound")),
        "stopped,anchor\t1\tQ \"x\" \t" + m_page.Url("/") + "\t加了 rel=nofollow；锚文本: mark → see mark")
        << m_out.str();
    m_linked = false;
    const std::string statuses = std::to_string(run(notify)) + std::to_string(run(notify));
    EXPECT_EQ(statuses, "11") << m_err.str();
    ASSERT_EQ(hook.Accepted(), 2);
    const auto content = [&hook](int post) {
        const std::string body = hook.ReceivedBy(post);
        return body.substr(body.find("\\n") + 2, body.find(" http") - body.find("\\n") - 2);
    };
    EXPECT_EQ(content(0), "不再计入、锚文本改变: Q \\\"x\\\" ");
    EXPECT_EQ(content(1), "丢失链接: Q \\\"x\\\" ");
}

// Another user's folder or a read-only mount: no -wal or -shm can be made beside the database.
TEST_F(CliHistory, HistoryAndChangesReadAFolderThatCannotBeWritten)
{
    ASSERT_EQ(run({ "run", "--no-delay", "list.ini" }), 0) << m_err.str();
    const std::string before = fileBytes(database());
    const auto read = [this](const std::vector<std::string>& arguments) {
        const WithoutFileOverride asUser;
        const int status = run(arguments);
        return std::to_string(status) + m_err.str() + m_out.str();
    };
    ::chmod(m_folder.Path().c_str(), 0555);
    const std::string history = read({ "history", "list.ini" });
    EXPECT_EQ(read({ "changes", "list.ini" }), "0");
    ::chmod(m_folder.Path().c_str(), 0755);
    EXPECT_TRUE(history.rfind("01\t", 0) == 0 && history.ends_with("\tOK!\n")) << history;
    EXPECT_FALSE(
        std::filesystem::exists(database() + "-wal") || std::filesystem::exists(database() + "-shm"));
    EXPECT_TRUE(fileBytes(database()) == before) << "the database file changed";
}

// An output that keeps nothing but the most heap in use seen, every 4 KiB written.
struct HeapWatch : std::streambuf {
    static std::size_t inUse() { return ::mallinfo2().uordblks + ::mallinfo2().hblkhd; }
    std::size_t peak = inUse();
    char buffer[4096];
    int overflow(int c) override
    {
        peak = std::max(peak, inUse());
        setp(buffer, buffer + sizeof buffer);
        return traits_type::not_eof(c);
    }
};

// 20 MB of results, 200 KiB each, pass through the output; holding them all at once takes as much heap.
TEST_F(CliHistory, HistoryHoldsNoMoreThanAFewResultsAtOnce)
{
    const std::vector<HistoryEntry> result(
        1, { .outcome = CheckOutcome { .near = std::string(200 << 10, 'x') } });
    for (int run = 1; run <= 100; ++run)
        HistoryStore(database()).RecordRun({ RunSource::CommandLine, "list.ini", run }, run, result);
    HeapWatch watch;
    const std::size_t before = watch.peak;
    std::ostream out(&watch);
    EXPECT_EQ(runCli({ "history", "--limit", "0", "--format", "json", "list.ini" }, out, m_err), 0);
    EXPECT_LT(watch.peak - before, std::size_t { 10 } << 20);
}

}
