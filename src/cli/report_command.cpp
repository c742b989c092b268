#include "cli/report_command.h"

#include "base/wall_clock.h"
#include "cli/recorded_history.h"
#include "cli/report_html.h"
#include "cli/report_table.h"
#include "history/history_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>

namespace {

constexpr int failure = 2;

void writeReport(const SiteReport& report, const SiteReportArguments& arguments, const std::string& listName,
    std::ostream& out)
{
    if (arguments.format == ReportFormat::Html)
        writeHtmlReport(report, listName, out);
    else
        writeReportTable(
            report, arguments.format == ReportFormat::Csv ? OutputFormat::Csv : OutputFormat::Json, out);
}

// Writes the report to file through a file beside it; the reason why not, else empty.
std::string writeFile(
    const SiteReport& report, const SiteReportArguments& arguments, const std::string& listName)
{
    const std::string partial = arguments.output + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        if (file)
            writeReport(report, arguments, listName, file);
        file.flush();
        if (!file) {
            const std::string why = std::strerror(errno);
            std::remove(partial.c_str());
            return why;
        }
    }
    if (std::rename(partial.c_str(), arguments.output.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::remove(partial.c_str());
        return why;
    }
    return {};
}

}

int runReport(const SiteReportArguments& arguments, std::ostream& out, std::ostream& err)
{
    SiteReport report;
    std::string listName;
    try {
        const RecordedHistory history = openRecordedHistory(arguments.list);
        listName = history.listKey;
        const std::int64_t since
            = arguments.sinceSeconds > 0 ? SecondsSinceEpoch() - arguments.sinceSeconds : 0;
        report = BuildSiteReport(
            *history.store, history.store->FinishedRuns(history.listKey, arguments.runs, since));
    } catch (const HistoryError& error) {
        err << "linkwatch-cli: report: " << error.what() << '\n';
        return failure;
    }
    if (arguments.output.empty()) {
        writeReport(report, arguments, listName, out);
        out.flush();
        return 0;
    }
    const std::string why = writeFile(report, arguments, listName);
    if (why.empty())
        return 0;
    err << "linkwatch-cli: report: cannot write " << arguments.output << ": " << why << '\n';
    return failure;
}
