#include "cli/site_report.h"

#include "check/link_counts.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

using SiteKey = std::tuple<Text, Text, int>; // address, query, occurrence

ReportState stateOf(const ResultState& result)
{
    switch (result.kind) {
    case CheckOutcomeKind::Missing:
        return ReportState::Missing;
    case CheckOutcomeKind::Unreachable:
        return ReportState::Unreachable;
    case CheckOutcomeKind::Found:
        break;
    }
    return result.counts == LinkCounts::Yes ? ReportState::Counted : ReportState::NotCounted;
}

void count(ReportRun& run, ReportState state)
{
    switch (state) {
    case ReportState::Counted:
        ++run.counted;
        break;
    case ReportState::NotCounted:
        ++run.notCounted;
        break;
    case ReportState::Missing:
        ++run.missing;
        break;
    case ReportState::Unreachable:
        ++run.unreachable;
        break;
    case ReportState::Absent:
        break;
    }
}

// A site's states so far.
struct Track {
    std::vector<ReportState> states;
    std::vector<std::int64_t> times;
    std::int64_t lastCounted = 0;
};

ReportSite siteOf(Track& track, const HistoryEntry& newest, std::size_t runCount)
{
    track.states.resize(runCount, ReportState::Absent);
    ReportSite site;
    site.n = newest.n;
    site.name = newest.name;
    site.address = newest.address;
    site.now = track.states.back();
    site.counts = newest.outcome ? LinkCountsName(LinkCountsOf(*newest.outcome)) : "unknown";
    site.reason = newest.outcome ? OutcomeReason(*newest.outcome) : newest.verdict;
    site.lastCounted = track.lastCounted;
    std::size_t first = runCount - 1;
    while (first > 0 && track.states[first - 1] == site.now)
        --first;
    site.since = track.times[first];
    if (site.now == ReportState::Missing)
        site.lostRuns = static_cast<int>(runCount - first);
    site.runs = std::move(track.states);
    return site;
}

}

const char* ReportStateName(ReportState state)
{
    switch (state) {
    case ReportState::Missing:
        return "missing";
    case ReportState::Unreachable:
        return "unreachable";
    case ReportState::NotCounted:
        return "not_counted";
    case ReportState::Counted:
        return "counted";
    case ReportState::Absent:
        break;
    }
    return "absent";
}

SiteReport BuildSiteReport(HistoryStore& store, const std::vector<FinishedRun>& runs)
{
    SiteReport report;
    std::map<SiteKey, Track> tracks;
    std::vector<SiteKey> newestSites;
    for (std::size_t index = 0; index < runs.size(); ++index) {
        ReportRun totals { runs[index] };
        std::map<std::pair<Text, Text>, int> occurrences;
        const bool newest = index + 1 == runs.size();
        store.RunStates(runs[index].id, [&](const ResultState& result) {
            const SiteKey key { result.address, result.query,
                occurrences[{ result.address, result.query }]++ };
            Track& track = tracks[key];
            const ReportState state = stateOf(result);
            track.states.resize(index, ReportState::Absent);
            track.times.resize(index, 0);
            track.states.push_back(state);
            track.times.push_back(runs[index].ended);
            if (state == ReportState::Counted)
                track.lastCounted = runs[index].ended;
            count(totals, state);
            if (newest)
                newestSites.push_back(key);
        });
        report.runs.push_back(totals);
    }
    if (runs.empty())
        return report;
    // The newest run's results whole, in the same order, for what the report says of each site.
    std::size_t next = 0;
    store.RunResults(runs.back().id, [&](const HistoryEntry& entry) {
        if (next < newestSites.size())
            report.sites.push_back(siteOf(tracks[newestSites[next++]], entry, runs.size()));
    });
    std::stable_sort(
        report.sites.begin(), report.sites.end(), [](const ReportSite& one, const ReportSite& other) {
            return std::pair(one.now, -one.lostRuns) < std::pair(other.now, -other.lostRuns);
        });
    return report;
}
