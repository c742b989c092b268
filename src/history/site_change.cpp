#include "history/site_change.h"

#include "check/back_link.h"
#include "check/link_counts.h"
#include "check/link_rel.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

// A site: the address and query of an entry, which the key does not outlive.
using SiteKey = std::pair<std::string_view, std::string_view>;

struct SiteKeyHash {
    std::size_t operator()(const SiteKey& key) const
    {
        const std::hash<std::string_view> hash;
        return hash(key.first) * 31 + hash(key.second);
    }
};

constexpr ChangeKind allKinds[] = { ChangeKind::Lost, ChangeKind::Back, ChangeKind::Down, ChangeKind::Up,
    ChangeKind::OneSided, ChangeKind::Mutual, ChangeKind::Stopped, ChangeKind::Counts, ChangeKind::Anchor,
    ChangeKind::Target };

bool isWorse(ChangeKind kind)
{
    return kind == ChangeKind::Lost || kind == ChangeKind::Down || kind == ChangeKind::Stopped
        || kind == ChangeKind::OneSided;
}

bool isBetter(ChangeKind kind)
{
    return kind == ChangeKind::Back || kind == ChangeKind::Up || kind == ChangeKind::Counts
        || kind == ChangeKind::Mutual;
}

bool oneSided(const HistoryEntry& entry) { return entry.outcome && IsOneSided(*entry.outcome); }

bool bothFoundWithOutcomes(const HistoryEntry& one, const HistoryEntry& other)
{
    return one.outcome && other.outcome && one.outcome->kind == CheckOutcomeKind::Found
        && other.outcome->kind == CheckOutcomeKind::Found;
}

// Whether the found link of outcome counts, as far as the fields both results
// have tell: robots.txt only when both were checked against it. Empty when
// its placement was not judged (a result recorded before that was).
std::optional<bool> countsBeside(const CheckOutcome& outcome, const CheckOutcome& other)
{
    const LinkCounts counts = LinkCountsOf(outcome);
    if (counts == LinkCounts::Unknown || LinkCountsOf(other) == LinkCounts::Unknown)
        return std::nullopt;
    const bool robotsTxtRead
        = outcome.robotsTxt != RobotsTxtAnswer::NotChecked && other.robotsTxt != RobotsTxtAnswer::NotChecked;
    return counts == LinkCounts::Yes && !(robotsTxtRead && outcome.robotsTxt == RobotsTxtAnswer::Disallowed);
}

// Where a link moved to that no longer counts.
const char* movedInto(LinkPlacement placement)
{
    switch (placement) {
    case LinkPlacement::Hidden:
        return "\xD2\xC6\xBD\xF8\xC1\xCB\xD2\xFE\xB2\xD8\xD4\xAA\xCB\xD8"; // 移进了隐藏元素
    case LinkPlacement::Comment:
        return "\xD2\xC6\xBD\xF8\xC1\xCB HTML \xD7\xA2\xCA\xCD"; // 移进了 HTML 注释
    case LinkPlacement::Script:
        return "\xD2\xC6\xBD\xF8\xC1\xCB\xBD\xC5\xB1\xBE"; // 移进了脚本
    case LinkPlacement::Style:
        return "\xD2\xC6\xBD\xF8\xC1\xCB\xD1\xF9\xCA\xBD\xB1\xED"; // 移进了样式表
    case LinkPlacement::TextArea:
        return "\xD2\xC6\xBD\xF8\xC1\xCB\xCE\xC4\xB1\xBE\xBF\xF2"; // 移进了文本框
    case LinkPlacement::NoScript:
        return "\xD2\xC6\xBD\xF8\xC1\xCB noscript"; // 移进了 noscript
    case LinkPlacement::Jump:
        return "\xB8\xC4\xCE\xAA\xBE\xAD\xB6\xD4\xB7\xBD\xCC\xF8\xD7\xAA"; // 改为经对方跳转
    case LinkPlacement::Text:
        return "\xB2\xBB\xD4\xD9\xCA\xC7\xC1\xB4\xBD\xD3"; // 不再是链接
    case LinkPlacement::None:
    case LinkPlacement::Link:
        break;
    }
    return nullptr;
}

// What changed in a found link that made it stop counting, from the fields that changed.
std::vector<Text> stopCauses(const CheckOutcome& before, const CheckOutcome& after)
{
    std::vector<Text> causes;
    if (after.placement != before.placement)
        if (const char* moved = movedInto(after.placement))
            causes.emplace_back(moved);
    if (RelPassesBy(after.rel) && after.rel != before.rel)
        causes.push_back("\xBC\xD3\xC1\xCB rel=" + Text(LinkRelName(after.rel))); // 加了
    if (after.robots != RobotsDirective::Absent && after.robots != before.robots)
        causes.push_back(
            "\xD2\xB3\xC3\xE6\xB8\xC4\xCE\xAA " + Text(RobotsDirectiveName(after.robots))); // 页面改为
    if (!after.canonical.empty() && after.canonical != before.canonical)
        causes.push_back("\xD2\xB3\xC3\xE6 canonical \xB8\xC4\xCE\xAA\xD6\xB8\xCF\xF2 "
            + ShownInReason(after.canonical)); // 页面 canonical 改为指向
    if (after.robotsTxt == RobotsTxtAnswer::Disallowed && before.robotsTxt == RobotsTxtAnswer::Allowed)
        causes.emplace_back("robots.txt \xBD\xFB\xD6\xB9\xD7\xA5\xC8\xA1"); // 禁止抓取
    if (causes.empty())
        causes = FoundLinkCauses(after);
    return causes;
}

// "<head>: <before> → <after>".
Text fromTo(const char* head, const Text& before, const Text& after)
{
    return head + ShownInReason(before) + " \xA1\xFA " + ShownInReason(after);
}

// One kind of change and what changed in the link for it.
struct KindFound {
    ChangeKind kind;
    std::vector<Text> detail;
};

// The kinds of change from before to after, with what changed in the link.
std::vector<KindFound> changesBetween(const HistoryEntry& before, const HistoryEntry& after)
{
    using Kind = CheckOutcomeKind;
    std::vector<KindFound> found;
    const Kind was = EntryKind(before);
    const Kind is = EntryKind(after);
    const bool becameOneSided = oneSided(after) && !oneSided(before);
    if (was != is) {
        const ChangeKind kind = is == Kind::Found ? ChangeKind::Back
            : is == Kind::Unreachable             ? ChangeKind::Down
            : was == Kind::Found                  ? ChangeKind::Lost
                                                  : ChangeKind::Up;
        if (kind != ChangeKind::Lost || !becameOneSided)
            found.push_back({ kind, {} });
    }
    if (becameOneSided)
        found.push_back({ ChangeKind::OneSided, {} });
    else if (oneSided(before) && after.outcome && LinkCountsOf(*after.outcome) == LinkCounts::Yes)
        found.push_back({ ChangeKind::Mutual, {} });
    if (!bothFoundWithOutcomes(before, after))
        return found;
    const CheckOutcome& old = *before.outcome;
    const CheckOutcome& now = *after.outcome;
    const std::optional<bool> counted = countsBeside(old, now);
    const std::optional<bool> counts = countsBeside(now, old);
    if (counted && counts && *counted != *counts)
        found.push_back(*counts ? KindFound { ChangeKind::Counts, {} }
                                : KindFound { ChangeKind::Stopped, stopCauses(old, now) });
    // Both results name the link element the match sits in.
    if (!old.href.empty() && !now.href.empty()) {
        if (old.anchor != now.anchor)
            found.push_back({ ChangeKind::Anchor,
                { fromTo("\xC3\xAA\xCE\xC4\xB1\xBE: ", old.anchor, now.anchor) } }); // 锚文本:
        if (old.href != now.href)
            found.push_back(
                { ChangeKind::Target, { fromTo("\xC1\xB4\xBD\xD3: ", old.href, now.href) } }); // 链接:
    }
    return found;
}

// Each site's entries of a run by key, one per occurrence.
using RunIndex = std::unordered_map<SiteKey, std::vector<const HistoryEntry*>, SiteKeyHash>;

RunIndex indexOf(const std::vector<HistoryEntry>& run)
{
    RunIndex index(run.size());
    for (const HistoryEntry& entry : run)
        index[{ entry.address, entry.query }].push_back(&entry);
    return index;
}

const HistoryEntry* occurrenceIn(const RunIndex& index, const SiteKey& key, std::size_t occurrence)
{
    const auto found = index.find(key);
    return found == index.end() || occurrence >= found->second.size() ? nullptr : found->second[occurrence];
}

// Whether two runs list the same sites in the same order.
bool sameSites(const std::vector<HistoryEntry>& one, const std::vector<HistoryEntry>& other)
{
    return std::equal(
        one.begin(), one.end(), other.begin(), other.end(), [](const HistoryEntry& a, const HistoryEntry& b) {
            return a.address == b.address && a.query == b.query;
        });
}

// The kinds from before to after of one sort: worse, better, or neither.
ChangeKinds kindsOf(const std::vector<KindFound>& found, bool (*sort)(ChangeKind))
{
    ChangeKinds kinds;
    for (const KindFound& each : found)
        if (sort(each.kind))
            kinds.add(each.kind);
    return kinds;
}

// Whether every result read of a site (null where it was absent) is alike,
// verdict and outcome: then none of them differs in what changesBetween compares.
bool allAlike(const std::vector<const HistoryEntry*>& entries)
{
    const HistoryEntry* newest = entries.back();
    return std::all_of(entries.begin(), entries.end(), [newest](const HistoryEntry* entry) {
        return !entry || (entry->verdict == newest->verdict && entry->outcome == newest->outcome);
    });
}

bool isOwnChange(ChangeKind kind) { return !isWorse(kind) && !isBetter(kind); }

// The change told for the newest of a site's entries (oldest first, null
// where the site was absent), if any. The oldest is taken as told; from it
// on, a state is told once it is better than the one told last, or once it
// has been worse in the same way for confirm runs in a row, and a state like
// the one told last ends any streak.
std::optional<SiteChange> toldChange(const std::vector<const HistoryEntry*>& entries, std::size_t confirm)
{
    const auto first = std::find_if(entries.begin(), entries.end(), [](const HistoryEntry* e) { return e; });
    const HistoryEntry* told = *first;
    ChangeKinds streakKinds;
    std::size_t streak = 0;
    std::optional<SiteChange> change;
    for (auto at = first + 1; at != entries.end(); ++at) {
        if (!*at)
            continue;
        const HistoryEntry& entry = **at;
        const std::vector<KindFound> found = changesBetween(*told, entry);
        const ChangeKinds worse = kindsOf(found, isWorse);
        ChangeKinds kinds;
        if (!worse.empty()) {
            streak = worse == streakKinds ? streak + 1 : 1;
            streakKinds = worse;
            if (streak == confirm)
                kinds = worse;
        } else {
            streak = 0;
            streakKinds = {};
            kinds = kindsOf(found, isBetter);
        }
        if (!kinds.empty() || (worse.empty() && !found.empty())) {
            for (const KindFound& each : found)
                if (isOwnChange(each.kind))
                    kinds.add(each.kind);
            change = DescribedChange(kinds, *told, entry);
            told = &entry;
            streak = 0;
            streakKinds = {};
        } else {
            change.reset();
        }
    }
    return change;
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
    case ChangeKind::Stopped:
        return "stopped";
    case ChangeKind::Counts:
        return "counts";
    case ChangeKind::Anchor:
        return "anchor";
    case ChangeKind::Target:
        return "target";
    }
    return "";
}

ChangeKind ChangeKinds::first() const
{
    const std::vector<ChangeKind> kinds = list();
    return kinds.empty() ? ChangeKind::Lost : kinds.front();
}

std::vector<ChangeKind> ChangeKinds::list() const
{
    std::vector<ChangeKind> kinds;
    for (const ChangeKind kind : allKinds)
        if (has(kind))
            kinds.push_back(kind);
    return kinds;
}

std::string ChangeKinds::name() const
{
    std::string text;
    for (const ChangeKind kind : list())
        text += (text.empty() ? "" : ",") + std::string(ChangeKindName(kind));
    return text;
}

std::optional<ChangeKinds> ChangeKinds::named(const std::string& name)
{
    ChangeKinds kinds;
    std::size_t from = 0;
    while (from <= name.size()) {
        const std::size_t comma = std::min(name.find(',', from), name.size());
        const std::string part = name.substr(from, comma - from);
        const auto* kind = std::find_if(std::begin(allKinds), std::end(allKinds),
            [&part](ChangeKind each) { return part == ChangeKindName(each); });
        if (kind == std::end(allKinds))
            return std::nullopt;
        kinds.add(*kind);
        from = comma + 1;
    }
    return kinds;
}

SiteChange DescribedChange(ChangeKinds kinds, HistoryEntry before, HistoryEntry after)
{
    Text detail;
    for (const KindFound& found : changesBetween(before, after))
        if (kinds.has(found.kind))
            for (const Text& part : found.detail)
                detail += (detail.empty() ? "" : "\xA3\xBB") + part; // ；
    return { kinds, std::move(before), std::move(after), CappedOutcomeText(detail) };
}

int RunsForConfirm(int confirm)
{
    return confirm <= 1 ? 2 : std::min(confirm, (std::numeric_limits<int>::max() - 1) / 2) * 2 + 1;
}

std::vector<SiteChange> SiteChanges(const std::vector<std::vector<HistoryEntry>>& runs, int confirm)
{
    if (runs.size() < 2)
        return {};
    const std::vector<HistoryEntry>& newest = runs.back();
    // A run that lists the same sites in the same order as the newest, as a
    // list's runs mostly do, is matched by position; any other by key.
    std::vector<std::optional<RunIndex>> earlier;
    for (std::size_t run = 0; run + 1 < runs.size(); ++run)
        earlier.push_back(sameSites(runs[run], newest) ? std::nullopt : std::optional(indexOf(runs[run])));
    const bool byKey = std::any_of(earlier.begin(), earlier.end(),
        [](const std::optional<RunIndex>& index) { return index.has_value(); });
    std::unordered_map<SiteKey, std::size_t, SiteKeyHash> taken;
    std::vector<const HistoryEntry*> entries;
    std::vector<SiteChange> changes;
    for (std::size_t position = 0; position < newest.size(); ++position) {
        const HistoryEntry& entry = newest[position];
        const SiteKey key { entry.address, entry.query };
        const std::size_t occurrence = byKey ? taken[key]++ : 0;
        entries.clear();
        for (std::size_t run = 0; run < earlier.size(); ++run)
            entries.push_back(
                earlier[run] ? occurrenceIn(*earlier[run], key, occurrence) : &runs[run][position]);
        entries.push_back(&entry);
        if (allAlike(entries))
            continue;
        if (auto change = toldChange(entries, static_cast<std::size_t>(std::max(confirm, 1))))
            changes.push_back(std::move(*change));
    }
    return changes;
}
