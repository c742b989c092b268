#pragma once

#include <CLI/CLI.hpp>

// Lays out a linkwatch-cli command's own --help for the options library:
// the command's synopsis, what it does, then its options, each entry laid
// out as the full --help lays out its own (cli_help.h), so that both read
// alike; the synopsis says which options go together. Builds text only.
class CommandHelp : public CLI::Formatter
{
public:
    std::string make_help(const CLI::App* command, std::string, CLI::AppFormatMode mode) const override;
    std::string make_option(const CLI::Option* option, bool positional) const override;
};
