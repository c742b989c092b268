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
        changes = SiteChanges(history.store->LastRuns(history.listKey, RunsForConfirm(arguments.confirm),
                                  HistoryStore::Fields::Compared),
            arguments.confirm);
        history.store->ReadWhole(changes);
    } catch (const HistoryError& error) {
        err << "linkwatch-cli: changes: " << error.what() << '\n';
        return unreadable;
    }
    writeChangeTable(changes, arguments.report.format, arguments.report.encoding, out);
    out.flush();
    const bool lost = std::any_of(changes.begin(), changes.end(), [](const SiteChange& change) {
        return change.kinds.has(ChangeKind::Lost) || change.kinds.has(ChangeKind::OneSided);
    });
    return lost ? linkLost : 0;
}
