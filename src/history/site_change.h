#pragma once

#include "history/history_entry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How a site's outcome changed from one run to the next.
enum class ChangeKind : std::uint8_t {
    Lost, // found, then missing
    Back, // missing or unreachable, then found
    Down, // found or missing, then unreachable
    Up, // unreachable, then missing
    OneSided, // the exchange became one-sided (IsOneSided): told instead of lost
    Mutual, // a one-sided exchange mended: the partner's link counts again
    Stopped, // found both times; the link counted, then no longer
    Counts, // found both times; the link did not count, then did
    Anchor, // found both times in a link whose text changed
    Target, // found both times in a link whose href changed
};

// "lost", "back", "down", "up", "one-sided", "mutual", "stopped", "counts", "anchor", "target".
const char* ChangeKindName(ChangeKind kind);

// The kinds of change of one site, a set kept in the order of ChangeKind.
class ChangeKinds
{
public:
    ChangeKinds() = default;
    // One kind alone.
    ChangeKinds(ChangeKind kind) { add(kind); }

    void add(ChangeKind kind) { m_bits |= bit(kind); }
    bool has(ChangeKind kind) const { return (m_bits & bit(kind)) != 0; }
    bool empty() const { return m_bits == 0; }
    // The first kind of the set, the one an operator must act on first; Lost for an empty set.
    ChangeKind first() const;
    std::vector<ChangeKind> list() const;

    // The names joined by commas: "stopped,anchor".
    std::string name() const;
    // The set such a name stands for; empty for a name that holds an unknown kind.
    static std::optional<ChangeKinds> named(const std::string& name);

    friend bool operator==(ChangeKinds, ChangeKinds) = default;

private:
    static std::uint16_t bit(ChangeKind kind)
    {
        return static_cast<std::uint16_t>(1U << static_cast<int>(kind));
    }

    std::uint16_t m_bits = 0;
};

struct SiteChange {
    ChangeKinds kinds;
    HistoryEntry before;
    HistoryEntry after;
    // GBK: what changed in the link, e.g. "加了 rel=nofollow" for a link that
    // stopped counting, "锚文本: A → B"; empty when the outcomes tell it all.
    Text detail {};
};

// The changes of the newest of runs (the list's finished runs, oldest first),
// each site compared with its earlier selves, in the newest run's order. A
// site is its address and query; a site listed more than once is matched
// occurrence by occurrence; sites absent from a run needed are no change.
//
// A field only one of two results has (results recorded before the link was
// judged) is never compared. An exchange that became one-sided (IsOneSided)
// is told as one-sided instead of lost, and one that mends as mutual. With
// confirm N (1 and up), a change to a worse state (lost, down, stopped,
// one-sided) is told once the last N runs all show it the
// same way, in the run its streak reaches N and in no later one; a change to
// a better state than the one told last (back, up, counts, mutual) is told at once,
// so a worse state that flapped back before it was told tells nothing; a
// change of the link's own (anchor, target) is told with the state it comes
// with, or at once. The oldest run read is taken as told: RunsForConfirm
// reads 2N + 1 runs (2 for N = 1), enough for any streak that ends in the
// newest run to be seen whole.
std::vector<SiteChange> SiteChanges(const std::vector<std::vector<HistoryEntry>>& runs, int confirm = 1);

// The change of kinds from before to after, with its detail.
SiteChange DescribedChange(ChangeKinds kinds, HistoryEntry before, HistoryEntry after);

// How many of the newest runs SiteChanges reads for confirm.
int RunsForConfirm(int confirm);
