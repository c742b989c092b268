#pragma once

#include "cli/cli_arguments.h"

#include <iosfwd>

// linkwatch-cli changes: the sites whose outcome or link changed in the last
// finished run of the list recorded in its history database (linkwatch.db
// beside the list, or --db), as SiteChanges tells them with --confirm N, one
// row each with both outcomes and reasons; no rows when fewer than two runs
// are recorded. The database
// is opened read-only and never made.
//
// Returns 1 when a link was lost, else 0; 2 with the reason on err when the
// database cannot be read (a missing one included). Blocks on the file
// system, and for up to the store's busy time-out on a writer.
int runChanges(const ChangesArguments& arguments, std::ostream& out, std::ostream& err);
