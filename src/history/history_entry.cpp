#include "history/history_entry.h"

#include "check/verdict_texts.h"

const char* RunSourceName(RunSource source) { return source == RunSource::Window ? "window" : "cli"; }

CheckOutcomeKind EntryKind(const HistoryEntry& entry)
{
    if (entry.outcome)
        return entry.outcome->kind;
    return entry.verdict == verdictFound ? CheckOutcomeKind::Found : CheckOutcomeKind::Unreachable;
}
