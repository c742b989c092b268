#include "history/result_row.h"

#include "base/gbk_codec.h"
#include "history/history_schema.h"

namespace {

// Those of every version, then those LinkColumnsVersion and AuditColumnsVersion added.
constexpr char firstColumns[] = "run, checked, n, name, address, query, verdict, outcome, status, reason,"
                                " reason_phrase, location, error, error_text, bytes, ms, match, rel, near,"
                                " near_difference, robots";
constexpr char linkColumns[]
    = "placement, href, anchor, links, canonical, outbound, outbound_hosts, outbound_nofollow, page, counts";
constexpr char linkColumnsAbsent[] = "null, null, null, null, null, null, null, null, null, null";
constexpr char auditColumns[] = "robots_txt, spider, back, back_anchor, tries";
constexpr char auditColumnsAbsent[] = "null, null, null, null, null";

constexpr char comparedFirstColumns[] = "run, n, address, query, verdict, outcome, rel, robots";
constexpr char comparedLinkColumns[] = "placement, href, anchor, canonical, page";
constexpr char comparedLinkColumnsAbsent[] = "null, null, null, null, null";
constexpr char comparedAuditColumns[] = "robots_txt, spider, back";
constexpr char comparedAuditColumnsAbsent[] = "null, null, null";

// The enumerator whose name the column holds; first (the absent value) for
// null or a name this version does not know.
template <typename Enum, typename NameOf>
Enum namedValue(const SqliteStatement& row, int column, NameOf nameOf, std::initializer_list<Enum> values)
{
    const std::string_view text = row.Utf8View(column);
    if (text.empty())
        return *values.begin();
    for (const Enum value : values) {
        const char* name = nameOf(value);
        // Most names differ in their first letter.
        if (name && name[0] == text[0] && text == name)
            return value;
    }
    return *values.begin();
}

LinkRel relAt(const SqliteStatement& row, int column)
{
    return namedValue(row, column, LinkRelName,
        { LinkRel::NotInLink, LinkRel::None, LinkRel::NoFollow, LinkRel::Sponsored, LinkRel::Ugc });
}

RobotsDirective robotsAt(const SqliteStatement& row, int column)
{
    return namedValue(row, column, RobotsDirectiveName,
        { RobotsDirective::Absent, RobotsDirective::NoFollow, RobotsDirective::NoIndex,
            RobotsDirective::None });
}

// A result of a file older than LinkColumnsVersion reads as one whose
// placement was not judged, on a page not seen.
LinkPlacement placementAt(const SqliteStatement& row, int column)
{
    using Placement = LinkPlacement;
    return namedValue(row, column, LinkPlacementName,
        { Placement::None, Placement::Link, Placement::Text, Placement::Comment, Placement::Script,
            Placement::NoScript, Placement::TextArea, Placement::Style, Placement::Hidden, Placement::Jump });
}

PageKind pageAt(const SqliteStatement& row, int column)
{
    return namedValue(
        row, column, PageKindName, { PageKind::Unseen, PageKind::Ok, PageKind::Challenge, PageKind::Script });
}

// A result of a file older than AuditColumnsVersion reads as one fetch that
// neither robots.txt, the spider nor the own pages were asked of.
RobotsTxtAnswer robotsTxtAt(const SqliteStatement& row, int column)
{
    return namedValue(row, column, RobotsTxtAnswerName,
        { RobotsTxtAnswer::NotChecked, RobotsTxtAnswer::Allowed, RobotsTxtAnswer::Disallowed,
            RobotsTxtAnswer::Unknown });
}

SpiderView spiderAt(const SqliteStatement& row, int column)
{
    return namedValue(row, column, SpiderViewName,
        { SpiderView::NotAsked, SpiderView::Same, SpiderView::Hidden, SpiderView::Only,
            SpiderView::Unreachable });
}

BackLink backAt(const SqliteStatement& row, int column)
{
    return namedValue(row, column, BackLinkName,
        { BackLink::NotChecked, BackLink::Yes, BackLink::NoFollow, BackLink::No, BackLink::Unknown });
}

void readLink(const SqliteStatement& row, CheckOutcome& outcome)
{
    outcome.placement = placementAt(row, 21);
    outcome.href = StoredText(row, 22);
    outcome.anchor = StoredText(row, 23);
    outcome.links = row.Int(24);
    outcome.canonical = StoredText(row, 25);
    outcome.outbound = row.Int(26);
    outcome.outboundHosts = row.Int(27);
    outcome.outboundNofollow = row.Int(28);
    outcome.page = pageAt(row, 29);
}

void readAudit(const SqliteStatement& row, CheckOutcome& outcome)
{
    outcome.robotsTxt = robotsTxtAt(row, 31);
    outcome.spider = spiderAt(row, 32);
    outcome.back = backAt(row, 33);
    outcome.backAnchor = StoredText(row, 34);
    outcome.tries = row.IsNull(35) ? 1 : static_cast<int>(row.Int(35));
}

CheckOutcome readOutcome(const SqliteStatement& row)
{
    CheckOutcome outcome;
    outcome.kind = StoredOutcomeKind(row, 7);
    outcome.status = static_cast<int>(row.Int(8));
    outcome.reasonPhrase = StoredText(row, 10);
    outcome.location = StoredText(row, 11);
    outcome.error = static_cast<std::int32_t>(row.Int(12));
    outcome.errorText = StoredText(row, 13);
    outcome.bytes = row.Int(14);
    outcome.ms = row.Int(15);
    outcome.match
        = namedValue(row, 16, QueryMatchName, { QueryMatch::None, QueryMatch::Gbk, QueryMatch::Utf8 });
    outcome.rel = relAt(row, 17);
    outcome.near = StoredText(row, 18);
    outcome.nearDifference = StoredText(row, 19);
    outcome.robots = robotsAt(row, 20);
    readLink(row, outcome);
    readAudit(row, outcome);
    return outcome;
}

// A text as stored: comparing two of them tells what comparing their GBK bytes would.
Text asStored(const SqliteStatement& row, int column) { return Text(row.Utf8View(column)); }

CheckOutcome readComparedOutcome(const SqliteStatement& row)
{
    CheckOutcome outcome;
    outcome.kind = StoredOutcomeKind(row, 5);
    outcome.rel = relAt(row, 6);
    outcome.robots = robotsAt(row, 7);
    outcome.placement = placementAt(row, 8);
    outcome.href = asStored(row, 9);
    outcome.anchor = asStored(row, 10);
    outcome.canonical = asStored(row, 11);
    outcome.page = pageAt(row, 12);
    outcome.robotsTxt = robotsTxtAt(row, 13);
    outcome.spider = spiderAt(row, 14);
    outcome.back = backAt(row, 15);
    return outcome;
}

}

std::string ResultColumns(int version)
{
    return std::string(firstColumns) + ", "
        + (version >= LinkColumnsVersion ? linkColumns : linkColumnsAbsent) + ", "
        + (version >= AuditColumnsVersion ? auditColumns : auditColumnsAbsent);
}

std::string ComparedColumns(int version)
{
    return std::string(comparedFirstColumns) + ", "
        + (version >= LinkColumnsVersion ? comparedLinkColumns : comparedLinkColumnsAbsent) + ", "
        + (version >= AuditColumnsVersion ? comparedAuditColumns : comparedAuditColumnsAbsent);
}

HistoryEntry ReadResult(const SqliteStatement& row)
{
    HistoryEntry entry;
    entry.run = row.Int(0);
    entry.checkedAt = row.Int(1);
    entry.n = static_cast<int>(row.Int(2));
    entry.name = StoredText(row, 3);
    entry.address = StoredText(row, 4);
    entry.query = StoredText(row, 5);
    entry.verdict = StoredText(row, 6);
    if (!row.IsNull(7))
        entry.outcome = readOutcome(row);
    return entry;
}

HistoryEntry ReadComparedResult(const SqliteStatement& row)
{
    HistoryEntry entry;
    entry.run = row.Int(0);
    entry.n = static_cast<int>(row.Int(1));
    entry.address = asStored(row, 2);
    entry.query = asStored(row, 3);
    entry.verdict = asStored(row, 4);
    if (!row.IsNull(5))
        entry.outcome = readComparedOutcome(row);
    return entry;
}

Text StoredText(const SqliteStatement& row, int column) { return Utf8ToGbkExact(row.Utf8View(column)); }

CheckOutcomeKind StoredOutcomeKind(const SqliteStatement& row, int column)
{
    return namedValue(row, column, OutcomeName,
        { CheckOutcomeKind::Unreachable, CheckOutcomeKind::Found, CheckOutcomeKind::Missing });
}

LinkCounts StoredCounts(const SqliteStatement& row, int column)
{
    return namedValue(row, column, LinkCountsName, { LinkCounts::Unknown, LinkCounts::Yes, LinkCounts::No });
}
