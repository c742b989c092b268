#pragma once

#include "history/history_entry.h"

#include <vector>

// How a site's outcome changed from one run to the next.
enum class ChangeKind : std::uint8_t {
    Lost, // found, then missing
    Back, // missing or unreachable, then found
    Down, // found or missing, then unreachable
    Up, // unreachable, then missing
    OneSided, // the exchange became one-sided (IsOneSided): it outranks lost
    Mutual, // a one-sided exchange mended: the partner's link counts again
};

// "lost", "back", "down", "up", "one-sided", "mutual".
const char* ChangeKindName(ChangeKind kind);

struct SiteChange {
    ChangeKind kind;
    HistoryEntry before;
    HistoryEntry after;
};

// The sites of after whose outcome kind (EntryKind) differs from the same
// site's in before, or whose exchange became or stopped being one-sided, in after's order. A site is its
// address and query; a site listed more than once is matched occurrence by occurrence. Sites in only one of
// the runs are no change.
std::vector<SiteChange> SiteChanges(
    const std::vector<HistoryEntry>& before, const std::vector<HistoryEntry>& after);
