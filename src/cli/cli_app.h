#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// Entry of linkwatch-cli: parses the arguments (without the program name),
// runs the command and returns the exit status; 2 for a usage error, with the
// reason and the usage on err.
int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
