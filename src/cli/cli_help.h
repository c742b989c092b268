#pragma once

#include <cstddef>
#include <string>

// The texts that tell linkwatch-cli's command line: the synopsis printed with
// a usage error, the full --help, and one entry for each command and option.
// The parser gives each command and option its entry, so that a command's own
// --help says what the full one says. Builds text only; nothing here throws
// but for want of memory, or for a name that has no entry.

struct HelpEntry {
    const char* name; // the command, or the option with its dashes
    const char* value; // the command's synopsis, or what the option's value is called; empty for a flag
    const char* text; // what it does; a line break continues it under its first line
};

// Where the text of an option's entry begins.
constexpr std::size_t helpColumn = 21;

// The entry of a command or option; std::out_of_range for a name without one.
const HelpEntry& helpEntry(const std::string& name);

// "  NAME  TEXT": TEXT from column on, or from the next line when NAME leaves
// no room, each of its later lines under its first.
std::string helpLine(const std::string& name, const std::string& text, std::size_t column = helpColumn);

// One command's synopsis, and the ROUTE it may name.
std::string commandUsage(const std::string& command);

// The synopsis of every command, printed with a usage error.
std::string cliUsage();
// The synopsis and a description of every command, option, column and exit status.
std::string cliHelp();
