#include "cli/command_help.h"

#include "cli/cli_help.h"

std::string CommandHelp::make_help(const CLI::App* command, std::string, CLI::AppFormatMode mode) const
{
    // The synopsis names the positional arguments, so they get no entries of their own.
    return commandUsage(command->get_name()) + "\n" + helpEntry(command->get_name()).text + "\n"
        + make_groups(command, mode)
        + "\nlinkwatch-cli --help also describes the columns and exit statuses.\n";
}

std::string CommandHelp::make_option(const CLI::Option* option, bool positional) const
{
    const std::string value = option->get_type_name();
    return helpLine(
        make_option_name(option, positional) + (value.empty() ? "" : " " + value), make_option_desc(option));
}
