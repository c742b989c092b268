#pragma once

#include "base/text.h"
#include "history/history_store.h"

#include <cstdint>
#include <string>
#include <vector>

// What linkwatch-cli report tells of a list's recorded runs: every site of
// the newest run with its state now and a state per run, and each run's
// totals. Qt-free; built by reading the runs one result at a time.

// A site's state in one run, the worst first.
enum class ReportState : std::uint8_t {
    Missing, // the link was not on the page
    Unreachable,
    NotCounted, // found, but the link does not count (or whether it does was not judged)
    Counted,
    Absent, // the site was not in that run
};

// "missing", "unreachable", "not_counted", "counted", "absent".
const char* ReportStateName(ReportState state);

struct ReportSite {
    int n = 0; // in the newest run
    Text name;
    Text address;
    ReportState now = ReportState::Absent;
    const char* counts = "unknown"; // LinkCountsName of the newest result
    Text reason; // GBK: why the newest result is as it is
    std::int64_t since = 0; // when the newest run's state began: the first run of its streak
    std::int64_t lastCounted = 0; // the newest run in which the link counted; 0 none
    int lostRuns = 0; // the runs in a row, up to the newest, in which the link was missing
    std::vector<ReportState> runs; // one per run, oldest first
};

struct ReportRun {
    FinishedRun run;
    int counted = 0;
    int notCounted = 0;
    int missing = 0;
    int unreachable = 0;
};

struct SiteReport {
    std::vector<ReportRun> runs; // oldest first
    std::vector<ReportSite> sites; // the worst first: by state now, then the longest lost, then list order
};

// The report of runs (the list's finished runs, oldest first) read from store.
SiteReport BuildSiteReport(HistoryStore& store, const std::vector<FinishedRun>& runs);
