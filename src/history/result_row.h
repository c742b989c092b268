#pragma once

#include "history/history_entry.h"
#include "history/sqlite_statement.h"

#include <string>

// The columns of the results table, and a result read back from a row
// selected by them. Texts are stored as UTF-8 and read back as the GBK bytes
// they were. A column a newer schema version added is selected as null from
// an older file, and reads as a result recorded without it. Nothing here
// blocks or throws but for want of memory.

inline constexpr int ResultColumnCount = 36;

// The result columns of a file of version, in the order the insert binds and ReadResult reads them.
std::string ResultColumns(int version);
// The columns of a file of version that SiteChanges compares (through
// EntryKind, LinkCountsOf and IsOneSided), in the order ReadComparedResult
// reads them: run, row, site, verdict and where and how the link sits.
std::string ComparedColumns(int version);

// The result of a row selected by ResultColumns.
HistoryEntry ReadResult(const SqliteStatement& row);
// The result of a row selected by ComparedColumns, its texts as stored
// (UTF-8): for comparing only. Its other fields as a result without them.
HistoryEntry ReadComparedResult(const SqliteStatement& row);

// The GBK text the column holds.
Text StoredText(const SqliteStatement& row, int column);
// The outcome kind and whether the link counted, as the column names them; a null or unknown name
// reads as unreachable and unknown.
CheckOutcomeKind StoredOutcomeKind(const SqliteStatement& row, int column);
LinkCounts StoredCounts(const SqliteStatement& row, int column);
