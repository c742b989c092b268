#pragma once

#include "cli/table_writer.h"
#include "history/history_entry.h"

#include <functional>
#include <iosfwd>

// Hands each result to write, in the order the table shows them.
using HistoryRows = std::function<void(const std::function<void(const HistoryEntry& entry)>& write)>;

// linkwatch-cli history: one row per recorded result, in the order given,
// with the run it belongs to and when its verdict came (local time,
// "YYYY-MM-DD HH:MM:SS") before the result columns; the text format shows
// run, time, run number, name, address and verdict. Each row is written as
// rows hands it over. Qt-free; nothing here blocks or throws but for want of
// memory, a failing stream, or what rows throws, which leaves the table
// unfinished.
void writeHistoryTable(
    const HistoryRows& rows, OutputFormat format, OutputEncoding encoding, std::ostream& out);

// Seconds since 1970 UTC as the local "YYYY-MM-DD HH:MM:SS".
Text localTimeText(std::int64_t secondsSince1970);
