#pragma once

#include "cli/cli_arguments.h"

#include <iosfwd>

// linkwatch-cli history: the results recorded in the list's history
// database (linkwatch.db beside the list, or --db), newest run first and by
// run number within a run, at most --limit of them (100 by default, 0 for
// all), only those whose name or address holds --site when given, each
// written as it is read. The database is opened read-only and never made.
//
// Returns 0, or 2 with the reason on err when the database cannot be read
// (a missing one included); a read that fails half way leaves the rows
// written so far, without the table's end. Blocks on the file system, and
// for up to the store's busy time-out on a writer.
int runHistory(const HistoryArguments& arguments, std::ostream& out, std::ostream& err);
