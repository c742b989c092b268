#pragma once

#include "cli/cli_arguments.h"

#include <iosfwd>

// linkwatch-cli fetch: one GET through the HTTP client with its defaults.
// Writes exactly the bytes of the response body to out, and to err a line
// "result=<0|1> code=<ResultCode> error=<socket error>" followed by the
// response header lines, their control bytes but tabs written out as \xNN. Blocks for the exchange; returns
// the exit status (0 when the exchange succeeded and its response began with a status line, 1 when not).
int runFetch(const FetchArguments& arguments, std::ostream& out, std::ostream& err);
