#pragma once

#include "cli/site_report.h"

#include <iosfwd>
#include <string>

// linkwatch-cli report --format html: one self-contained UTF-8 page in
// Chinese that fetches nothing (no script, font or picture; its charts are
// inline SVG): a chart of the runs' totals, then a table of the sites, the
// worst first, each with a strip of one cell per run coloured by its state.
// Every name, address and reason is escaped; it prints in colour on paper.
// Qt-free; nothing here blocks or throws but for want of memory or a failing
// stream.
void writeHtmlReport(const SiteReport& report, const std::string& listName, std::ostream& out);
