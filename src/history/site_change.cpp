#include "history/site_change.h"

#include "check/back_link.h"
#include "check/link_counts.h"

#include <map>
#include <optional>
#include <utility>

namespace {

using SiteKey = std::pair<Text, Text>; // address, query

std::optional<ChangeKind> changeBetween(CheckOutcomeKind before, CheckOutcomeKind after)
{
    using Kind = CheckOutcomeKind;
    if (before == after)
        return std::nullopt;
    if (after == Kind::Found)
        return ChangeKind::Back;
    if (after == Kind::Unreachable)
        return ChangeKind::Down;
    return before == Kind::Found ? ChangeKind::Lost : ChangeKind::Up;
}

bool oneSided(const HistoryEntry& entry) { return entry.outcome && IsOneSided(*entry.outcome); }

std::optional<ChangeKind> changeBetween(const HistoryEntry& before, const HistoryEntry& after)
{
    if (oneSided(after) && !oneSided(before))
        return ChangeKind::OneSided;
    if (oneSided(before) && after.outcome && LinkCountsOf(*after.outcome) == LinkCounts::Yes)
        return ChangeKind::Mutual;
    return changeBetween(EntryKind(before), EntryKind(after));
}

}

const char* ChangeKindName(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::Lost:
        return "lost";
    case ChangeKind::Back:
        return "back";
    case ChangeKind::Down:
        return "down";
    case ChangeKind::Up:
        return "up";
    case ChangeKind::OneSided:
        return "one-sided";
    case ChangeKind::Mutual:
        return "mutual";
    }
    return "";
}

std::vector<SiteChange> SiteChanges(
    const std::vector<HistoryEntry>& before, const std::vector<HistoryEntry>& after)
{
    // Each site's entries of the earlier run in list order, taken one per
    // occurrence in the later run.
    std::map<SiteKey, std::vector<const HistoryEntry*>> earlier;
    for (const HistoryEntry& entry : before)
        earlier[{ entry.address, entry.query }].push_back(&entry);
    std::map<SiteKey, std::size_t> taken;
    std::vector<SiteChange> changes;
    for (const HistoryEntry& entry : after) {
        const SiteKey key { entry.address, entry.query };
        const auto found = earlier.find(key);
        const std::size_t occurrence = taken[key]++;
        if (found == earlier.end() || occurrence >= found->second.size())
            continue;
        const HistoryEntry& previous = *found->second[occurrence];
        if (const auto kind = changeBetween(previous, entry))
            changes.push_back({ *kind, previous, entry });
    }
    return changes;
}
