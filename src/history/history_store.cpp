#include "history/history_store.h"

#include "base/gbk_codec.h"
#include "check/link_counts.h"
#include "history/history_schema.h"
#include "history/result_row.h"
#include "history/sqlite_statement.h"
#include "history/sqlite_transaction.h"

#include <algorithm>
#include <filesystem>
#include <sqlite3.h>
#include <utility>

namespace {

constexpr int busyTimeoutMs = 5000;

// Moves a site's newest result on only for a newer run, or a later row of the
// same run, so that a run recorded late beside a newer one leaves it alone.
constexpr char noteLatestSql[]
    = "INSERT INTO latest (address, query, run, n) VALUES (?, ?, ?, ?)"
      " ON CONFLICT (address, query) DO UPDATE SET run = excluded.run, n = excluded.n"
      " WHERE (excluded.run, excluded.n) > (latest.run, latest.n)";

std::string stored(const Text& text) { return GbkToUtf8Exact(text); }

void bindName(SqliteStatement& statement, int index, const char* name)
{
    if (name)
        statement.BindText(index, name);
    else
        statement.BindNull(index);
}

// Where the match sits, the link and page it was found on, and whether it counts.
void bindLink(SqliteStatement& insert, const CheckOutcome& outcome)
{
    bindName(insert, 22, LinkPlacementName(outcome.placement));
    insert.BindText(23, stored(outcome.href));
    insert.BindText(24, stored(outcome.anchor));
    insert.BindInt(25, outcome.links);
    insert.BindText(26, stored(outcome.canonical));
    insert.BindInt(27, outcome.outbound);
    insert.BindInt(28, outcome.outboundHosts);
    insert.BindInt(29, outcome.outboundNofollow);
    bindName(insert, 30, PageKindName(outcome.page));
    insert.BindText(31, LinkCountsName(LinkCountsOf(outcome)));
    bindName(insert, 32, RobotsTxtAnswerName(outcome.robotsTxt));
    bindName(insert, 33, SpiderViewName(outcome.spider));
    bindName(insert, 34, BackLinkName(outcome.back));
    insert.BindText(35, stored(outcome.backAnchor));
    insert.BindInt(36, outcome.tries);
}

void bindOutcome(SqliteStatement& insert, const CheckOutcome& outcome)
{
    insert.BindText(8, OutcomeName(outcome.kind));
    insert.BindInt(9, outcome.status);
    insert.BindText(10, stored(OutcomeReason(outcome)));
    insert.BindText(11, stored(outcome.reasonPhrase));
    insert.BindText(12, stored(outcome.location));
    insert.BindInt(13, outcome.error);
    insert.BindText(14, stored(outcome.errorText));
    insert.BindInt(15, outcome.bytes);
    insert.BindInt(16, outcome.ms);
    bindName(insert, 17, QueryMatchName(outcome.match));
    bindName(insert, 18, LinkRelName(outcome.rel));
    insert.BindText(19, stored(outcome.near));
    insert.BindText(20, stored(outcome.nearDifference));
    bindName(insert, 21, RobotsDirectiveName(outcome.robots));
    bindLink(insert, outcome);
}

// The statements that record a result: its row, and its site's newest result.
struct ResultInserts {
    SqliteStatement row;
    SqliteStatement latest;
};

void insertResult(ResultInserts& inserts, std::int64_t run, const HistoryEntry& entry)
{
    const std::string address = stored(entry.address);
    const std::string query = stored(entry.query);
    SqliteStatement& insert = inserts.row;
    insert.Reset();
    insert.BindInt(1, run);
    insert.BindInt(2, entry.checkedAt);
    insert.BindInt(3, entry.n);
    insert.BindText(4, stored(entry.name));
    insert.BindText(5, address);
    insert.BindText(6, query);
    insert.BindText(7, stored(entry.verdict));
    if (entry.outcome)
        bindOutcome(insert, *entry.outcome);
    insert.Step();
    SqliteStatement& latest = inserts.latest;
    latest.Reset();
    latest.BindText(1, address);
    latest.BindText(2, query);
    latest.BindInt(3, run);
    latest.BindInt(4, entry.n);
    latest.Step();
}

std::optional<HistoryEntry> firstEntry(SqliteStatement& select)
{
    if (!select.Step())
        return std::nullopt;
    return ReadResult(select);
}

// The result stored as run's row n, by a select of resultColumns for run and n.
std::optional<HistoryEntry> resultAt(SqliteStatement& select, std::int64_t run, std::int64_t n)
{
    select.Reset();
    select.BindInt(1, run);
    select.BindInt(2, n);
    return firstEntry(select);
}

// expected: how many there may be, room made for them beforehand.
std::vector<HistoryEntry> readEntries(
    SqliteStatement& select, HistoryEntry (*read)(const SqliteStatement&), std::size_t expected)
{
    std::vector<HistoryEntry> entries;
    entries.reserve(expected);
    while (select.Step())
        entries.push_back(read(select));
    return entries;
}

std::string insertSql()
{
    std::string sql = "INSERT INTO results (" + ResultColumns(HistorySchemaVersion) + ") VALUES (?";
    for (int column = 1; column < ResultColumnCount; ++column)
        sql += ", ?";
    return sql + ")";
}

ResultInserts prepareResultInserts(sqlite3* database, const std::string& path)
{
    return { { database, insertSql(), path }, { database, noteLatestSql, path } };
}

std::string resultAtSql(const std::string& columns)
{
    return "SELECT " + columns + " FROM results WHERE run = ? AND n = ?";
}

// name: the file's name or an SQLite URI naming it.
sqlite3* openDatabase(const std::string& name, int flags, const std::string& path)
{
    sqlite3* database = nullptr;
    // One thread uses a connection at a time: SQLite need not lock it on every call.
    if (sqlite3_open_v2(name.c_str(), &database, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const HistoryError failure = SqliteFailure(path, database);
        sqlite3_close(database);
        throw failure;
    }
    sqlite3_busy_timeout(database, busyTimeoutMs);
    return database;
}

// Whether a read-only connection cannot read the file for want of write
// access to its folder. A WAL-mode file is read with a -wal and a -shm file
// beside it, which its first reader makes. A -wal without its -shm is read
// alike when empty: it holds nothing that the file itself does not.
bool lacksFolderWrite(sqlite3* database, const std::string& path)
{
    if (sqlite3_exec(database, "PRAGMA user_version", nullptr, nullptr, nullptr) == SQLITE_OK)
        return false;
    const int error = sqlite3_extended_errcode(database);
    std::error_code noSize;
    return error == SQLITE_READONLY_DIRECTORY
        || (error == SQLITE_CANTOPEN && std::filesystem::file_size(path + "-wal", noSize) == 0);
}

// The URI that opens path immutable: read as it is, with no -wal or -shm.
// Only for a file without a -shm: no connection has it open, and in a
// folder that cannot be written none can open it to write.
std::string immutableUri(const std::string& path)
{
    std::string uri = !path.empty() && path.front() == '/' ? "file://" : "file:";
    for (const char c : path) {
        if (c == '%')
            uri += "%25";
        else if (c == '?')
            uri += "%3F";
        else if (c == '#')
            uri += "%23";
        else
            uri += c;
    }
    return uri + "?immutable=1";
}

}

HistoryStore::HistoryStore(const std::string& path, Access access)
    : m_path(path)
{
    const bool writable = access == Access::ReadWrite;
    m_database = openDatabase(
        path, writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY, path);
    try {
        if (!writable && lacksFolderWrite(m_database, path)) {
            sqlite3_close(std::exchange(m_database, nullptr));
            m_database = openDatabase(immutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, path);
        }
        RefuseUnknownHistory(m_database, path);
        // The write-ahead log lets readers and one writer work at once; with it,
        // a normal sync never corrupts the file, it may only lose the last
        // transaction when the machine itself goes down.
        if (writable)
            ExecuteSql(m_database,
                "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA cache_size = -16384", path);
        m_version = PrepareHistorySchema(m_database, path, writable);
        m_selected = ResultColumns(m_version);
    } catch (...) {
        sqlite3_close(m_database);
        throw;
    }
}

HistoryStore::~HistoryStore() { sqlite3_close(m_database); }

std::int64_t HistoryStore::RecordRun(
    const RunInfo& info, std::int64_t endedAt, const std::vector<HistoryEntry>& results)
{
    SqliteTransaction transaction(m_database, m_path);
    const std::int64_t run = BeginRun(info);
    ResultInserts inserts = prepareResultInserts(m_database, m_path);
    for (const HistoryEntry& entry : results)
        insertResult(inserts, run, entry);
    EndRun(run, endedAt);
    transaction.Commit();
    return run;
}

std::int64_t HistoryStore::BeginRun(const RunInfo& info)
{
    SqliteStatement insert(
        m_database, "INSERT INTO runs (started, source, list_file) VALUES (?, ?, ?)", m_path);
    insert.BindInt(1, info.startedAt);
    insert.BindText(2, RunSourceName(info.source));
    insert.BindText(3, info.listFile);
    insert.Step();
    return sqlite3_last_insert_rowid(m_database);
}

void HistoryStore::RecordResult(std::int64_t run, const HistoryEntry& result)
{
    ResultInserts inserts = prepareResultInserts(m_database, m_path);
    insertResult(inserts, run, result);
}

void HistoryStore::EndRun(std::int64_t run, std::int64_t endedAt)
{
    SqliteStatement update(m_database, "UPDATE runs SET ended = ? WHERE id = ?", m_path);
    update.BindInt(1, endedAt);
    update.BindInt(2, run);
    update.Step();
}

std::optional<HistoryEntry> HistoryStore::PreviousResult(
    const Text& address, const Text& query, std::int64_t beforeRun)
{
    const std::string storedAddress = stored(address);
    const std::string storedQuery = stored(query);
    SqliteStatement latest(m_database, "SELECT run, n FROM latest WHERE address = ? AND query = ?", m_path);
    latest.BindText(1, storedAddress);
    latest.BindText(2, storedQuery);
    if (!latest.Step())
        return std::nullopt;
    if (beforeRun == 0 || latest.Int(0) < beforeRun) {
        SqliteStatement select(m_database, resultAtSql(m_selected), m_path);
        return resultAt(select, latest.Int(0), latest.Int(1));
    }
    // Recorded again since beforeRun began (twice in that run, or by a newer
    // run beside it): the runs before it are searched, newest first.
    SqliteStatement earlier(m_database,
        "SELECT " + m_selected
            + " FROM results WHERE run < ? AND address = ? AND query = ? ORDER BY run DESC, n DESC LIMIT 1",
        m_path);
    earlier.BindInt(1, beforeRun);
    earlier.BindText(2, storedAddress);
    earlier.BindText(3, storedQuery);
    return firstEntry(earlier);
}

std::vector<HistoryEntry> HistoryStore::History(const std::string& site, int limit)
{
    std::vector<HistoryEntry> entries;
    History(site, limit, [&entries](const HistoryEntry& entry) { entries.push_back(entry); });
    return entries;
}

void HistoryStore::History(
    const std::string& site, int limit, const std::function<void(const HistoryEntry&)>& each)
{
    SqliteStatement select(m_database,
        "SELECT " + m_selected
            + " FROM results WHERE ?1 = '' OR instr(name, ?1) > 0 OR instr(address, ?1) > 0"
              " ORDER BY run DESC, n LIMIT ?2",
        m_path);
    select.BindText(1, site);
    select.BindInt(2, limit > 0 ? limit : -1);
    while (select.Step())
        each(ReadResult(select));
}

std::vector<std::vector<HistoryEntry>> HistoryStore::LastRuns(
    const std::string& listFile, int count, Fields fields)
{
    SqliteStatement runs(m_database,
        "SELECT id FROM runs WHERE list_file = ? AND ended IS NOT NULL ORDER BY id DESC LIMIT ?", m_path);
    runs.BindText(1, listFile);
    runs.BindInt(2, count);
    std::vector<std::int64_t> ids;
    while (runs.Step())
        ids.insert(ids.begin(), runs.Int(0));
    const bool whole = fields == Fields::Whole;
    SqliteStatement select(m_database,
        "SELECT " + (whole ? m_selected : ComparedColumns(m_version))
            + " FROM results WHERE run = ? ORDER BY n",
        m_path);
    std::vector<std::vector<HistoryEntry>> last;
    for (const std::int64_t id : ids) {
        select.Reset();
        select.BindInt(1, id);
        // A list's runs are mostly of one length.
        last.push_back(readEntries(
            select, whole ? ReadResult : ReadComparedResult, last.empty() ? 0 : last.back().size()));
    }
    return last;
}

void HistoryStore::ReadWhole(std::vector<SiteChange>& changes)
{
    SqliteStatement select(m_database, resultAtSql(m_selected), m_path);
    for (SiteChange& change : changes) {
        std::optional<HistoryEntry> before = resultAt(select, change.before.run, change.before.n);
        std::optional<HistoryEntry> after = resultAt(select, change.after.run, change.after.n);
        // Results are never deleted: both rows are there unless the file was changed from outside.
        if (!before || !after)
            throw HistoryError(m_path + ": a result read a moment ago is gone");
        change = DescribedChange(change.kinds, std::move(*before), std::move(*after));
    }
}

std::vector<FinishedRun> HistoryStore::FinishedRuns(
    const std::string& listFile, int count, std::int64_t since)
{
    SqliteStatement runs(m_database,
        "SELECT id, started, ended FROM runs WHERE list_file = ? AND ended IS NOT NULL AND started >= ?"
        " ORDER BY id DESC LIMIT ?",
        m_path);
    runs.BindText(1, listFile);
    runs.BindInt(2, since);
    runs.BindInt(3, count > 0 ? count : -1);
    std::vector<FinishedRun> finished;
    while (runs.Step())
        finished.push_back({ runs.Int(0), runs.Int(1), runs.Int(2) });
    std::reverse(finished.begin(), finished.end());
    return finished;
}

void HistoryStore::RunResults(std::int64_t run, const std::function<void(const HistoryEntry&)>& each)
{
    SqliteStatement select(
        m_database, "SELECT " + m_selected + " FROM results WHERE run = ? ORDER BY n", m_path);
    select.BindInt(1, run);
    while (select.Step())
        each(ReadResult(select));
}

void HistoryStore::RunStates(std::int64_t run, const std::function<void(const ResultState&)>& each)
{
    SqliteStatement select(m_database,
        std::string("SELECT n, address, query, verdict, outcome, ")
            + (m_version >= LinkColumnsVersion ? "counts" : "null")
            + " FROM results WHERE run = ? ORDER BY n",
        m_path);
    select.BindInt(1, run);
    ResultState state;
    while (select.Step()) {
        state.n = static_cast<int>(select.Int(0));
        state.address = StoredText(select, 1);
        state.query = StoredText(select, 2);
        HistoryEntry entry { .verdict = StoredText(select, 3) };
        if (!select.IsNull(4))
            entry.outcome = CheckOutcome { .kind = StoredOutcomeKind(select, 4) };
        state.kind = EntryKind(entry);
        state.counts = StoredCounts(select, 5);
        each(state);
    }
}

std::vector<SiteChange> HistoryStore::KeepUndelivered(
    const std::string& listFile, const std::vector<SiteChange>& changes)
{
    // A run that changed nothing writes nothing, so waits for no other writer.
    if (!changes.empty()) {
        SqliteTransaction transaction(m_database, m_path);
        SqliteStatement keep(m_database,
            "INSERT OR IGNORE INTO undelivered (list_file, after_run, after_n, change, before_run, before_n)"
            " VALUES (?, ?, ?, ?, ?, ?)",
            m_path);
        for (const SiteChange& change : changes) {
            keep.Reset();
            keep.BindText(1, listFile);
            keep.BindInt(2, change.after.run);
            keep.BindInt(3, change.after.n);
            keep.BindText(4, change.kinds.name());
            keep.BindInt(5, change.before.run);
            keep.BindInt(6, change.before.n);
            keep.Step();
        }
        transaction.Commit();
    }
    return undeliveredChanges(listFile);
}

std::vector<SiteChange> HistoryStore::undeliveredChanges(const std::string& listFile)
{
    SqliteStatement kept(m_database,
        "SELECT change, before_run, before_n, after_run, after_n FROM undelivered WHERE list_file = ?"
        " ORDER BY after_run, after_n",
        m_path);
    kept.BindText(1, listFile);
    SqliteStatement result(m_database, resultAtSql(m_selected), m_path);
    std::vector<SiteChange> changes;
    while (kept.Step()) {
        const std::optional<ChangeKinds> kinds = ChangeKinds::named(kept.Utf8(0));
        std::optional<HistoryEntry> before = resultAt(result, kept.Int(1), kept.Int(2));
        std::optional<HistoryEntry> after = resultAt(result, kept.Int(3), kept.Int(4));
        // A kind a newer LinkWatch wrote is not this one's to tell.
        if (kinds && before && after)
            changes.push_back(DescribedChange(*kinds, std::move(*before), std::move(*after)));
    }
    return changes;
}

void HistoryStore::MarkDelivered(const std::string& listFile, const std::vector<SiteChange>& changes)
{
    SqliteTransaction transaction(m_database, m_path);
    SqliteStatement drop(
        m_database, "DELETE FROM undelivered WHERE list_file = ? AND after_run = ? AND after_n = ?", m_path);
    for (const SiteChange& change : changes) {
        drop.Reset();
        drop.BindText(1, listFile);
        drop.BindInt(2, change.after.run);
        drop.BindInt(3, change.after.n);
        drop.Step();
    }
    transaction.Commit();
}

bool HistoryStore::AddOwnPage(const std::string& listFile, const std::string& address, std::int64_t addedAt)
{
    SqliteStatement insert(
        m_database, "INSERT OR IGNORE INTO own_pages (list_file, address, added) VALUES (?, ?, ?)", m_path);
    insert.BindText(1, listFile);
    insert.BindText(2, address);
    insert.BindInt(3, addedAt);
    insert.Step();
    return sqlite3_changes(m_database) > 0;
}

bool HistoryStore::RemoveOwnPage(const std::string& listFile, const std::string& address)
{
    SqliteStatement drop(m_database, "DELETE FROM own_pages WHERE list_file = ? AND address = ?", m_path);
    drop.BindText(1, listFile);
    drop.BindText(2, address);
    drop.Step();
    return sqlite3_changes(m_database) > 0;
}

std::vector<std::string> HistoryStore::OwnPages(const std::string& listFile)
{
    std::vector<std::string> pages;
    if (m_version < AuditColumnsVersion)
        return pages;
    SqliteStatement select(
        m_database, "SELECT address FROM own_pages WHERE list_file = ? ORDER BY added, address", m_path);
    select.BindText(1, listFile);
    while (select.Step())
        pages.push_back(select.Utf8(0));
    return pages;
}
