#include "cli/cli_help.h"

#include <algorithm>
#include <stdexcept>

namespace {

const HelpEntry commands[] = {
    { "fetch", "[--timeout MS] [--proxy HOST:PORT] [--protocol 1.0|1.1|0.9] [ROUTE] URL",
        "one GET; the body goes to standard output byte for byte, and a line\n"
        "\"result=0|1 code=STATUS error=SOCKET_ERROR\" and the response header lines to\n"
        "standard error" },
    { "check",
        "[--no-delay] [--transcript] [--timeout MS] [--format F] [--encoding E]\n"
        "[--proxy HOST:PORT] [--fail-on not-counted] [--no-robots-txt]\n"
        "[--spider baidu|baidu-mobile|none] [ROUTE] URL QUERY",
        "one link check as the window's CHECK runs it (address and query trimmed)" },
    { "run",
        "[--no-delay] [--jobs N] [--per-host N] [--retry N] [--timeout MS]\n"
        "[--format F] [--encoding E] [--dir DIR] [--db FILE | --no-history]\n"
        "[--notify URL [--notify-format json|dingtalk|wecom|feishu]\n"
        "[--notify-ca FILE] [--confirm N]] [--fail-on not-counted] [--no-robots-txt]\n"
        "[--spider baidu|baidu-mobile|none] [FILE]",
        "checks every entry of a site list whose status is 正常, top to bottom, as\n"
        "CHECK does; FILE defaults to 帐号.ini in the folder the window uses\n"
        "(see man linkwatch-cli); records the run in the list's history database" },
    { "history",
        "[--db FILE] [--dir DIR] [--site TEXT] [--limit N] [--format F]\n"
        "[--encoding E] [FILE]",
        "the results recorded for the list, newest run first" },
    { "changes", "[--db FILE] [--dir DIR] [--confirm N] [--format F] [--encoding E] [FILE]",
        "the sites whose outcome or link changed in the list's last recorded run:\n"
        "lost (found, then missing), back (then found again), down (then\n"
        "unreachable), up (unreachable, then missing), stopped (still found, but\n"
        "the link no longer counts; detail says why), counts (found, and now\n"
        "counts), anchor (the link's text changed), target (its href changed),\n"
        "one-sided (your own page links the partner, its link went or stopped\n"
        "counting), mutual (it counts again); a site with several gets one row\n"
        "naming each: stopped,anchor" },
    { "mine",
        "add|remove URL [--dir DIR] [--db FILE] [FILE]\n"
        "list [--dir DIR] [--db FILE] [--format F] [--encoding E] [FILE]\n"
        "orphans [--no-delay] [--timeout MS] [--dir DIR] [--db FILE] [--format F]\n"
        "[--encoding E] [FILE]",
        "your own pages of a site list (your 友情链接 page), kept in its history\n"
        "database: run fetches each once and sets back for every partner; orphans\n"
        "prints their links to sites no entry of the list names" },
    { "report",
        "[--db FILE] [--dir DIR] [--since PERIOD | --runs N]\n[--format html|csv|json] [--output FILE] "
        "[FILE]",
        "every site of the list with its state now, whether its link counts, since\n"
        "when, the last run it counted in, how many runs in a row it has been lost\n"
        "and its state in each run; the runs' totals; html (default) is one page\n"
        "in Chinese that fetches nothing" },
};

const HelpEntry options[] = {
    { "--no-delay", "", "start at once: no 1.1 s pause before each fetch, no 20 ms between starts" },
    { "--jobs", "N", "run: at most N sites checked at once (N >= 1); default: no bound" },
    { "--per-host", "N",
        "run: at most N fetches at once to one host, by the address's host and\n"
        "port (N >= 1; default 8: shared hosting answers more at once from one\n"
        "address with 429, 503 or a block page, which reads as a lost link)" },
    { "--retry", "N",
        "run: a site that ends unreachable or answers 429 or 5xx is fetched again\n"
        "once every site has been checked, at most N times more (default 1, 0 for\n"
        "never), each after what its Retry-After asks (seconds or an HTTP date, at\n"
        "most 30 s; 2 s without one); the last answer is recorded, tries says how\n"
        "many fetches it took" },
    { "--timeout", "MS",
        "the wait for each read, in milliseconds (fetch: default 60000;\n"
        "check, run, mine orphans: above 0, default 50000 as in the window)" },
    { "--protocol", "V", "fetch: the HTTP version of the request, 1.0, 1.1 (default) or 0.9" },
    { "--format", "F",
        "text (default): the verdict (check), or one line per site with run\n"
        "number, name, address and verdict, tab-separated (run);\n"
        "tsv, csv, json: one row per site with the columns below;\n"
        "report: html (default), csv or json" },
    { "--encoding", "E", "utf-8 (default) or gbk, for text, tsv and csv; json is always UTF-8" },
    { "--transcript", "", "check, text format: print the debug transcript before the verdict" },
    { "--fail-on", "not-counted",
        "check, run: exit 1 also when a site's link was found but does not\n"
        "count (counts no, see below)" },
    { "--no-robots-txt", "",
        "check, run: do not read robots.txt; by default each site's (scheme, host\n"
        "and port) is fetched once per run as Baiduspider, the workers of its pages\n"
        "waiting for it, and its rules for Baiduspider (else *) give robots_txt" },
    { "--spider", "S",
        "check, run: baidu, baidu-mobile or none (default): fetch each page once\n"
        "more with that spider's user agent, every other request byte the same,\n"
        "and compare (the spider column). A partner that knows the\n"
        "spider by its address rather than its user agent cannot be caught this\n"
        "way: same is no proof of honesty" },
    { "--proxy", "HOST:PORT",
        "a plain HTTP proxy for http addresses, a CONNECT tunnel for https\n"
        "(port 8080 unless given)" },
    { "--socks5", "HOST:PORT", "fetch, check: through a SOCKS5 server (port 1080 unless given)" },
    { "--socks4", "HOST:PORT",
        "fetch, check: through a SOCKS4 server, SOCKS4a for host names\n"
        "(port 1080 unless given)" },
    { "--socks-user", "USER:PASS", "the user name and password a SOCKS5 server asks for" },
    { "HOST:PORT", "",
        "a host name or IPv4 address and a port, [IPv6]:PORT, or either without the\n"
        "port; an IPv6 address without brackets has no port (::1 is the host ::1)" },
    { "--dir", "DIR", "run, history, changes, mine, report: the folder of the site list" },
    { "--db", "FILE",
        "run, history, changes, mine, report: the history database; default linkwatch.db in\n"
        "the site list's folder" },
    { "--no-history", "", "run: record nothing" },
    { "--notify", "URL",
        "run: after recording, POST the run's changes and those an earlier notice\n"
        "failed to deliver, when there are any, to this web hook (http or https),\n"
        "each read waiting as --timeout says" },
    { "--notify-format", "F",
        "json (default: the changes command's json), dingtalk, wecom or feishu\n"
        "(a chat robot's text message in Chinese)" },
    { "--notify-ca", "FILE",
        "the certificates (PEM) an https web hook's certificate must be vouched\n"
        "for by; default: the system's certificate authorities" },
    { "--confirm", "N",
        "changes, run --notify: a change to a worse state (lost, down, stopped)\n"
        "is told once the last N runs all show it, and only in the run its streak\n"
        "reaches N; one back before that tells nothing; a change to a better\n"
        "state is told at once when the N runs before were all worse\n"
        "(default 1: every change between the last two runs)" },
    { "--since", "PERIOD",
        "report: the runs started within PERIOD, a whole number and m, h, d or w\n"
        "(default 30d)" },
    { "--runs", "N", "report: the last N finished runs instead" },
    { "--output", "FILE", "report: write FILE (whole, or not at all) instead of standard output" },
    { "--site", "TEXT", "history: only results whose name or address holds TEXT" },
    { "--limit", "N", "history: at most N results (default 100, 0 for all)" },
};

constexpr char route[]
    = "ROUTE: --socks5 HOST:PORT | --socks4 HOST:PORT (SOCKS4a for names), [--socks-user USER:PASS]\n";

// What --help adds after the commands and options: the columns and the exit statuses.
constexpr char helpTail[]
    = "\ncolumns:\n"
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
      "  counts    yes: the link counts with search engines: a direct link (an <a> or <area> to the\n"
      "            site) without nofollow, sponsored or ugc, on a page not marked noindex, nofollow\n"
      "            or none, whose canonical is its own; no: the query is missing, or any of these\n"
      "            fails; unknown: unreachable, the page was a bot check or a script shell, or\n"
      "            where the match sits was not judged\n"
      "  placement where the match sits: link, text, comment, script, noscript, textarea, style,\n"
      "            hidden (by the element itself or one around it) or jump (a link elsewhere that\n"
      "            carries the site in its query string); absent when not found\n"
      "  href      the href of the link the match sits in; absent when none\n"
      "  anchor    that link's text, tags removed and blanks folded (an image: [图片] and its alt\n"
      "            text), at most 2 KiB; absent when none\n"
      "  links     how many links of the page point at the query's site\n"
      "  canonical the page's canonical address when it names another page; absent otherwise\n"
      "  outbound  how many links of the page point at other hosts than the partner's own\n"
      "  outbound_hosts\n"
      "            how many distinct hosts they point at\n"
      "  outbound_nofollow\n"
      "            how many of them carry nofollow, sponsored or ugc\n"
      "  page      ok; challenge: a bot check or captcha page stood in for the page; script: an\n"
      "            application shell whose content scripts would make; absent when unreachable\n"
      "  robots_txt\n"
      "            allowed, disallowed or unknown (it could not be read): what the partner's\n"
      "            robots.txt lets Baiduspider fetch; absent when not checked\n"
      "  spider    same, hidden (the spider's page lacks the link), only (only the spider's page\n"
      "            has it) or unreachable: the page fetched as the spider (--spider); absent without\n"
      "  back      yes, nofollow (only with nofollow, sponsored or ugc), no or unknown (an own page\n"
      "            could not be fetched): whether your own pages (mine add) link to the partner's\n"
      "            site; absent when the list has no own pages\n"
      "  back_anchor\n"
      "            the text of that link; absent when none\n"
      "  tries     how many fetches the result took\n"
      "  links to outbound_nofollow are 0 for a page not read\n"
      "  outcome to tries are absent when the check ended without an outcome\n"
      "  history adds run (the run's number in the database) and time (when the verdict came,\n"
      "  local time) before n; its text format shows run, time, n, name, address, verdict\n"
      "\nchanges columns (the text format shows the first nine):\n"
      "  change, n, name, address, detail, before_outcome, before_reason, after_outcome,\n"
      "  after_reason, after_status, after_error, before_run, after_run\n"
      "  (detail: what changed in the link, e.g. 加了 rel=nofollow, 移进了隐藏元素,\n"
      "  页面改为 noindex, robots.txt 禁止抓取, 锚文本: A → B; before_run is the run compared with)\n"
      "\nexit status:\n"
      "  check, run  0 every active site found (also when the list has none), 1 at least one\n"
      "              missing (with --fail-on not-counted, also one whose link does not count),\n"
      "              3 none missing but at least one unreachable; a run that cannot\n"
      "              be recorded keeps its status and says on standard error how many results\n"
      "              were not recorded\n"
      "  run         4 --notify could not tell the web hook of the run's changes, or its answer\n"
      "              was cut, or not a robot's JSON with errcode (or code) 0\n"
      "  changes     1 a link was lost or an exchange became one-sided, else 0\n"
      "  report      0 written\n"
      "  history     0 read\n"
      "  mine        0 done, 2 an address refused, added twice or removed while not kept, or\n"
      "              orphans of a list without own pages; orphans 3 an own page not read\n"
      "  fetch       0 the exchange succeeded and began with a status line, 1 not\n"
      "  all         2 a wrong command line, a site list or a history database that cannot be\n"
      "              read, standard output that cannot be written\n";

// text with each of its later lines indented by indent blanks.
std::string continued(const std::string& text, std::size_t indent)
{
    std::string lines;
    for (const char c : text) {
        lines += c;
        if (c == '\n')
            lines.append(indent, ' ');
    }
    return lines;
}

std::string usageLine(const std::string& prefix, const HelpEntry& command)
{
    const std::string start = prefix + "linkwatch-cli " + command.name + " ";
    return start + continued(command.value, start.size()) + "\n";
}

std::string optionName(const HelpEntry& option)
{
    return *option.value ? std::string(option.name) + " " + option.value : std::string(option.name);
}

}

const HelpEntry& helpEntry(const std::string& name)
{
    const auto named = [&name](const HelpEntry& entry) { return name == entry.name; };
    if (const auto* command = std::find_if(std::begin(commands), std::end(commands), named);
        command != std::end(commands))
        return *command;
    if (const auto* option = std::find_if(std::begin(options), std::end(options), named);
        option != std::end(options))
        return *option;
    throw std::out_of_range("no help for " + name);
}

std::string helpLine(const std::string& name, const std::string& text, std::size_t column)
{
    std::string line = "  " + name;
    if (line.size() + 2 > column)
        line += "\n" + std::string(column, ' ');
    else
        line.append(column - line.size(), ' ');
    return line + continued(text, column) + "\n";
}

std::string commandUsage(const std::string& command)
{
    const std::string usage = usageLine("usage: ", helpEntry(command));
    return usage.find("[ROUTE]") == std::string::npos ? usage : usage + route;
}

std::string cliUsage()
{
    std::string usage = "usage:\n";
    for (const HelpEntry& command : commands)
        usage += usageLine("  ", command);
    return usage + "  linkwatch-cli --version | --help | COMMAND --help\n" + route;
}

std::string cliHelp()
{
    std::string help = cliUsage() + "\ncommands:\n";
    for (const HelpEntry& command : commands)
        help += helpLine(
            command.name, command.text, std::max<std::size_t>(9, std::string(command.name).size() + 4));
    help += "\noptions (each given at most once):\n";
    for (const HelpEntry& option : options)
        help += helpLine(optionName(option), option.text);
    return help + helpTail;
}
