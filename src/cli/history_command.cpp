#include "cli/history_command.h"

#include "cli/history_table.h"
#include "cli/site_list_path.h"
#include "history/history_error.h"
#include "history/history_store.h"

#include <ostream>

namespace {

constexpr int unreadable = 2;

}

int runHistory(const HistoryArguments& arguments, std::ostream& out, std::ostream& err)
{
    const std::string listKey = listFileKey(siteListPath(arguments.list.folder, arguments.list.file));
    std::vector<HistoryEntry> entries;
    try {
        HistoryStore store(
            historyDatabasePath(arguments.list.database, listKey), HistoryStore::Access::ReadOnly);
        entries = store.History(arguments.site, arguments.limit);
    } catch (const HistoryError& error) {
        err << "linkwatch-cli: history: " << error.what() << '\n';
        return unreadable;
    }
    writeHistoryTable(entries, arguments.report.format, arguments.report.encoding, out);
    out.flush();
    return 0;
}
