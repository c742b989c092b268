#pragma once

#include "cli/cli_arguments.h"

#include <iosfwd>

// linkwatch-cli report: for every site of the list's newest finished run
// its state now, whether its link counts, since when, the last run in which
// it counted, how many runs in a row it has been lost, and its state in
// every run read; the runs' totals. The runs read are the last --runs N, or
// those started within --since (30 days by default). As html (report_html.h),
// csv or json (report_table.h), to standard output or to --output FILE,
// which is written whole under another name first and then renamed, so that
// a failed report leaves an earlier one as it was. The database is opened
// read-only and never made.
//
// Returns 0 once written; 2 with the reason on err when the database cannot
// be read (a missing one included) or the output cannot be written.
int runReport(const SiteReportArguments& arguments, std::ostream& out, std::ostream& err);
