#pragma once

#include "cli/cli_arguments.h"

#include <iosfwd>

// linkwatch-cli check: runs one link check worker exactly as the program's
// check run does (row 1, address and query trimmed), waits until it has freed
// itself, and prints the verdict in the terminal's encoding, preceded by the
// debug transcript when asked. Returns 0 for "OK!", 1 otherwise. Blocks as
// long as the worker runs; its own receive time-outs bound that.
int runCheck(const CheckArguments& arguments, std::ostream& out);
