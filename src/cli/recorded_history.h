#pragma once

#include "cli/cli_arguments.h"
#include "history/history_store.h"

#include <memory>
#include <string>

// The history of a site list as the history and changes commands read it:
// the list found as run finds it, its database (linkwatch.db beside it, or
// --db) opened read-only. Blocks on the file system; throws HistoryError
// when the database cannot be opened, a missing one with a sentence of its
// own rather than the database engine's.
struct RecordedHistory {
    std::string listKey; // the list as runs record it
    std::unique_ptr<HistoryStore> store;
};

RecordedHistory openRecordedHistory(const ListArguments& list);
