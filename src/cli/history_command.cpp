#include "cli/history_command.h"

#include "cli/history_table.h"
#include "cli/recorded_history.h"
#include "history/history_error.h"

#include <ostream>

namespace {

constexpr int unreadable = 2;

}

int runHistory(const HistoryArguments& arguments, std::ostream& out, std::ostream& err)
{
    std::vector<HistoryEntry> entries;
    try {
        const RecordedHistory history = openRecordedHistory(arguments.list);
        entries = history.store->History(arguments.site, arguments.limit);
    } catch (const HistoryError& error) {
        err << "linkwatch-cli: history: " << error.what() << '\n';
        return unreadable;
    }
    writeHistoryTable(entries, arguments.report.format, arguments.report.encoding, out);
    out.flush();
    return 0;
}
