#include "cli/cli_arguments.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace {

struct OptionSpec {
    std::string name;
    bool takesValue;
};

// Options and positional arguments of one command line, before their meaning is checked.
struct RawCommand {
    std::map<std::string, std::string> options;
    std::vector<std::string> positionals;
};

struct CommandForm {
    std::string name;
    std::vector<OptionSpec> options;
    std::size_t positionals;
    // Checks the meaning of the options and positionals and builds the command.
    std::string (*build)(const RawCommand& raw, CliCommand& command);
    // How many positionals may follow the required ones.
    std::size_t optionalPositionals = 0;
};

std::string splitOption(
    const std::vector<std::string>& arguments, std::size_t& index, const CommandForm& form, RawCommand& raw)
{
    const std::string& argument = arguments[index];
    const auto equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const auto option = std::find_if(form.options.begin(), form.options.end(),
        [&](const OptionSpec& known) { return known.name == name; });
    if (option == form.options.end())
        return "unknown option " + name + " for " + form.name;
    if (!option->takesValue) {
        if (equals != std::string::npos)
            return "option " + name + " takes no value";
        raw.options[name] = "";
        return {};
    }
    if (equals != std::string::npos) {
        raw.options[name] = argument.substr(equals + 1);
        return {};
    }
    if (index + 1 >= arguments.size())
        return "option " + name + " needs a value";
    raw.options[name] = arguments[++index];
    return {};
}

std::string splitCommandLine(
    const std::vector<std::string>& arguments, const CommandForm& form, RawCommand& raw)
{
    bool optionsEnded = false;
    for (std::size_t index = 1; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
            if (std::string error = splitOption(arguments, index, form, raw); !error.empty())
                return error;
        } else {
            raw.positionals.push_back(argument);
        }
    }
    const std::size_t most = form.positionals + form.optionalPositionals;
    if (raw.positionals.size() < form.positionals || raw.positionals.size() > most)
        return form.name + " takes " + std::to_string(form.positionals)
            + (most > form.positionals ? " to " + std::to_string(most) : "") + " argument(s), got "
            + std::to_string(raw.positionals.size());
    return {};
}

std::optional<int> readNonNegative(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::optional<int> readPositive(const std::string& text)
{
    const std::optional<int> value = readNonNegative(text);
    return value && *value > 0 ? value : std::nullopt;
}

std::string readFormat(const RawCommand& raw, ReportArguments& report)
{
    static const std::map<std::string, OutputFormat> formats { { "text", OutputFormat::Text },
        { "tsv", OutputFormat::Tsv }, { "csv", OutputFormat::Csv }, { "json", OutputFormat::Json } };
    static const std::map<std::string, OutputEncoding> encodings { { "utf-8", OutputEncoding::Utf8 },
        { "utf8", OutputEncoding::Utf8 }, { "gbk", OutputEncoding::Gbk } };
    if (const auto format = raw.options.find("--format"); format != raw.options.end()) {
        const auto known = formats.find(format->second);
        if (known == formats.end())
            return "--format must be text, tsv, csv or json, got '" + format->second + "'";
        report.format = known->second;
    }
    if (const auto encoding = raw.options.find("--encoding"); encoding != raw.options.end()) {
        const auto known = encodings.find(encoding->second);
        if (known == encodings.end())
            return "--encoding must be utf-8 or gbk, got '" + encoding->second + "'";
        report.encoding = known->second;
    }
    if (report.format == OutputFormat::Json && report.encoding == OutputEncoding::Gbk)
        return "--format json is always UTF-8; --encoding gbk does not apply to it";
    return {};
}

std::string readReport(const RawCommand& raw, ReportArguments& report)
{
    if (const auto timeout = raw.options.find("--timeout"); timeout != raw.options.end()) {
        report.waitLimitMs = readPositive(timeout->second);
        if (!report.waitLimitMs)
            return "--timeout needs a number of milliseconds above 0, got '" + timeout->second + "'";
    }
    return readFormat(raw, report);
}

// HOST:PORT, [IPv6]:PORT, or HOST alone (the default port).
bool readHostPort(const std::string& text, std::string& hostOut, std::string& portOut)
{
    std::string host = text;
    std::string port;
    if (!text.empty() && text[0] == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos)
            return false;
        host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty() && rest[0] != ':')
            return false;
        port = rest.empty() ? "" : rest.substr(1);
    } else if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    const bool portIsNumber
        = std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (host.empty() || !portIsNumber || (text.find(':') != std::string::npos && port.empty()))
        return false;
    hostOut = host;
    portOut = port;
    return true;
}

std::string readProxy(const RawCommand& raw, std::string& host, std::string& port)
{
    const auto proxy = raw.options.find("--proxy");
    if (proxy != raw.options.end() && !readHostPort(proxy->second, host, port))
        return "--proxy needs HOST:PORT, got '" + proxy->second + "'";
    return {};
}

// --socks5 or --socks4 HOST:PORT, and --socks-user USER:PASS (the password
// may be empty, and a user without a colon has an empty password).
std::string readSocks(const RawCommand& raw, SocksArguments& socks)
{
    const auto socks5 = raw.options.find("--socks5");
    const auto socks4 = raw.options.find("--socks4");
    if (socks5 != raw.options.end() && socks4 != raw.options.end())
        return "--socks5 and --socks4 exclude each other";
    const auto server = socks5 != raw.options.end() ? socks5 : socks4;
    const auto user = raw.options.find("--socks-user");
    if (server == raw.options.end())
        return user == raw.options.end() ? std::string() : "--socks-user needs --socks5 or --socks4";
    if (!readHostPort(server->second, socks.host, socks.port))
        return server->first + " needs HOST:PORT, got '" + server->second + "'";
    socks.version = server == socks5 ? 5 : 4;
    if (user != raw.options.end()) {
        const auto colon = user->second.find(':');
        socks.user = user->second.substr(0, colon);
        socks.password = colon == std::string::npos ? "" : user->second.substr(colon + 1);
        if (socks.user.empty())
            return "--socks-user needs USER:PASS, got '" + user->second + "'";
    }
    return {};
}

std::string toFetch(const RawCommand& raw, CliCommand& command)
{
    FetchArguments fetch;
    fetch.url = raw.positionals[0];
    if (const auto timeout = raw.options.find("--timeout"); timeout != raw.options.end()) {
        fetch.timeoutMs = readNonNegative(timeout->second);
        if (!fetch.timeoutMs)
            return "--timeout needs a number of milliseconds, got '" + timeout->second + "'";
    }
    if (std::string error = readProxy(raw, fetch.proxyHost, fetch.proxyPort); !error.empty())
        return error;
    if (std::string error = readSocks(raw, fetch.socks); !error.empty())
        return error;
    if (const auto protocol = raw.options.find("--protocol"); protocol != raw.options.end()) {
        fetch.protocol = protocol->second;
        if (fetch.protocol != "1.0" && fetch.protocol != "1.1" && fetch.protocol != "0.9")
            return "--protocol must be 1.0, 1.1 or 0.9, got '" + fetch.protocol + "'";
    }
    command = fetch;
    return {};
}

std::string toCheck(const RawCommand& raw, CliCommand& command)
{
    CheckArguments check;
    check.url = raw.positionals[0];
    check.query = raw.positionals[1];
    check.noDelay = raw.options.count("--no-delay") > 0;
    check.transcript = raw.options.count("--transcript") > 0;
    if (std::string error = readReport(raw, check.report); !error.empty())
        return error;
    if (check.transcript && check.report.format != OutputFormat::Text)
        return "--transcript goes with --format text only";
    if (std::string error = readProxy(raw, check.proxyHost, check.proxyPort); !error.empty())
        return error;
    if (std::string error = readSocks(raw, check.socks); !error.empty())
        return error;
    command = check;
    return {};
}

// --dir, --db and the optional FILE of the commands that read a list or its history.
std::string readList(const RawCommand& raw, ListArguments& list)
{
    if (const auto folder = raw.options.find("--dir"); folder != raw.options.end()) {
        list.folder = folder->second;
        if (list.folder.empty())
            return "--dir needs a folder";
    }
    if (const auto database = raw.options.find("--db"); database != raw.options.end()) {
        list.database = database->second;
        if (list.database.empty())
            return "--db needs a file";
    }
    if (!raw.positionals.empty())
        list.file = raw.positionals[0];
    return {};
}

std::string readNotify(const RawCommand& raw, RunArguments& run)
{
    static const std::map<std::string, NoticeFormat> formats { { "json", NoticeFormat::Json },
        { "dingtalk", NoticeFormat::DingTalk }, { "wecom", NoticeFormat::WeCom },
        { "feishu", NoticeFormat::Feishu } };
    const auto url = raw.options.find("--notify");
    const auto format = raw.options.find("--notify-format");
    const auto caFile = raw.options.find("--notify-ca");
    if (url == raw.options.end()) {
        if (format != raw.options.end())
            return "--notify-format needs --notify";
        return caFile == raw.options.end() ? std::string() : "--notify-ca needs --notify";
    }
    run.notifyUrl = url->second;
    if (run.notifyUrl.empty())
        return "--notify needs the web hook's address";
    // The changes a notice tells of are read from the history this run records.
    if (run.noHistory)
        return "--notify needs the run recorded, so not --no-history";
    if (format != raw.options.end()) {
        const auto known = formats.find(format->second);
        if (known == formats.end())
            return "--notify-format must be json, dingtalk, wecom or feishu, got '" + format->second + "'";
        run.notifyFormat = known->second;
    }
    if (caFile != raw.options.end()) {
        if (caFile->second.empty())
            return "--notify-ca needs a file of certificates";
        run.notifyCaFile = caFile->second;
    }
    return {};
}

std::string toRun(const RawCommand& raw, CliCommand& command)
{
    RunArguments run;
    run.noDelay = raw.options.count("--no-delay") > 0;
    run.noHistory = raw.options.count("--no-history") > 0;
    if (const auto jobs = raw.options.find("--jobs"); jobs != raw.options.end()) {
        run.jobs = readPositive(jobs->second);
        if (!run.jobs)
            return "--jobs needs a number above 0, got '" + jobs->second + "'";
    }
    if (std::string error = readReport(raw, run.report); !error.empty())
        return error;
    if (std::string error = readList(raw, run.list); !error.empty())
        return error;
    if (run.noHistory && !run.list.database.empty())
        return "--db and --no-history exclude each other";
    if (std::string error = readNotify(raw, run); !error.empty())
        return error;
    command = run;
    return {};
}

std::string toHistory(const RawCommand& raw, CliCommand& command)
{
    HistoryArguments history;
    if (const auto site = raw.options.find("--site"); site != raw.options.end())
        history.site = site->second;
    if (const auto limit = raw.options.find("--limit"); limit != raw.options.end()) {
        const std::optional<int> value = readNonNegative(limit->second);
        if (!value)
            return "--limit needs a number, 0 for all, got '" + limit->second + "'";
        history.limit = *value;
    }
    if (std::string error = readFormat(raw, history.report); !error.empty())
        return error;
    if (std::string error = readList(raw, history.list); !error.empty())
        return error;
    command = history;
    return {};
}

std::string toChanges(const RawCommand& raw, CliCommand& command)
{
    ChangesArguments changes;
    if (std::string error = readFormat(raw, changes.report); !error.empty())
        return error;
    if (std::string error = readList(raw, changes.list); !error.empty())
        return error;
    command = changes;
    return {};
}

const std::vector<CommandForm>& commandTable()
{
    static const std::vector<CommandForm> table {
        { "fetch",
            { { "--timeout", true }, { "--proxy", true }, { "--protocol", true }, { "--socks5", true },
                { "--socks4", true }, { "--socks-user", true } },
            1, toFetch },
        { "check",
            { { "--no-delay", false }, { "--transcript", false }, { "--timeout", true }, { "--format", true },
                { "--encoding", true }, { "--proxy", true }, { "--socks5", true }, { "--socks4", true },
                { "--socks-user", true } },
            2, toCheck },
        { "run",
            { { "--no-delay", false }, { "--jobs", true }, { "--timeout", true }, { "--format", true },
                { "--encoding", true }, { "--dir", true }, { "--db", true }, { "--no-history", false },
                { "--notify", true }, { "--notify-format", true }, { "--notify-ca", true } },
            0, toRun, 1 },
        { "history",
            { { "--db", true }, { "--dir", true }, { "--site", true }, { "--limit", true },
                { "--format", true }, { "--encoding", true } },
            0, toHistory, 1 },
        { "changes", { { "--db", true }, { "--dir", true }, { "--format", true }, { "--encoding", true } }, 0,
            toChanges, 1 },
    };
    return table;
}

// What --help adds to the synopsis: every command, option, column and exit status.
constexpr char helpDetails[]
    = "\ncommands:\n"
      "  fetch  one GET; the body goes to standard output byte for byte, and a line\n"
      "         \"result=0|1 code=STATUS error=SOCKET_ERROR\" and the response header lines to\n"
      "         standard error\n"
      "  check  one link check as the window's CHECK runs it (address and query trimmed)\n"
      "  run    checks every entry of a site list whose status is 正常, top to bottom, as\n"
      "         CHECK does; FILE defaults to 帐号.ini in the folder the window uses\n"
      "         (see man linkwatch-cli); records the run in the list's history database\n"
      "  history  the results recorded for the list, newest run first\n"
      "  changes  the sites whose outcome differs between the list's last two recorded runs:\n"
      "           lost (found, then missing), back (then found again), down (then\n"
      "           unreachable), up (unreachable, then missing)\n"
      "\noptions:\n"
      "  --no-delay         start at once: no 1.1 s pause before each fetch, no 20 ms between starts\n"
      "  --jobs N           run: at most N sites checked at once (N >= 1); default: no bound\n"
      "  --timeout MS       the wait for each read, in milliseconds (fetch: default 60000;\n"
      "                     check, run: above 0, default 50000 as in the window)\n"
      "  --format F         text (default): the verdict (check), or one line per site with run\n"
      "                     number, name, address and verdict, tab-separated (run);\n"
      "                     tsv, csv, json: one row per site with the columns below\n"
      "  --encoding E       utf-8 (default) or gbk, for text, tsv and csv; json is always UTF-8\n"
      "  --transcript       check, text format: print the debug transcript before the verdict\n"
      "  --proxy HOST:PORT  a plain HTTP proxy for http addresses, a CONNECT tunnel for https\n"
      "  --dir DIR          run, history, changes: the folder of the site list\n"
      "  --db FILE          run, history, changes: the history database; default linkwatch.db in\n"
      "                     the site list's folder\n"
      "  --no-history       run: record nothing\n"
      "  --notify URL       run: after recording, POST the run's changes, when there are any, to\n"
      "                     this web hook (http or https), each read waiting as --timeout says\n"
      "  --notify-format F  json (default: the changes command's json), dingtalk, wecom or feishu\n"
      "                     (a chat robot's text message in Chinese)\n"
      "  --notify-ca FILE   the certificates (PEM) an https web hook's certificate must be vouched\n"
      "                     for by; default: the system's certificate authorities\n"
      "  --site TEXT        history: only results whose name or address holds TEXT\n"
      "  --limit N          history: at most N results (default 100, 0 for all)\n"
      "\ncolumns:\n"
      "  text  tabs and line breaks in texts become blanks, other control bytes are written \\x1b, ...\n"
      "  tsv   a header line, fields separated by tabs; control bytes in texts become blanks\n"
      "  csv   a header line, RFC 4180 quoting, CR LF line ends, a byte-order mark in UTF-8;\n"
      "        control bytes in texts but tabs and line breaks become blanks\n"
      "  (in tsv and csv a text beginning with = + - @ gets a leading ' so spreadsheets keep it a text)\n"
      "  json  one array of objects with these keys; numbers as numbers, absent values null\n"
      "  (absent values are empty in tsv and csv)\n"
      "  n         run number (1 for check)\n"
      "  name      the site's name as listed (empty for check)\n"
      "  address   the page address as listed\n"
      "  verdict   what the window shows: OK!, 没有发现目标链接, or TEST...... when the\n"
      "            check ended without one\n"
      "  outcome   found; missing: a response came without the query; unreachable: no HTTP response\n"
      "  status    the HTTP status code; absent without a status line\n"
      "  reason    why, as a short sentence in Chinese\n"
      "  location  where a redirect points; absent otherwise\n"
      "  error     the socket error the fetch ended with (10060 timed out, 10061 refused,\n"
      "            11001 host not found, ...); absent without one\n"
      "  bytes     body bytes received\n"
      "  ms        milliseconds from the request's start to the verdict\n"
      "  match     gbk or utf8: the form of the query the page held; absent when not found\n"
      "  rel       rel of the link the query sits in: none, nofollow, sponsored or ugc;\n"
      "            absent when the query is not inside a link\n"
      "  near      when the query is missing: the first link on the page to the query's site\n"
      "            written in another form (https, no www., no ending slash, ...), as the page\n"
      "            writes it; the reason says how it differs; absent when there is none\n"
      "  robots    noindex, nofollow or none when the X-Robots-Tag header or a robots meta tag\n"
      "            of the page says so (noindex and nofollow together give none); absent otherwise\n"
      "  outcome to robots are absent when the check ended without an outcome\n"
      "  history adds run (the run's number in the database) and time (when the verdict came,\n"
      "  local time) before n; its text format shows run, time, n, name, address, verdict\n"
      "\nchanges columns (the text format shows the first eight):\n"
      "  change, n, name, address, before_outcome, before_reason, after_outcome, after_reason,\n"
      "  after_status, after_error, before_run, after_run\n"
      "\nexit status:\n"
      "  check, run  0 every active site found (also when the list has none), 1 at least one\n"
      "              missing, 3 none missing but at least one unreachable; a run that cannot\n"
      "              be recorded keeps its status and says on standard error how many results\n"
      "              were not recorded\n"
      "  run         4 --notify could not tell the web hook of the run's changes, or its answer\n"
      "              was cut, or not a robot's JSON with errcode (or code) 0\n"
      "  changes     1 a link was lost, else 0\n"
      "  history     0 read\n"
      "  fetch       0 the exchange succeeded and began with a status line, 1 not\n"
      "  all         2 a wrong command line, a site list or a history database that cannot be\n"
      "              read, standard output that cannot be written\n";

}

ParsedArguments parseCliArguments(const std::vector<std::string>& arguments)
{
    ParsedArguments parsed;
    if (arguments.empty()) {
        parsed.error = "no command given";
        return parsed;
    }
    if (arguments[0] == "help" || arguments[0] == "--help" || arguments[0] == "-h") {
        parsed.command = HelpArguments {};
        return parsed;
    }
    if (arguments[0] == "--version") {
        parsed.command = VersionArguments {};
        return parsed;
    }
    const auto& table = commandTable();
    const auto form = std::find_if(
        table.begin(), table.end(), [&](const CommandForm& known) { return known.name == arguments[0]; });
    if (form == table.end()) {
        parsed.error = "unknown command '" + arguments[0] + "'";
        return parsed;
    }
    RawCommand raw;
    CliCommand command;
    parsed.error = splitCommandLine(arguments, *form, raw);
    if (parsed.error.empty())
        parsed.error = form->build(raw, command);
    if (parsed.error.empty())
        parsed.command = std::move(command);
    return parsed;
}

std::string cliUsage()
{
    return "usage:\n"
           "  linkwatch-cli fetch [--timeout MS] [--proxy HOST:PORT] [--protocol 1.0|1.1|0.9] [ROUTE] URL\n"
           "  linkwatch-cli check [--no-delay] [--transcript] [--timeout MS] [--format F] [--encoding E]\n"
           "                      [--proxy HOST:PORT] [ROUTE] URL QUERY\n"
           "  linkwatch-cli run [--no-delay] [--jobs N] [--timeout MS] [--format F] [--encoding E]\n"
           "                    [--dir DIR] [--db FILE | --no-history]\n"
           "                    [--notify URL [--notify-format json|dingtalk|wecom|feishu]\n"
           "                    [--notify-ca FILE]] [FILE]\n"
           "  linkwatch-cli history [--db FILE] [--dir DIR] [--site TEXT] [--limit N] [--format F]\n"
           "                        [--encoding E] [FILE]\n"
           "  linkwatch-cli changes [--db FILE] [--dir DIR] [--format F] [--encoding E] [FILE]\n"
           "  linkwatch-cli --version | --help\n"
           "ROUTE: --socks5 HOST:PORT | --socks4 HOST:PORT (SOCKS4a for names), [--socks-user USER:PASS]\n";
}

std::string cliHelp() { return cliUsage() + helpDetails; }
