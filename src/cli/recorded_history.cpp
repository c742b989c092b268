#include "cli/recorded_history.h"

#include "cli/site_list_path.h"
#include "history/history_error.h"

#include <filesystem>

RecordedHistory openRecordedHistory(const ListArguments& list)
{
    RecordedHistory history { listFileKey(siteListPath(list.folder, list.file)), nullptr };
    const std::string path = historyDatabasePath(list.database, history.listKey);
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error)
        throw HistoryError(path + ": no such file: nothing recorded there yet (run records beside the list)");
    history.store = std::make_unique<HistoryStore>(path, HistoryStore::Access::ReadOnly);
    return history;
}
