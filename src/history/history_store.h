#pragma once

#include "history/history_entry.h"
#include "history/site_change.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

// A finished run as a report reads it: its id and when it started and ended,
// in seconds since 1970-01-01 UTC.
struct FinishedRun {
    std::int64_t id = 0;
    std::int64_t started = 0;
    std::int64_t ended = 0;
};

// A result as a report of many runs reads it: the site, and what came of it.
struct ResultState {
    int n = 0;
    Text address;
    Text query;
    CheckOutcomeKind kind = CheckOutcomeKind::Unreachable; // as EntryKind tells it
    LinkCounts counts = LinkCounts::Unknown; // as recorded; Unknown before it was
};

// The history database's file name, beside the site list it records.
inline constexpr char HistoryFileName[] = "linkwatch.db";

// The history database: one SQLite file holding every recorded run and its
// results. It is created on first open, carries a schema version and
// upgrades an older one in place; a file of a version it does not know (from
// a newer LinkWatch, or below 0) is refused. Write-ahead logging and a busy
// time-out let the window and a scheduled linkwatch-cli write the same file
// at once.
//
// Thread: one thread uses an object at a time. Every call blocks on the file
// system, and for up to the busy time-out (5 s) on another writer. Every
// failure throws HistoryError; a failed write leaves the database as it was
// before that call.
class HistoryStore
{
public:
    enum class Access {
        ReadWrite, // creates the file and its schema when missing
        // Never writes; a missing file is an error. In a folder it cannot
        // write, where no -wal or -shm can be made, the file is read as it is.
        ReadOnly,
    };

    // Opens path (UTF-8, as the file system has it).
    explicit HistoryStore(const std::string& path, Access access = Access::ReadWrite);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const std::string& Path() const { return m_path; }

    // A whole run in one transaction: on failure nothing of it is kept.
    // Returns the new run's id.
    std::int64_t RecordRun(
        const RunInfo& info, std::int64_t endedAt, const std::vector<HistoryEntry>& results);

    // A run whose results arrive one by one, each kept at once. A run never
    // ended (its program was killed) stays readable and counts as unfinished.
    std::int64_t BeginRun(const RunInfo& info);
    void RecordResult(std::int64_t run, const HistoryEntry& result);
    void EndRun(std::int64_t run, std::int64_t endedAt);

    // The newest result of the same site (address and query) recorded in a
    // run before beforeRun; with beforeRun 0, in any run.
    std::optional<HistoryEntry> PreviousResult(
        const Text& address, const Text& query, std::int64_t beforeRun);

    // Past results, newest run first and by run number within a run. site,
    // when not empty, keeps the results whose name or address contains it
    // (UTF-8, compared with the texts' UTF-8 form). limit 0: no limit.
    std::vector<HistoryEntry> History(const std::string& site, int limit);
    // The same results handed to each one by one as they are read, so that
    // no more than one is held at a time.
    void History(const std::string& site, int limit, const std::function<void(const HistoryEntry&)>& each);

    // Which fields of a result a read fills: all, or only those SiteChanges
    // compares, with their texts as stored (UTF-8, for comparing only; the
    // others are left as a result without them reads). For reads of many
    // runs of which only the few results that changed are shown, whole.
    enum class Fields { Whole, Compared };

    // The results of the last count finished runs of the list file (fewer
    // when fewer are recorded), oldest first, each by run number.
    std::vector<std::vector<HistoryEntry>> LastRuns(
        const std::string& listFile, int count, Fields fields = Fields::Whole);
    // Each change's before and after read again whole, by their run and row,
    // and its detail told again from them.
    void ReadWhole(std::vector<SiteChange>& changes);

    // The last count (0: all) finished runs of the list file that started at
    // since or later, oldest first.
    std::vector<FinishedRun> FinishedRuns(const std::string& listFile, int count, std::int64_t since);
    // The results of run by run number, handed to each one by one as they are read.
    void RunResults(std::int64_t run, const std::function<void(const HistoryEntry&)>& each);
    // The same, as little as a report needs of each, read without the rest.
    void RunStates(std::int64_t run, const std::function<void(const ResultState&)>& each);

    // The changes of the list file's runs that no notice has delivered yet,
    // oldest first (by the later result's run, then its run number), once
    // changes (read back from this database) are kept among them; a change
    // kept already is kept once.
    std::vector<SiteChange> KeepUndelivered(
        const std::string& listFile, const std::vector<SiteChange>& changes);
    // The changes a notice delivered are no longer undelivered.
    void MarkDelivered(const std::string& listFile, const std::vector<SiteChange>& changes);

    // The operator's own pages of the list file, by their address (UTF-8,
    // compared byte for byte). Adding one the list has, or removing one it
    // lacks, changes nothing and gives false. OwnPages gives them in the
    // order they were added; a file older than the own pages has none.
    bool AddOwnPage(const std::string& listFile, const std::string& address, std::int64_t addedAt);
    bool RemoveOwnPage(const std::string& listFile, const std::string& address);
    std::vector<std::string> OwnPages(const std::string& listFile);

private:
    std::vector<SiteChange> undeliveredChanges(const std::string& listFile);

    std::string m_path;
    sqlite3* m_database = nullptr;
    // The result columns its reads select: a file older than the link
    // columns, read as it is, gives null for them.
    std::string m_selected;
    int m_version = 0;
};
