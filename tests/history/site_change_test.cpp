#include "history/site_change.h"

#include <gtest/gtest.h>

namespace {

// A run as a list of (address, kind) pairs; kind 'f' found, 'm' missing,
// 'u' unreachable, 'o' no outcome with the verdict "OK!", '-' no outcome otherwise;
// 'y' found, counting, linked back, 's' one-sided: missing while linked back.
std::vector<HistoryEntry> runOf(const std::vector<std::pair<Text, char>>& sites)
{
    std::vector<HistoryEntry> run;
    for (const auto& [address, kind] : sites) {
        HistoryEntry entry { .n = static_cast<int>(run.size()) + 1, .address = address, .verdict = "x" };
        if (kind == 'o')
            entry.verdict = "OK!";
        else if (kind == 'y' || kind == 's')
            entry.outcome
                = CheckOutcome { .kind = kind == 'y' ? CheckOutcomeKind::Found : CheckOutcomeKind::Missing,
                      .rel = LinkRel::None,
                      .placement = LinkPlacement::Link,
                      .page = PageKind::Ok,
                      .back = BackLink::Yes };
        else if (kind != '-')
            entry.outcome = CheckOutcome { .kind = kind == 'f' ? CheckOutcomeKind::Found
                    : kind == 'm'                              ? CheckOutcomeKind::Missing
                                                               : CheckOutcomeKind::Unreachable };
        run.push_back(entry);
    }
    return run;
}

struct ChangeRow {
    const char* name;
    std::vector<std::pair<Text, char>> before;
    std::vector<std::pair<Text, char>> after;
    std::vector<std::pair<const char*, int>> changes; // kind name, n of the later run
};

class SiteChangeTest : public testing::TestWithParam<ChangeRow>
{
};

TEST_P(SiteChangeTest, ComparesEachSiteWithItsEarlierSelf)
{
    std::vector<std::pair<const char*, int>> changes;
    for (const SiteChange& change : SiteChanges(runOf(GetParam().before), runOf(GetParam().after)))
        changes.emplace_back(ChangeKindName(change.kind), change.after.n);
    ASSERT_EQ(changes.size(), GetParam().changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
        EXPECT_STREQ(changes[i].first, GetParam().changes[i].first);
        EXPECT_EQ(changes[i].second, GetParam().changes[i].second);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, SiteChangeTest, testing::Values(
    ChangeRow { "EveryKindOfChange", { { "a", 'f' }, { "b", 'm' }, { "c", 'u' }, { "d", 'f' }, { "e", 'u' } },
        { { "a", 'm' }, { "b", 'f' }, { "c", 'f' }, { "d", 'u' }, { "e", 'm' } },
        { { "lost", 1 }, { "back", 2 }, { "back", 3 }, { "down", 4 }, { "up", 5 } } },
    ChangeRow { "SameKindsAndNewSitesAreNoChange", { { "a", 'f' }, { "b", 'm' } },
        { { "b", 'm' }, { "new", 'm' }, { "a", 'f' } }, {} },
    ChangeRow { "AVerdictWithoutOutcomeCountsByItsText", { { "a", 'o' }, { "b", 'f' } },
        { { "a", 'm' }, { "b", '-' } }, { { "lost", 1 }, { "down", 2 } } },
    ChangeRow { "ARepeatedSiteIsMatchedOccurrenceByOccurrence", { { "a", 'f' }, { "a", 'm' } },
        { { "a", 'f' }, { "a", 'f' }, { "a", 'm' } }, { { "back", 2 } } },
    ChangeRow { "OneSidedOutranksLostAndMutualBack", { { "a", 'y' }, { "b", 's' }, { "c", 's' }, { "d", 'm' } },
        { { "a", 's' }, { "b", 'y' }, { "c", 's' }, { "d", 's' } }, { { "one-sided", 1 }, { "mutual", 2 }, { "one-sided", 4 } } }),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

}
