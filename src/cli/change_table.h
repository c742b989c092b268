#pragma once

#include "cli/result_table.h"
#include "history/site_change.h"

#include <iosfwd>
#include <vector>

// linkwatch-cli changes: one row per changed site with its kinds of change,
// the site, what changed in its link, and both outcomes with their reasons, in the formats of the result
// table (text, tsv, csv, json). Qt-free; nothing here blocks or throws but for want of memory or a failing
// stream.
void writeChangeTable(
    const std::vector<SiteChange>& changes, OutputFormat format, OutputEncoding encoding, std::ostream& out);
