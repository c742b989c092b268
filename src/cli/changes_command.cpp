#include "cli/changes_command.h"

#include "cli/change_table.h"
#include "cli/recorded_history.h"
#include "history/history_error.h"

#include <algorithm>
#include <ostream>

namespace {

constexpr int linkLost = 1;
constexpr int unreadable = 2;

}

int runChanges(const ChangesArguments& arguments, std::ostream& out, std::ostream& err)
{
    std::vector<SiteChange> changes;
    try {
        const RecordedHistory history = openRecordedHistory(arguments.list);
        const std::vector<std::vector<HistoryEntry>> runs = history.store->LastTwoRuns(history.listKey);
        if (runs.size() == 2)
            changes = SiteChanges(runs[0], runs[1]);
    } catch (const HistoryError& error) {
        err << "linkwatch-cli: changes: " << error.what() << '\n';
        return unreadable;
    }
    writeChangeTable(changes, arguments.report.format, arguments.report.encoding, out);
    out.flush();
    const bool lost = std::any_of(changes.begin(), changes.end(), [](const SiteChange& change) {
        return change.kind == ChangeKind::Lost || change.kind == ChangeKind::OneSided;
    });
    return lost ? linkLost : 0;
}
