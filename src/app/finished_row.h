#pragma once

#include "check/check_outcome.h"
#include "base/text.h"
#include "history/history_entry.h"

#include <cstdint>
#include <optional>

// What a result row keeps of its finished fetch: the outcome, and the
// transcript of the exchange unless the run's budget of kept transcripts was
// used up (transcriptKept false, transcript empty). A row recorded into
// history names the writer's run it went into, and gets the site's result
// from before that run once the writer has looked it up.
struct FinishedRow {
    CheckOutcome outcome;
    Text transcript;
    bool transcriptKept = false;
    std::uint64_t historyRun = 0; // 0: not recorded
    std::optional<HistoryEntry> previous;
};

// What the debug window shows for a picked row whose transcript was not kept:
// （本次检测保存的调试记录已满，此行的记录未保存，请重新检测）
// ("this run's kept debug records are full; this row's was not kept; check again")
inline constexpr char transcriptNotKept[]
    = "\xA3\xA8\xB1\xBE\xB4\xCE\xBC\xEC\xB2\xE2\xB1\xA3\xB4\xE6\xB5\xC4\xB5\xF7\xCA\xD4\xBC\xC7"
      "\xC2\xBC\xD2\xD1\xC2\xFA\xA3\xAC\xB4\xCB\xD0\xD0\xB5\xC4\xBC\xC7\xC2\xBC\xCE\xB4\xB1\xA3"
      "\xB4\xE6\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2\xBC\xEC\xB2\xE2\xA3\xA9";
