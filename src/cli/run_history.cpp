#include "cli/run_history.h"

#include "history/history_error.h"
#include "history/history_store.h"

#include <ostream>

RunHistory::RunHistory(const std::string& databasePath, RunInfo info)
    : m_info(std::move(info))
{
    try {
        m_store = std::make_unique<HistoryStore>(databasePath, HistoryStore::Access::ReadWrite);
    } catch (const HistoryError& error) {
        m_openError = error.what();
    }
}

RunHistory::~RunHistory() = default;

bool RunHistory::record(std::int64_t endedAt, const std::vector<HistoryEntry>& entries, std::ostream& err)
{
    std::string why = m_openError;
    if (m_store) {
        try {
            m_store->RecordRun(m_info, endedAt, entries);
            return true;
        } catch (const HistoryError& error) {
            why = error.what();
        }
    }
    err << "linkwatch-cli: history: " << entries.size() << " results not recorded: " << why << '\n';
    return false;
}

HistoryStore& RunHistory::store()
{
    if (!m_store)
        throw HistoryError(m_openError);
    return *m_store;
}

std::vector<SiteChange> RunHistory::undeliveredChanges(int confirm)
{
    return store().KeepUndelivered(
        m_info.listFile, SiteChanges(
            store().LastRuns(m_info.listFile, RunsForConfirm(confirm), HistoryStore::Fields::Compared), confirm));
}

void RunHistory::delivered(const std::vector<SiteChange>& changes)
{
    store().MarkDelivered(m_info.listFile, changes);
}
