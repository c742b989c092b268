#pragma once

#include "cli/cli_arguments.h"

#include <iosfwd>

// linkwatch-cli check: runs one link check worker exactly as the program's
// check run does (row 1, address and query trimmed), waits until it has freed
// itself, and prints its result: in the text format the verdict in the
// output's encoding, preceded by the debug transcript when asked (its
// control bytes but tabs written out as \xNN); else one
// row of the result table. Returns the exit status of a run of this one site
// (0 found, 1 missing or, with --fail-on not-counted, not counted, 3
// unreachable). Blocks as long as the worker runs; its
// own receive time-outs bound that.
int runCheck(const CheckArguments& arguments, std::ostream& out);
