#include "cli/report_table.h"

#include "cli/history_table.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace {

const TableLayout& siteLayout()
{
    static const TableLayout layout { { "n", "name", "address", "state", "counts", "since", "last_counted",
                                          "lost_runs", "runs", "reason" },
        10 };
    return layout;
}

char letterOf(ReportState state)
{
    switch (state) {
    case ReportState::Counted:
        return 'c';
    case ReportState::NotCounted:
        return 'n';
    case ReportState::Missing:
        return 'm';
    case ReportState::Unreachable:
        return 'u';
    case ReportState::Absent:
        break;
    }
    return '-';
}

TableCell timeCell(std::int64_t seconds) { return seconds ? TableCell(localTimeText(seconds)) : TableCell(); }

TableRow siteCells(const ReportSite& site)
{
    Text runs;
    for (const ReportState state : site.runs)
        runs += letterOf(state);
    return { std::int64_t { site.n }, site.name, site.address, Text(ReportStateName(site.now)),
        Text(site.counts), timeCell(site.since), timeCell(site.lastCounted), std::int64_t { site.lostRuns },
        runs, site.reason };
}

void writeRuns(const std::vector<ReportRun>& runs, std::ostream& out)
{
    out << "{\"runs\":[";
    for (std::size_t index = 0; index < runs.size(); ++index) {
        const ReportRun& run = runs[index];
        const nlohmann::ordered_json totals { { "run", run.run.id },
            { "started", localTimeText(run.run.started) }, { "ended", localTimeText(run.run.ended) },
            { "counted", run.counted }, { "not_counted", run.notCounted }, { "missing", run.missing },
            { "unreachable", run.unreachable } };
        out << (index ? ",\n" : "\n") << totals.dump();
    }
    out << "],\n\"sites\":";
}

}

void writeReportTable(const SiteReport& report, OutputFormat format, std::ostream& out)
{
    if (format == OutputFormat::Json)
        writeRuns(report.runs, out);
    TableWriter writer(siteLayout(), format, OutputEncoding::Utf8, out);
    for (const ReportSite& site : report.sites)
        writer.writeRow(siteCells(site));
    writer.finish();
    if (format == OutputFormat::Json)
        out << "}\n";
}
