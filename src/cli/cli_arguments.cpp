#include "cli/cli_arguments.h"

#include "check/spider_agents.h"
#include "cli/cli_help.h"
#include "cli/command_help.h"
#include "cli/host_port.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <functional>
#include <map>

namespace {

const std::map<std::string, std::string> protocols { { "1.0", "1.0" }, { "1.1", "1.1" }, { "0.9", "0.9" } };
const std::map<std::string, OutputFormat> outputFormats { { "text", OutputFormat::Text },
    { "tsv", OutputFormat::Tsv }, { "csv", OutputFormat::Csv }, { "json", OutputFormat::Json } };
const std::map<std::string, OutputEncoding> outputEncodings { { "utf-8", OutputEncoding::Utf8 },
    { "utf8", OutputEncoding::Utf8 }, { "gbk", OutputEncoding::Gbk } };
const std::map<std::string, NoticeFormat> noticeFormats { { "json", NoticeFormat::Json },
    { "dingtalk", NoticeFormat::DingTalk }, { "wecom", NoticeFormat::WeCom },
    { "feishu", NoticeFormat::Feishu } };
const std::map<std::string, MineAction> mineActions { { "add", MineAction::Add },
    { "remove", MineAction::Remove }, { "list", MineAction::List }, { "orphans", MineAction::Orphans } };
const std::map<std::string, ReportFormat> reportFormats { { "html", ReportFormat::Html },
    { "csv", ReportFormat::Csv }, { "json", ReportFormat::Json } };
const std::map<std::string, FailOn> failures { { "not-counted", FailOn::NotCounted } };
const std::map<std::string, std::string> spiders { { "baidu", BaiduSpiderAgent },
    { "baidu-mobile", BaiduMobileSpiderAgent }, { "none", "" } };

// Gives an option its entry of the help.
CLI::Option* described(CLI::Option* option)
{
    const HelpEntry& entry = helpEntry(option->get_name());
    return option->description(entry.text)->type_name(entry.value);
}

CLI::Option* addFlag(CLI::App& command, const std::string& name, bool& target)
{
    // The library lets a flag be repeated unless told otherwise.
    return described(command.add_flag(name, target)->multi_option_policy(CLI::MultiOptionPolicy::Throw));
}

// A folder, file or address, which an empty value cannot name.
CLI::Option* addText(CLI::App& command, const std::string& name, std::string& target)
{
    static const CLI::Validator notEmpty(
        [](const std::string& text) {
            return text.empty() ? std::string("needs a value, not an empty one") : "";
        },
        "");
    return described(command.add_option(name, target)->check(notEmpty));
}

// A decimal number from least up. The library's own reading of numbers takes
// 010 as octal and 0x10 as hexadecimal, which no count or wait here means.
template <typename Target>
CLI::Option* addNumber(CLI::App& command, const std::string& name, int least, Target& target)
{
    return described(
        command.add_option_function<std::string>(name, [name, least, &target](const std::string& text) {
            int value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < least)
                throw CLI::ValidationError(
                    name, "needs a whole number from " + std::to_string(least) + " up, got '" + text + "'");
            target = value;
        }));
}

template <typename Choice>
CLI::Option* addChoice(
    CLI::App& command, const std::string& name, const std::map<std::string, Choice>& choices, Choice& target)
{
    return described(command
                         .add_option_function<std::string>(name,
                             [&choices, &target](const std::string& text) { target = choices.at(text); })
                         ->check(CLI::IsMember(choices).description("")));
}

// A period back from now: a whole number and m (minutes), h, d or w.
CLI::Option* addPeriod(CLI::App& command, const std::string& name, std::int64_t& seconds)
{
    return described(command.add_option_function<
                     std::string>(name, [name, &seconds](const std::string& text) {
        static const std::map<char, std::int64_t> units { { 'm', 60 }, { 'h', 3600 }, { 'd', 86400 },
            { 'w', 7 * 86400 } };
        std::int64_t count = 0;
        const char* end = text.data() + text.size();
        const auto [last, error] = std::from_chars(text.data(), end, count);
        const auto unit = last + 1 == end ? units.find(*last) : units.end();
        if (text.empty() || error != std::errc() || count < 1 || count > 100000 || unit == units.end())
            throw CLI::ValidationError(name,
                "needs a whole number from 1 up and a unit: m minutes, h hours, d days, w weeks (30d), got '"
                    + text + "'");
        seconds = count * unit->second;
    }));
}

CLI::Option* addHostPort(
    CLI::App& command, const std::string& name, const std::function<void(const HostPort&)>& store)
{
    return described(command.add_option_function<std::string>(name, [name, store](const std::string& text) {
        const std::optional<HostPort> address = readHostPort(text);
        if (!address)
            throw CLI::ValidationError(
                name, "needs HOST:PORT, [IPv6]:PORT, or a host or an IPv6 address alone, got '" + text + "'");
        store(*address);
    }));
}

// --proxy, and ROUTE: --socks5 or --socks4 with --socks-user USER:PASS (the
// password may be empty, and a user without a colon has an empty password).
void addRoute(CLI::App& command, std::string& proxyHost, std::string& proxyPort, SocksArguments& socks)
{
    addHostPort(command, "--proxy", [&proxyHost, &proxyPort](const HostPort& proxy) {
        proxyHost = proxy.host;
        proxyPort = proxy.port;
    });
    const auto server = [&socks](int version) {
        return [&socks, version](const HostPort& address) {
            socks.version = version;
            socks.host = address.host;
            socks.port = address.port;
        };
    };
    addHostPort(command, "--socks5", server(5))->excludes(addHostPort(command, "--socks4", server(4)));
    described(command.add_option_function<std::string>("--socks-user", [&socks](const std::string& text) {
        const auto colon = text.find(':');
        socks.user = text.substr(0, colon);
        socks.password = colon == std::string::npos ? "" : text.substr(colon + 1);
        if (socks.user.empty())
            throw CLI::ValidationError("--socks-user", "needs USER:PASS, got '" + text + "'");
    }));
}

// A user, which is never empty, without a SOCKS server to give it to.
void checkRoute(const SocksArguments& socks)
{
    if (!socks.user.empty() && socks.version == 0)
        throw CLI::ValidationError("--socks-user", "needs --socks5 or --socks4");
}

void addFormat(CLI::App& command, ReportArguments& report)
{
    addChoice(command, "--format", outputFormats, report.format);
    addChoice(command, "--encoding", outputEncodings, report.encoding);
}

void checkFormat(const ReportArguments& report)
{
    if (report.format == OutputFormat::Json && report.encoding == OutputEncoding::Gbk)
        throw CLI::ValidationError("--format json is always UTF-8; --encoding gbk does not apply to it");
}

// --no-robots-txt and --spider, which check and run share.
void addSpider(CLI::App& command, bool& noRobotsTxt, std::string& spiderAgent)
{
    addFlag(command, "--no-robots-txt", noRobotsTxt);
    addChoice(command, "--spider", spiders, spiderAgent);
}

// --dir, --db and the optional FILE of the commands that read a list or its history.
CLI::Option* addList(CLI::App& command, ListArguments& list)
{
    addText(command, "--dir", list.folder);
    command.add_option("FILE", list.file);
    return addText(command, "--db", list.database);
}

// The library reads "--name=" as "--name" followed by the next argument as
// its value, so a value that a script left empty would take the list's name
// or the query instead; such an argument is refused.
std::string emptyJoinedValue(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        if (argument == "--")
            return {};
        if (argument.size() > 3 && argument.compare(0, 2, "--") == 0
            && argument.find('=') == argument.size() - 1)
            return argument + ": nothing follows the =";
    }
    return {};
}

// One parse: the options library's commands, bound to the arguments they fill.
class CommandLine
{
public:
    CommandLine();
    ParsedArguments parse(const std::vector<std::string>& arguments);

private:
    CLI::App& addCommand(const std::string& name);
    void addFetch();
    void addCheck();
    void addRun();
    void addHistory();
    void addChanges();
    void addMine();
    void addReport();

    CLI::App m_app { "", "linkwatch-cli" };
    FetchArguments m_fetch;
    CheckArguments m_check;
    RunArguments m_run;
    HistoryArguments m_history;
    ChangesArguments m_changes;
    MineArguments m_mine;
    std::vector<std::string> m_mineOperands; // URL and FILE, or FILE
    SiteReportArguments m_report;
    std::optional<CliCommand> m_command; // set by the command given once all its options are read
};

CommandLine::CommandLine()
{
    m_app.require_subcommand(1);
    m_app.option_defaults()->group("options")->disable_flag_override();
    m_app.formatter(std::make_shared<CommandHelp>());
    addFetch();
    addCheck();
    addRun();
    addHistory();
    addChanges();
    addMine();
    addReport();
}

CLI::App& CommandLine::addCommand(const std::string& name)
{
    CLI::App& command = *m_app.add_subcommand(name, helpEntry(name).text);
    command.set_help_flag("-h,--help", "this command's synopsis and options");
    return command;
}

void CommandLine::addFetch()
{
    CLI::App& fetch = addCommand("fetch");
    addNumber(fetch, "--timeout", 0, m_fetch.timeoutMs);
    addChoice(fetch, "--protocol", protocols, m_fetch.protocol);
    addRoute(fetch, m_fetch.proxyHost, m_fetch.proxyPort, m_fetch.socks);
    fetch.add_option("URL", m_fetch.url)->required();
    fetch.callback([this] {
        checkRoute(m_fetch.socks);
        m_command = m_fetch;
    });
}

void CommandLine::addCheck()
{
    CLI::App& check = addCommand("check");
    addFlag(check, "--no-delay", m_check.noDelay);
    addFlag(check, "--transcript", m_check.transcript);
    addNumber(check, "--timeout", 1, m_check.report.waitLimitMs);
    addFormat(check, m_check.report);
    addRoute(check, m_check.proxyHost, m_check.proxyPort, m_check.socks);
    addChoice(check, "--fail-on", failures, m_check.failOn);
    addSpider(check, m_check.noRobotsTxt, m_check.spiderAgent);
    check.add_option("URL", m_check.url)->required();
    check.add_option("QUERY", m_check.query)->required();
    check.callback([this] {
        checkFormat(m_check.report);
        if (m_check.transcript && m_check.report.format != OutputFormat::Text)
            throw CLI::ValidationError("--transcript", "goes with --format text only");
        checkRoute(m_check.socks);
        m_command = m_check;
    });
}

void CommandLine::addRun()
{
    CLI::App& run = addCommand("run");
    addFlag(run, "--no-delay", m_run.noDelay);
    addNumber(run, "--jobs", 1, m_run.jobs);
    addNumber(run, "--per-host", 1, m_run.perHost);
    addNumber(run, "--retry", 0, m_run.retry);
    addNumber(run, "--timeout", 1, m_run.report.waitLimitMs);
    addFormat(run, m_run.report);
    CLI::Option* database = addList(run, m_run.list);
    CLI::Option* noHistory = addFlag(run, "--no-history", m_run.noHistory);
    CLI::Option* notify = addText(run, "--notify", m_run.notifyUrl);
    addChoice(run, "--notify-format", noticeFormats, m_run.notifyFormat)->needs(notify);
    addText(run, "--notify-ca", m_run.notifyCaFile)->needs(notify);
    addNumber(run, "--confirm", 1, m_run.confirm)->needs(notify);
    // The changes a notice tells of are read from the history this run records.
    noHistory->excludes(database)->excludes(notify);
    addChoice(run, "--fail-on", failures, m_run.failOn);
    addSpider(run, m_run.noRobotsTxt, m_run.spiderAgent);
    run.callback([this] {
        checkFormat(m_run.report);
        m_command = m_run;
    });
}

void CommandLine::addHistory()
{
    CLI::App& history = addCommand("history");
    addList(history, m_history.list);
    described(history.add_option("--site", m_history.site));
    addNumber(history, "--limit", 0, m_history.limit);
    addFormat(history, m_history.report);
    history.callback([this] {
        checkFormat(m_history.report);
        m_command = m_history;
    });
}

void CommandLine::addChanges()
{
    CLI::App& changes = addCommand("changes");
    addList(changes, m_changes.list);
    addNumber(changes, "--confirm", 1, m_changes.confirm);
    addFormat(changes, m_changes.report);
    changes.callback([this] {
        checkFormat(m_changes.report);
        m_command = m_changes;
    });
}

// mine ACTION [URL] [FILE]: add and remove take the own page's address first.
void CommandLine::addMine()
{
    CLI::App& mine = addCommand("mine");
    addFlag(mine, "--no-delay", m_mine.noDelay);
    addNumber(mine, "--timeout", 1, m_mine.report.waitLimitMs);
    addFormat(mine, m_mine.report);
    addText(mine, "--dir", m_mine.list.folder);
    addText(mine, "--db", m_mine.list.database);
    mine.add_option_function<std::string>("ACTION",
            [this](const std::string& text) {
                const auto action = mineActions.find(text);
                if (action == mineActions.end())
                    throw CLI::ValidationError(
                        "ACTION", "needs add, remove, list or orphans, got '" + text + "'");
                m_mine.action = action->second;
            })
        ->required();
    mine.add_option("OPERANDS", m_mineOperands);
    mine.callback([this, &mine] {
        checkFormat(m_mine.report);
        const bool changes = m_mine.action == MineAction::Add || m_mine.action == MineAction::Remove;
        std::size_t operands = m_mineOperands.size();
        if (changes) {
            if (operands == 0)
                throw CLI::ValidationError("URL", "mine add and mine remove need the own page's address");
            m_mine.url = m_mineOperands[0];
            --operands;
        }
        if (operands > 1)
            throw CLI::ValidationError("FILE", "only one site list file may be given");
        if (operands == 1)
            m_mine.list.file = m_mineOperands.back();
        for (const char* reading : { "--format", "--encoding", "--timeout", "--no-delay" }) {
            if (changes && mine.count(reading) > 0)
                throw CLI::ValidationError(reading, "goes with mine list and mine orphans only");
        }
        if (m_mine.action == MineAction::List
            && (mine.count("--timeout") > 0 || mine.count("--no-delay") > 0))
            throw CLI::ValidationError("--timeout, --no-delay", "go with mine orphans only");
        m_command = m_mine;
    });
}

void CommandLine::addReport()
{
    CLI::App& report = addCommand("report");
    addList(report, m_report.list);
    CLI::Option* since = addPeriod(report, "--since", m_report.sinceSeconds);
    addNumber(report, "--runs", 1, m_report.runs)->excludes(since);
    addChoice(report, "--format", reportFormats, m_report.format);
    addText(report, "--output", m_report.output);
    report.callback([this] {
        if (m_report.runs > 0)
            m_report.sinceSeconds = 0;
        m_command = m_report;
    });
}

ParsedArguments CommandLine::parse(const std::vector<std::string>& arguments)
{
    ParsedArguments parsed;
    if (m_app.get_subcommands([&](const CLI::App* command) { return command->get_name() == arguments[0]; })
            .empty()) {
        parsed.error = "unknown command '" + arguments[0] + "'";
        return parsed;
    }
    parsed.error = emptyJoinedValue(arguments);
    if (!parsed.error.empty())
        return parsed;
    // The library takes the arguments from the back.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        m_app.parse(reversed);
        parsed.command = m_command;
    } catch (const CLI::CallForHelp&) {
        parsed.command = HelpArguments { m_app.help() };
    } catch (const CLI::ParseError& error) {
        parsed.error = error.what();
    }
    return parsed;
}

}

ParsedArguments parseCliArguments(const std::vector<std::string>& arguments)
{
    ParsedArguments parsed;
    if (arguments.empty())
        parsed.error = "no command given";
    else if (arguments[0] == "help" || arguments[0] == "--help" || arguments[0] == "-h")
        parsed.command = HelpArguments { cliHelp() };
    else if (arguments[0] == "--version")
        parsed.command = VersionArguments {};
    else
        return CommandLine().parse(arguments);
    return parsed;
}
