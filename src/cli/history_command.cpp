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
    try {
        const RecordedHistory history = openRecordedHistory(arguments.list);
        const HistoryRows rows = [&](const std::function<void(const HistoryEntry&)>& write) {
            history.store->History(arguments.site, arguments.limit, write);
        };
        writeHistoryTable(rows, arguments.report.format, arguments.report.encoding, out);
    } catch (const HistoryError& error) {
        out.flush();
        err << "linkwatch-cli: history: " << error.what() << '\n';
        return unreadable;
    }
    out.flush();
    return 0;
}
