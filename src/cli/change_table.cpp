#include "cli/change_table.h"

#include "cli/table_writer.h"

namespace {

const TableLayout& changeLayout()
{
    // The text format stops after the reasons: what changed, where, in the link, from what to what and why.
    static const TableLayout layout { { "change", "n", "name", "address", "detail", "before_outcome",
                                          "before_reason", "after_outcome", "after_reason", "after_status",
                                          "after_error", "before_run", "after_run" },
        9 };
    return layout;
}

TableCell outcomeCell(const HistoryEntry& entry) { return Text(OutcomeName(EntryKind(entry))); }

// Why the check ended so; a check that ended without an outcome has only its verdict to say.
TableCell reasonCell(const HistoryEntry& entry)
{
    return entry.outcome ? OutcomeReason(*entry.outcome) : entry.verdict;
}

TableCell nonZeroCell(std::int64_t value) { return value != 0 ? TableCell(value) : TableCell(); }

TableRow changeCells(const SiteChange& change)
{
    const HistoryEntry& after = change.after;
    const std::int64_t status = after.outcome ? after.outcome->status : 0;
    const std::int64_t error = after.outcome ? after.outcome->error : 0;
    return { Text(change.kinds.name()), std::int64_t { after.n }, after.name, after.address,
        change.detail.empty() ? TableCell() : TableCell(change.detail), outcomeCell(change.before),
        reasonCell(change.before), outcomeCell(after), reasonCell(after), nonZeroCell(status),
        nonZeroCell(error), change.before.run, after.run };
}

}

void writeChangeTable(
    const std::vector<SiteChange>& changes, OutputFormat format, OutputEncoding encoding, std::ostream& out)
{
    TableWriter writer(changeLayout(), format, encoding, out);
    for (const SiteChange& change : changes)
        writer.writeRow(changeCells(change));
    writer.finish();
}
