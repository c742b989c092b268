#pragma once

#include "cli/table_writer.h"
#include "history/history_entry.h"

#include <iosfwd>
#include <vector>

// linkwatch-cli history: one row per recorded result, in the order given,
// with the run it belongs to and when its verdict came (local time,
// "YYYY-MM-DD HH:MM:SS") before the result columns; the text format shows
// run, time, run number, name, address and verdict. Qt-free; nothing here
// blocks or throws but for want of memory or a failing stream.
void writeHistoryTable(const std::vector<HistoryEntry>& entries, OutputFormat format, OutputEncoding encoding,
    std::ostream& out);

// Seconds since 1970 UTC as the local "YYYY-MM-DD HH:MM:SS".
Text localTimeText(std::int64_t secondsSince1970);
