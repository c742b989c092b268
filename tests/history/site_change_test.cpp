#include "base/gbk_codec.h"
#include "history/history_store.h"
#include "history/site_change.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// A site's result by one letter: C a direct link that counts (anchor A), N it
// with rel=nofollow, X nofollow and anchor 乙, H hidden, B anchor 乙, T another
// href, I the page noindex, R robots.txt disallowing it, P found as recorded
// before placements were judged, m missing, u unreachable, o no outcome with
// the verdict "OK!", - no outcome otherwise; Y a link that counts and is
// linked back, S missing while linked back (one-sided).
HistoryEntry entryOf(char site, char code, int n)
{
    HistoryEntry entry {
        .n = n, .address = std::string("http://") + site + "/", .query = "q", .verdict = "x"
    };
    if (code == 'o')
        entry.verdict = "OK!";
    if (code == 'o' || code == '-')
        return entry;
    CheckOutcome link { .kind = CheckOutcomeKind::Found,
        .status = 200,
        .rel = LinkRel::None,
        .placement = LinkPlacement::Link,
        .href = "http://q/",
        .anchor = "A",
        .links = 1,
        .page = PageKind::Ok,
        .robotsTxt = RobotsTxtAnswer::Allowed };
    if (code == 'N' || code == 'X')
        link.rel = LinkRel::NoFollow;
    if (code == 'B' || code == 'X')
        link.anchor = "\xD2\xD2"; // 乙
    if (code == 'H')
        link.placement = LinkPlacement::Hidden;
    if (code == 'T')
        link.href = "http://q/x";
    if (code == 'I')
        link.robots = RobotsDirective::NoIndex;
    if (code == 'R')
        link.robotsTxt = RobotsTxtAnswer::Disallowed;
    if (code == 'P')
        link = { .kind = CheckOutcomeKind::Found, .status = 200, .page = PageKind::Ok };
    if (code == 'm' || code == 'S')
        link = { .kind = CheckOutcomeKind::Missing, .status = 200, .page = PageKind::Ok };
    if (code == 'Y' || code == 'S')
        link.back = BackLink::Yes;
    if (code == 'u')
        link = { .kind = CheckOutcomeKind::Unreachable, .error = 10060 };
    entry.outcome = link;
    return entry;
}

struct ChangeRow {
    const char* name;
    int confirm;
    // Each run's sites as site letter and result letter, "aC bm"; "x:" before
    // it records the run for another list, "~:" leaves it unfinished.
    std::vector<std::string> runs;
    // After each finished run of the list but the first, "/" between runs:
    // each change as its later n, its kinds and its detail, "; " between them.
    std::string changes;
};

void PrintTo(const ChangeRow& row, std::ostream* out) { *out << row.name; }

class SiteChangeTest : public testing::TestWithParam<ChangeRow>
{
protected:
    ScratchFolder m_folder { "site_change" };
};

TEST_P(SiteChangeTest, RunsRecordedOneByOneTellTheirChanges)
{
    HistoryStore store((m_folder.Path() / "linkwatch.db").string());
    std::string told[2];
    int finished = 0;
    for (const std::string& run : GetParam().runs) {
        const bool otherList = run.starts_with("x:");
        const bool unfinished = run.starts_with("~:");
        std::vector<HistoryEntry> results;
        std::istringstream sites(otherList || unfinished ? run.substr(2) : run);
        for (std::string site; sites >> site;)
            results.push_back(entryOf(site[0], site[1], static_cast<int>(results.size()) + 1));
        const RunInfo info { RunSource::CommandLine, otherList ? "other.ini" : "list.ini", 0 };
        if (unfinished) {
            const std::int64_t id = store.BeginRun(info);
            for (const HistoryEntry& result : results)
                store.RecordResult(id, result);
            continue;
        }
        store.RecordRun(info, 1, results);
        if (otherList || finished++ == 0)
            continue;
        const int confirm = GetParam().confirm;
        // Told alike from whole results and from the compared fields read again whole.
        for (const auto fields : { HistoryStore::Fields::Whole, HistoryStore::Fields::Compared }) {
            std::vector<SiteChange> found
                = SiteChanges(store.LastRuns("list.ini", RunsForConfirm(confirm), fields), confirm);
            if (fields == HistoryStore::Fields::Compared)
                store.ReadWhole(found);
            std::string changes;
            for (const SiteChange& change : found)
                changes += (changes.empty() ? "" : "; ") + std::to_string(change.after.n) + " "
                    + change.kinds.name() + (change.detail.empty() ? "" : " " + GbkToUtf8(change.detail));
            told[static_cast<int>(fields)] += (finished == 2 ? "" : "/") + changes;
        }
    }
    EXPECT_EQ(told[0], GetParam().changes);
    EXPECT_EQ(told[1], GetParam().changes);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, SiteChangeTest, testing::Values(
    ChangeRow { "EveryKindOfChange", 1, { "aC bm cu dC eu", "am bC cC du em" }, "1 lost; 2 back; 3 back; 4 down; 5 up" },
    ChangeRow { "SameKindsAndNewSitesAreNoChange", 1, { "aC bm", "bm nm aC" }, "" },
    ChangeRow { "AVerdictWithoutOutcomeCountsByItsText", 1, { "ao bC", "am b-" }, "1 lost; 2 down" },
    ChangeRow { "ARepeatedSiteIsMatchedOccurrenceByOccurrence", 1, { "aC am", "aC aC am" }, "2 back" },
    ChangeRow { "CountedThenNofollow", 1, { "aC", "aN" }, "1 stopped 加了 rel=nofollow" },
    ChangeRow { "CountedThenHidden", 1, { "aC", "aH" }, "1 stopped 移进了隐藏元素" },
    ChangeRow { "NoindexAndRobotsTxt", 1, { "aC bC", "aI bR" }, "1 stopped 页面改为 noindex; 2 stopped robots.txt 禁止抓取" },
    ChangeRow { "AnchorAToBAndAnotherTarget", 1, { "aC bC", "aB bT" },
        "1 anchor 锚文本: A → 乙; 2 target 链接: http://q/ → http://q/x" },
    ChangeRow { "SeveralKindsMakeOneRow", 1, { "aC", "aX" }, "1 stopped,anchor 加了 rel=nofollow；锚文本: A → 乙" },
    ChangeRow { "NofollowDroppedCounts", 1, { "aN", "aC" }, "1 counts" },
    ChangeRow { "EachStepWithConfirmOne", 1, { "aC", "am", "au", "aC" }, "1 lost/1 down/1 back" },
    ChangeRow { "UnreachableOnceWithConfirmTwo", 2, { "aC", "au", "aC" }, "/" },
    ChangeRow { "UnreachableTwiceWithConfirmTwo", 2, { "aC", "au", "au", "au", "aC" }, "/1 down//1 back" },
    ChangeRow { "StatesWorseInTurnWithConfirmTwo", 2, { "aC", "am", "aN", "aN", "au", "am", "am" }, "//1 stopped 加了 rel=nofollow///1 lost" },
    ChangeRow { "LostThreeRunsWithConfirmTwo", 2, { "aC", "am", "am", "am", "aC" }, "/1 lost//1 back" },
    ChangeRow { "FlappingWithConfirmTwo", 2, { "aC", "am", "aC", "am", "aC", "am", "aC" }, "/////" },
    ChangeRow { "NofollowOnceWithConfirmTwo", 2, { "aC", "aN", "aC", "aN", "aN" }, "///1 stopped 加了 rel=nofollow" },
    ChangeRow { "AWorseStreakOfMixedStates", 2, { "aC", "au", "am", "am", "aC" }, "//1 lost/1 back" },
    ChangeRow { "AnchorIsToldAtOnceWithConfirmThree", 3, { "aC", "aB" }, "1 anchor 锚文本: A → 乙" },
    ChangeRow { "ResultsFromBeforeLinksWereJudged", 1, { "aP bP cC dP", "aC bN cP dm" }, "4 lost" },
    ChangeRow { "RunsOfOtherListsAndUnfinishedRuns", 1, { "aC", "x:am", "~:am", "aC", "~:au" }, "" },
    ChangeRow { "ASiteListedTwiceWithConfirmTwo", 2, { "aC aC", "aC am", "aC am" }, "/2 lost" },
    ChangeRow { "ASiteAbsentFromTheRunBefore", 1, { "aC", "bC", "am" }, "/" },
    ChangeRow { "OneSidedOutranksLostAndMutualBack", 1, { "aY bS cS dm", "aS bY cS dS" },
        "1 one-sided; 2 back,mutual; 4 one-sided" }),
    [](const testing::TestParamInfo<ChangeRow>& info) { return std::string(info.param.name); });
// clang-format on

}
