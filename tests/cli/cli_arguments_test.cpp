#include "cli/cli_arguments.h"
#include "cli/cli_help.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace {

struct ParseCase {
    const char* name;
    std::vector<std::string> arguments;
    std::function<void(const CliCommand&)> check; // empty: a usage error is expected
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const ParseCase& testCase, std::ostream* out) { *out << testCase.name; }

const ParseCase parseCases[] = {
    { "FetchDefaults", { "fetch", "http://h/" },
        [](const CliCommand& command) {
            const auto& fetch = std::get<FetchArguments>(command);
            EXPECT_EQ(fetch.url, "http://h/");
            EXPECT_FALSE(fetch.timeoutMs);
            EXPECT_EQ(fetch.proxyHost, "");
            EXPECT_EQ(fetch.protocol, "");
        } },
    { "FetchAllOptions",
        { "fetch", "--timeout", "500", "--proxy", "p.example:3128", "--protocol", "1.0", "u" },
        [](const CliCommand& command) {
            const auto& fetch = std::get<FetchArguments>(command);
            EXPECT_EQ(fetch.timeoutMs, 500);
            EXPECT_EQ(fetch.proxyHost, "p.example");
            EXPECT_EQ(fetch.proxyPort, "3128");
            EXPECT_EQ(fetch.protocol, "1.0");
            EXPECT_EQ(fetch.url, "u");
        } },
    { "FetchOptionsAfterUrlWithEquals", { "fetch", "u", "--timeout=0", "--protocol=0.9" },
        [](const CliCommand& command) {
            const auto& fetch = std::get<FetchArguments>(command);
            EXPECT_EQ(fetch.timeoutMs, 0);
            EXPECT_EQ(fetch.protocol, "0.9");
        } },
    { "FetchBracketedProxy", { "fetch", "--proxy", "[::1]:8080", "u" },
        [](const CliCommand& command) {
            EXPECT_EQ(std::get<FetchArguments>(command).proxyHost, "::1");
            EXPECT_EQ(std::get<FetchArguments>(command).proxyPort, "8080");
        } },
    { "FetchBareIPv6ProxyHasNoPort", { "fetch", "--proxy", "::1", "u" },
        [](const CliCommand& command) {
            EXPECT_EQ(std::get<FetchArguments>(command).proxyHost, "::1");
            EXPECT_EQ(std::get<FetchArguments>(command).proxyPort, "");
        } },
    { "FetchBracketedSocksServer", { "fetch", "--socks5", "[::1]:1080", "u" },
        [](const CliCommand& command) {
            EXPECT_EQ(std::get<FetchArguments>(command).socks.host, "::1");
            EXPECT_EQ(std::get<FetchArguments>(command).socks.port, "1080");
        } },
    { "FetchTimeoutIsDecimal", { "fetch", "--timeout", "010", "u" },
        [](const CliCommand& command) { EXPECT_EQ(std::get<FetchArguments>(command).timeoutMs, 10); } },
    { "CommandHelpIsTheCommandsOwn", { "fetch", "u", "--help" },
        [](const CliCommand& command) {
            const std::string& text = std::get<HelpArguments>(command).text;
            EXPECT_EQ(text.rfind("usage: linkwatch-cli fetch [--timeout MS]", 0), 0u) << text;
            EXPECT_NE(text.find("\n  --protocol V       fetch: the HTTP version"), std::string::npos) << text;
            EXPECT_EQ(text.find("--jobs"), std::string::npos) << text;
        } },
    { "FetchProxyWithoutPort", { "fetch", "--proxy", "p", "u" },
        [](const CliCommand& command) {
            EXPECT_EQ(std::get<FetchArguments>(command).proxyHost, "p");
            EXPECT_EQ(std::get<FetchArguments>(command).proxyPort, "");
        } },
    { "CheckPlain", { "check", "http://h/", "link text" },
        [](const CliCommand& command) {
            const auto& check = std::get<CheckArguments>(command);
            EXPECT_EQ(check.url, "http://h/");
            EXPECT_EQ(check.query, "link text");
            EXPECT_FALSE(check.noDelay);
            EXPECT_FALSE(check.transcript);
            EXPECT_EQ(check.report.format, OutputFormat::Text);
            EXPECT_EQ(check.report.encoding, OutputEncoding::Utf8);
            EXPECT_FALSE(check.report.waitLimitMs);
        } },
    { "CheckReportOptions", { "check", "--format", "csv", "--encoding=gbk", "--timeout", "300", "u", "q" },
        [](const CliCommand& command) {
            const ReportArguments& report = std::get<CheckArguments>(command).report;
            EXPECT_EQ(report.format, OutputFormat::Csv);
            EXPECT_EQ(report.encoding, OutputEncoding::Gbk);
            EXPECT_EQ(report.waitLimitMs, 300);
        } },
    { "RunReportOptions", { "run", "--jobs", "4", "--format=json", "--encoding", "utf8", "--timeout=250" },
        [](const CliCommand& command) {
            const auto& run = std::get<RunArguments>(command);
            EXPECT_EQ(run.jobs, 4);
            EXPECT_EQ(run.report.encoding, OutputEncoding::Utf8);
            EXPECT_EQ(run.report.format, OutputFormat::Json);
            EXPECT_EQ(run.report.waitLimitMs, 250);
        } },
    { "CheckFlags", { "check", "--transcript", "u", "--no-delay", "q" },
        [](const CliCommand& command) {
            EXPECT_TRUE(std::get<CheckArguments>(command).noDelay);
            EXPECT_TRUE(std::get<CheckArguments>(command).transcript);
        } },
    { "DoubleDashEndsOptions", { "check", "u", "--", "--no-delay" },
        [](const CliCommand& command) {
            EXPECT_EQ(std::get<CheckArguments>(command).query, "--no-delay");
            EXPECT_FALSE(std::get<CheckArguments>(command).noDelay);
        } },
    { "EmptyQueryIsAnArgument", { "check", "u", "" },
        [](const CliCommand& command) { EXPECT_EQ(std::get<CheckArguments>(command).query, ""); } },
    { "MineAddTakesTheAddressThenTheList", { "mine", "add", "--db", "h.db", "http://u/", "l.ini" },
        [](const CliCommand& command) {
            const auto& mine = std::get<MineArguments>(command);
            EXPECT_EQ(mine.action, MineAction::Add);
            EXPECT_EQ(mine.url, "http://u/");
            EXPECT_EQ(mine.list.file, "l.ini");
            EXPECT_EQ(mine.list.database, "h.db");
        } },
    { "MineOrphansTakesTheListAlone", { "mine", "orphans", "--timeout", "5", "l.ini" },
        [](const CliCommand& command) {
            const auto& mine = std::get<MineArguments>(command);
            EXPECT_EQ(mine.action, MineAction::Orphans);
            EXPECT_EQ(mine.list.file, "l.ini");
            EXPECT_EQ(mine.report.waitLimitMs, 5);
        } },
    { "MineListTakesNoTimeout", { "mine", "list", "--timeout", "5" }, {} },
    { "MineListTakesOneList", { "mine", "list", "a.ini", "b.ini" }, {} },
    { "Help", { "--help" },
        [](const CliCommand& command) { EXPECT_TRUE(std::holds_alternative<HelpArguments>(command)); } },
    { "Version", { "--version" },
        [](const CliCommand& command) { EXPECT_TRUE(std::holds_alternative<VersionArguments>(command)); } },
    { "FetchSocks5WithUser", { "fetch", "--socks5", "s.example:1081", "--socks-user", "me:pa:ss", "u" },
        [](const CliCommand& command) {
            const SocksArguments& socks = std::get<FetchArguments>(command).socks;
            EXPECT_EQ(socks.version, 5);
            EXPECT_EQ(socks.host, "s.example");
            EXPECT_EQ(socks.port, "1081");
            EXPECT_EQ(socks.user, "me");
            EXPECT_EQ(socks.password, "pa:ss");
        } },
    { "FetchSocks4WithoutPortOrUser", { "fetch", "--socks4=s.example", "u" },
        [](const CliCommand& command) {
            const SocksArguments& socks = std::get<FetchArguments>(command).socks;
            EXPECT_EQ(socks.version, 4);
            EXPECT_EQ(socks.host, "s.example");
            EXPECT_EQ(socks.port, "");
            EXPECT_EQ(socks.user, "");
        } },
    { "FetchWithoutSocks", { "fetch", "u" },
        [](const CliCommand& command) { EXPECT_EQ(std::get<FetchArguments>(command).socks.version, 0); } },
    { "SocksUserWithoutPassword", { "fetch", "--socks5", "s:1", "--socks-user", "me", "u" },
        [](const CliCommand& command) {
            EXPECT_EQ(std::get<FetchArguments>(command).socks.user, "me");
            EXPECT_EQ(std::get<FetchArguments>(command).socks.password, "");
        } },
    { "CheckRoutes", { "check", "--proxy", "p:3128", "--socks4", "s:1080", "u", "q" },
        [](const CliCommand& command) {
            const auto& check = std::get<CheckArguments>(command);
            EXPECT_EQ(check.proxyHost, "p");
            EXPECT_EQ(check.proxyPort, "3128");
            EXPECT_EQ(check.socks.version, 4);
            EXPECT_EQ(check.socks.host, "s");
        } },
    { "HistoryOptions",
        { "history", "--site", "a b", "--limit=0", "--format", "csv", "--db", "h.db", "--dir", "d", "l.ini" },
        [](const CliCommand& command) {
            const auto& history = std::get<HistoryArguments>(command);
            EXPECT_EQ(history.site, "a b");
            EXPECT_EQ(history.limit, 0);
            EXPECT_EQ(history.report.format, OutputFormat::Csv);
            EXPECT_EQ(history.list.database, "h.db");
            EXPECT_EQ(history.list.folder, "d");
            EXPECT_EQ(history.list.file, "l.ini");
        } },
    { "ChangesDefaults", { "changes" },
        [](const CliCommand& command) {
            const auto& changes = std::get<ChangesArguments>(command);
            EXPECT_EQ(changes.list.database, "");
            EXPECT_EQ(changes.report.format, OutputFormat::Text);
        } },
    { "RunNotify",
        { "run", "--db", "x.db", "--notify", "http://hook/", "--notify-format", "feishu", "--notify-ca",
            "ca.pem" },
        [](const CliCommand& command) {
            const auto& run = std::get<RunArguments>(command);
            EXPECT_EQ(run.list.database, "x.db");
            EXPECT_FALSE(run.noHistory);
            EXPECT_EQ(run.notifyUrl, "http://hook/");
            EXPECT_EQ(run.notifyFormat, NoticeFormat::Feishu);
            EXPECT_EQ(run.notifyCaFile, "ca.pem");
        } },
    { "RunFailsOnNotCounted", { "run", "--fail-on", "not-counted" },
        [](const CliCommand& command) {
            EXPECT_EQ(std::get<RunArguments>(command).failOn, FailOn::NotCounted);
        } },
    { "CheckFailsOnNotCounted", { "check", "u", "q", "--fail-on=not-counted" },
        [](const CliCommand& command) {
            EXPECT_EQ(std::get<CheckArguments>(command).failOn, FailOn::NotCounted);
        } },
    { "NotifyWithoutHistory", { "run", "--notify", "http://hook/", "--no-history" }, {} },
    { "DatabaseWithoutHistory", { "run", "--db", "x.db", "--no-history" }, {} },
    { "NotifyFormatAlone", { "run", "--notify-format", "wecom" }, {} },
    { "NotifyCaAlone", { "run", "--notify-ca", "ca.pem" }, {} },
    { "UnknownNotifyFormat", { "run", "--notify", "http://hook/", "--notify-format", "slack" }, {} },
    { "NegativeLimit", { "history", "--limit", "-1" }, {} },
    { "ChangesTakeNoTimeout", { "changes", "--timeout", "5" }, {} },
    { "BothSocksVersions", { "fetch", "--socks5", "s:1", "--socks4", "s:1", "u" }, {} },
    { "SocksUserWithoutServer", { "check", "--socks-user", "a:b", "u", "q" }, {} },
    { "SocksUserEmpty", { "fetch", "--socks5", "s:1", "--socks-user", ":pw", "u" }, {} },
    { "SocksPortNotNumber", { "fetch", "--socks5", "s:socks", "u" }, {} },
    { "SocksWithoutHost", { "check", "--socks4", ":1080", "u", "q" }, {} },
    { "NoCommand", {}, {} },
    { "UnknownCommand", { "bogus", "u" }, {} },
    { "FetchWithoutUrl", { "fetch" }, {} },
    { "FetchTwoUrls", { "fetch", "a", "b" }, {} },
    { "TimeoutNotNumber", { "fetch", "--timeout", "5s", "u" }, {} },
    { "TimeoutNegative", { "fetch", "--timeout", "-1", "u" }, {} },
    { "TimeoutMissingValue", { "fetch", "u", "--timeout" }, {} },
    { "UnknownProtocol", { "fetch", "--protocol", "2.0", "u" }, {} },
    { "ProxyWithoutHost", { "fetch", "--proxy", ":80", "u" }, {} },
    { "ProxyEmptyPort", { "fetch", "--proxy", "h:", "u" }, {} },
    { "ProxyPortNotNumber", { "fetch", "--proxy", "h:http", "u" }, {} },
    { "ProxyUnclosedBracket", { "fetch", "--proxy", "[::1:80", "u" }, {} },
    { "CheckMissingQuery", { "check", "u" }, {} },
    { "FlagWithValue", { "check", "--no-delay=1", "u", "q" }, {} },
    { "UnknownFormat", { "run", "--format", "xml" }, {} },
    { "UnknownEncoding", { "check", "--encoding", "latin1", "u", "q" }, {} },
    { "JsonIsNeverGbk", { "run", "--format", "json", "--encoding", "gbk" }, {} },
    { "JobsZero", { "run", "--jobs", "0" }, {} },
    { "JobsNotNumber", { "run", "--jobs", "many" }, {} },
    { "RunTimeoutZero", { "run", "--timeout", "0" }, {} },
    { "TranscriptOnlyAsText", { "check", "--transcript", "--format", "tsv", "u", "q" }, {} },
    { "JobsOnlyForRun", { "check", "--jobs", "2", "u", "q" }, {} },
    { "OptionOfOtherCommand", { "check", "--protocol", "1.0", "u", "q" }, {} },
};

class CliArguments : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(CliArguments, Parses)
{
    const ParseCase& testCase = GetParam();
    const ParsedArguments parsed = parseCliArguments(testCase.arguments);
    if (!testCase.check) {
        EXPECT_FALSE(parsed.command);
        EXPECT_FALSE(parsed.error.empty());
        return;
    }
    ASSERT_TRUE(parsed.command) << parsed.error;
    testCase.check(*parsed.command);
}

INSTANTIATE_TEST_SUITE_P(Cases, CliArguments, ::testing::ValuesIn(parseCases),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// A command line that is wrong, and what the error says about it.
// clang-format off
struct WrongCase { const char* name; std::vector<std::string> arguments; std::string error; };
const WrongCase wrongCases[] = {
    { .name = "ARepeatedOptionIsRefused", .arguments = { "fetch", "--timeout", "1", "--timeout=2", "u" },
        .error = "--timeout: At Most 1 required but received 2" },
    { .name = "ARepeatedFlagIsRefused", .arguments = { "check", "--no-delay", "u", "q", "--no-delay" },
        .error = "--no-delay: At Most 1 required but received 2" },
    { .name = "AMissingValueIsNamed", .arguments = { "fetch", "u", "--timeout" }, .error = "--timeout: 1 required MS missing" },
    { .name = "AnUnknownOptionIsNamed", .arguments = { "run", "--bogus" }, .error = "The following argument was not expected: --bogus" },
    { .name = "NegativeJobs", .arguments = { "run", "--jobs", "-1" }, .error = "--jobs: needs a whole number from 1 up, got '-1'" },
    { .name = "TimeoutThatIsNoNumber", .arguments = { "fetch", "--timeout", "x", "u" },
        .error = "--timeout: needs a whole number from 0 up, got 'x'" },
    { .name = "NegativeLimit", .arguments = { "history", "--limit", "-3" }, .error = "--limit: needs a whole number from 0 up, got '-3'" },
    { .name = "AnEmptyValueAfterEqualsTakesNotTheNextArgument", .arguments = { "run", "--dir=", "l.ini" },
        .error = "--dir=: nothing follows the =" },
    { .name = "PortZero", .arguments = { "fetch", "--proxy", "h:0", "u" },
        .error = "--proxy: needs HOST:PORT, [IPv6]:PORT, or a host or an IPv6 address alone, got 'h:0'" },
    { .name = "ColonsOfNoIPv6Address", .arguments = { "fetch", "--socks4", "h:x:1", "u" },
        .error = "--socks4: needs HOST:PORT, [IPv6]:PORT, or a host or an IPv6 address alone, got 'h:x:1'" },
    { .name = "UnknownChoice", .arguments = { "run", "--format", "xml" }, .error = "--format: xml not in {csv,json,text,tsv}" },
    { .name = "FailOnWhatItDoesNotKnow", .arguments = { "run", "--fail-on", "missing" },
        .error = "--fail-on: missing not in {not-counted}" },
    { .name = "SinceWithoutAUnit", .arguments = { "report", "--since", "30" },
        .error = "--since: needs a whole number from 1 up and a unit: m minutes, h hours, d days, w weeks (30d), got '30'" },
    { .name = "SinceOfAnUnknownUnit", .arguments = { "report", "--since", "3y" },
        .error = "--since: needs a whole number from 1 up and a unit: m minutes, h hours, d days, w weeks (30d), got '3y'" },
    { .name = "SinceAndRuns", .arguments = { "report", "--runs", "3", "--since", "1d" }, .error = "--since excludes --runs" },
    { .name = "ConfirmWithoutNotify", .arguments = { "run", "--confirm", "2" }, .error = "--confirm requires --notify" },
    { .name = "ARunNotRecordedNotifiesNothing", .arguments = { "run", "--notify", "http://hook/", "--no-history" },
        .error = "--no-history excludes --notify" },
};
// clang-format on
void PrintTo(const WrongCase& testCase, std::ostream* out) { *out << testCase.name; }

using CliWrongArguments = testing::TestWithParam<WrongCase>;
TEST_P(CliWrongArguments, AreRefusedWithTheReason)
{
    const ParsedArguments parsed = parseCliArguments(GetParam().arguments);
    EXPECT_FALSE(parsed.command);
    EXPECT_EQ(parsed.error, GetParam().error);
}
INSTANTIATE_TEST_SUITE_P(Cases, CliWrongArguments, testing::ValuesIn(wrongCases),
    [](const testing::TestParamInfo<WrongCase>& info) { return std::string(info.param.name); });

// The options the manual describes, each an entry "*--name*" of its own, and those --help lists.
std::set<std::string> optionNames(const std::string& text, const std::regex& entry)
{
    std::set<std::string> names;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), entry); match != std::sregex_iterator();
         ++match)
        names.insert((*match)[1]);
    return names;
}

TEST(CliHelp, ListsTheOptionsTheManualDescribes)
{
    const std::string manual = LINKWATCH_MANUAL_SOURCE;
    std::ifstream file(manual);
    ASSERT_TRUE(file) << manual;
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::set<std::string> listed = optionNames(cliHelp(), std::regex("\n  (--[a-z0-9-]+)"));
    listed.insert({ "--version", "--help" });
    EXPECT_EQ(optionNames(text, std::regex("\n\\*(--[a-z0-9-]+)\\*")), listed);
}

}
