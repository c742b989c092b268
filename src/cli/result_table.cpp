#include "cli/result_table.h"

#include "check/link_counts.h"
#include "cli/result_tally.h"

#include <cstdint>
#include <string>

namespace {

TableCell nameCell(const char* name) { return name ? TableCell(Text(name)) : TableCell(); }
TableCell nonZeroCell(std::int64_t value) { return value != 0 ? TableCell(value) : TableCell(); }
TableCell nonEmptyCell(const Text& text) { return text.empty() ? TableCell() : TableCell(text); }

// The columns from counts on: whether the link counts, the link the match
// sits in, and what the page links to. links and the outbound columns are
// numbers whenever there is an outcome, 0 for a page not read, as bytes is.
void fillLinkCells(const CheckOutcome& outcome, TableRow& cells)
{
    cells[15] = Text(LinkCountsName(LinkCountsOf(outcome)));
    cells[16] = nameCell(LinkPlacementName(outcome.placement));
    cells[17] = nonEmptyCell(outcome.href);
    cells[18] = nonEmptyCell(outcome.anchor);
    cells[19] = outcome.links;
    cells[20] = nonEmptyCell(outcome.canonical);
    cells[21] = outcome.outbound;
    cells[22] = outcome.outboundHosts;
    cells[23] = outcome.outboundNofollow;
    cells[24] = nameCell(PageKindName(outcome.page));
}

// The columns from robots_txt on: what robots.txt, the spider's fetch and the
// operator's own pages said, and how many fetches the outcome took.
void fillAuditCells(const CheckOutcome& outcome, TableRow& cells)
{
    cells[25] = nameCell(RobotsTxtAnswerName(outcome.robotsTxt));
    cells[26] = nameCell(SpiderViewName(outcome.spider));
    cells[27] = nameCell(BackLinkName(outcome.back));
    cells[28] = nonEmptyCell(outcome.backAnchor);
    cells[29] = std::int64_t { outcome.tries };
}

const TableLayout& resultLayout()
{
    static const TableLayout layout { resultColumns(), ResultTextColumns };
    return layout;
}

}

const std::vector<const char*>& resultColumns()
{
    static const std::vector<const char*> names { "n", "name", "address", "verdict", "outcome", "status",
        "reason", "location", "error", "bytes", "ms", "match", "rel", "near", "robots", "counts", "placement",
        "href", "anchor", "links", "canonical", "outbound", "outbound_hosts", "outbound_nofollow", "page",
        "robots_txt", "spider", "back", "back_anchor", "tries" };
    return names;
}

TableRow resultCells(const SiteResult& result)
{
    TableRow cells(resultColumns().size());
    cells[0] = std::int64_t { result.n };
    cells[1] = result.name;
    cells[2] = result.address;
    cells[3] = result.verdict;
    if (!result.outcome)
        return cells;
    const CheckOutcome& outcome = *result.outcome;
    cells[4] = Text(OutcomeName(outcome.kind));
    cells[5] = nonZeroCell(outcome.status);
    cells[6] = OutcomeReason(outcome);
    cells[7] = nonEmptyCell(outcome.location);
    cells[8] = nonZeroCell(outcome.error);
    cells[9] = outcome.bytes;
    cells[10] = outcome.ms;
    cells[11] = nameCell(QueryMatchName(outcome.match));
    cells[12] = nameCell(LinkRelName(outcome.rel));
    cells[13] = nonEmptyCell(outcome.near);
    cells[14] = nameCell(RobotsDirectiveName(outcome.robots));
    fillLinkCells(outcome, cells);
    fillAuditCells(outcome, cells);
    return cells;
}

void writeResultTable(
    const std::vector<SiteResult>& results, OutputFormat format, OutputEncoding encoding, std::ostream& out)
{
    TableWriter writer(resultLayout(), format, encoding, out);
    for (const SiteResult& result : results)
        writer.writeRow(resultCells(result));
    writer.finish();
}

int resultsExitStatus(const std::vector<SiteResult>& results, FailOn failOn)
{
    ResultTally tally;
    for (const SiteResult& result : results)
        tally.add(result);
    return tally.exitStatus(failOn);
}
