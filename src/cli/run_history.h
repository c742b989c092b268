#pragma once

#include "history/history_entry.h"
#include "history/site_change.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class HistoryStore;

// The history of one linkwatch-cli run. The database is opened (and made,
// when missing) as the run starts, so that a run killed half way has opened
// it like any other, and the run is written in one transaction once every
// verdict is in. A database that cannot be opened or written never stops
// the check: the results are printed and counted as always, and standard
// error says how many were not recorded and why.
//
// Thread: the run's own. Opening and recording block on the file system and
// for up to the store's busy time-out on another writer.
class RunHistory
{
public:
    // Opens databasePath; a failure is kept and told when the run is recorded.
    RunHistory(const std::string& databasePath, RunInfo info);
    ~RunHistory();
    RunHistory(const RunHistory&) = delete;
    RunHistory& operator=(const RunHistory&) = delete;

    // Records the run ended at endedAt. False, with
    // "linkwatch-cli: history: N results not recorded: <why>" on err, when it
    // could not be.
    bool record(std::int64_t endedAt, const std::vector<HistoryEntry>& entries, std::ostream& err);

    // The changes the web hook is to be told of, oldest first: those of the
    // list's earlier runs that no notice delivered yet, then those of the
    // list's last recorded run (SiteChanges with confirm), which stay
    // undelivered with them until delivered is called. Throws HistoryError,
    // also when the database could not be opened.
    std::vector<SiteChange> undeliveredChanges(int confirm);
    // Marks changes as told. Throws HistoryError.
    void delivered(const std::vector<SiteChange>& changes);

private:
    HistoryStore& store();

    RunInfo m_info;
    std::unique_ptr<HistoryStore> m_store;
    std::string m_openError; // why the database could not be opened; empty when it was
};
