#pragma once

#include "cli/change_notice.h"
#include "cli/result_table.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

// The command line of linkwatch-cli, parsed without touching the network.
// Each command has its own argument type; a new command adds a type to
// CliCommand, its options to the parser, its entry to the help (cli_help.h)
// and a runner. Each option is taken at most once.

// A SOCKS server to route through; version 0 means none.
struct SocksArguments {
    int version = 0; // 0, 4 (SOCKS4, SOCKS4a for names) or 5
    std::string host;
    std::string port; // empty: the socket's default
    std::string user; // empty: no user name (SOCKS5 without authentication)
    std::string password;
};

struct FetchArguments {
    std::optional<int> timeoutMs;
    std::string proxyHost; // empty: no proxy
    std::string proxyPort; // empty: the client's default
    std::string protocol; // empty: the client's default
    SocksArguments socks;
    std::string url;
};

// How check and run print their results, and how long each receive of
// their fetches may wait.
struct ReportArguments {
    OutputFormat format = OutputFormat::Text;
    OutputEncoding encoding = OutputEncoding::Utf8;
    std::optional<int> waitLimitMs; // empty: the worker's own 50 s
};

struct CheckArguments {
    bool noDelay = false;
    bool transcript = false;
    ReportArguments report;
    std::string proxyHost; // empty: no proxy; for https the tunnel route
    std::string proxyPort; // empty: the client's default
    SocksArguments socks;
    std::string url;
    std::string query;
    FailOn failOn = FailOn::Missing; // --fail-on
    bool noRobotsTxt = false; // --no-robots-txt: the site's robots.txt is not asked
    std::string spiderAgent; // --spider: the spider's user agent; empty: the spider is not asked
};

// Which site list a command reads or asks history about, and where its history is.
struct ListArguments {
    std::string folder; // --dir: where the site list is; empty: the window's data folder
    std::string file; // empty: the site list file "帐号.ini"; relative to folder when that is set
    std::string database; // --db: the history database; empty: linkwatch.db beside the list
};

struct RunArguments {
    bool noDelay = false;
    std::optional<int> jobs; // most sites checked at once; empty: no bound
    int perHost = 8; // most fetches at once to one host
    int retry = 1; // --retry: most fetches more of a site unreachable or answering 429 or 5xx
    ReportArguments report;
    ListArguments list;
    bool noHistory = false; // --no-history: the run is not recorded
    std::string notifyUrl; // --notify: the web hook told of changes; empty: none
    NoticeFormat notifyFormat = NoticeFormat::Json;
    int confirm = 1; // --confirm: runs a worse state must last before a notice tells of it
    std::string notifyCaFile; // --notify-ca: who vouches for an https hook; empty: the system's authorities
    FailOn failOn = FailOn::Missing; // --fail-on
    bool noRobotsTxt = false; // --no-robots-txt: no site's robots.txt is asked
    std::string spiderAgent; // --spider: the spider's user agent; empty: the spider is not asked
};

struct HistoryArguments {
    ReportArguments report;
    ListArguments list;
    std::string site; // --site: results whose name or address holds it; empty: all
    int limit = 100; // --limit: most results shown; 0: all
};

struct ChangesArguments {
    ReportArguments report;
    ListArguments list;
    int confirm = 1; // --confirm: runs a worse state must last before it is a change
};

enum class ReportFormat { Html, Csv, Json };

struct SiteReportArguments {
    ListArguments list;
    int runs = 0; // --runs: the last N finished runs; 0: those of the --since period
    std::int64_t sinceSeconds = 30 * 86400; // --since: how far back the runs started; 0 with --runs
    ReportFormat format = ReportFormat::Html;
    std::string output; // --output: the file written; empty: standard output
};

// mine: the operator's own pages of a site list, kept in its history database.
enum class MineAction { Add, Remove, List, Orphans };

struct MineArguments {
    MineAction action = MineAction::List;
    std::string url; // the own page added or removed
    bool noDelay = false; // orphans: no start delay before each fetch
    ReportArguments report; // list, orphans
    ListArguments list;
};

struct HelpArguments {
    std::string text; // the full help, or one command's own
};

struct VersionArguments {
};

using CliCommand = std::variant<FetchArguments, CheckArguments, RunArguments, HistoryArguments,
    ChangesArguments, MineArguments, SiteReportArguments, HelpArguments, VersionArguments>;

struct ParsedArguments {
    std::optional<CliCommand> command;
    std::string error; // set when command is empty
};

// Arguments without the program name. Options may come before, between or
// after the positional arguments, with their values after a blank or an
// "="; "--" ends the options. The error names the option or argument at fault.
ParsedArguments parseCliArguments(const std::vector<std::string>& arguments);
