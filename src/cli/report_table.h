#pragma once

#include "cli/site_report.h"
#include "cli/table_writer.h"

#include <iosfwd>

// linkwatch-cli report --format csv or json. csv: one row per site, the
// worst first: n, name, address, state, counts, since, last_counted,
// lost_runs, runs (a letter per run, oldest first: c counted, n not counted,
// m missing, u unreachable, - absent) and reason. json: an object whose
// "runs" are the runs' totals, oldest first, and whose "sites" are those rows.
// Times are local, as history prints them. Qt-free; nothing here blocks or
// throws but for want of memory or a failing stream.
void writeReportTable(const SiteReport& report, OutputFormat format, std::ostream& out);
