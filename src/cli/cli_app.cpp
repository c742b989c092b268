#include "cli/cli_app.h"

#include "build_info.h"
#include "cli/changes_command.h"
#include "cli/check_command.h"
#include "cli/cli_arguments.h"
#include "cli/cli_help.h"
#include "cli/fetch_command.h"
#include "cli/history_command.h"
#include "cli/mine_command.h"
#include "cli/report_command.h"
#include "cli/run_command.h"

#include <ostream>
#include <variant>

namespace {

constexpr int usageError = 2;

struct CommandRunner {
    std::ostream& out;
    std::ostream& err;

    int operator()(const FetchArguments& arguments) const { return runFetch(arguments, out, err); }
    int operator()(const CheckArguments& arguments) const { return runCheck(arguments, out); }
    int operator()(const RunArguments& arguments) const { return runSiteList(arguments, out, err); }
    int operator()(const HistoryArguments& arguments) const { return runHistory(arguments, out, err); }
    int operator()(const ChangesArguments& arguments) const { return runChanges(arguments, out, err); }
    int operator()(const MineArguments& arguments) const { return runMine(arguments, out, err); }
    int operator()(const SiteReportArguments& arguments) const { return runReport(arguments, out, err); }
    int operator()(const HelpArguments& arguments) const
    {
        out << arguments.text;
        return 0;
    }
    int operator()(const VersionArguments&) const
    {
        out << "linkwatch-cli " << LinkWatchVersion << '\n';
        return 0;
    }
};

}

int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed = parseCliArguments(arguments);
    if (!parsed.command) {
        err << "linkwatch-cli: " << parsed.error << '\n'
            << cliUsage() << "linkwatch-cli --help describes every option, column and exit status.\n";
        return usageError;
    }
    return std::visit(CommandRunner { out, err }, *parsed.command);
}
