#include "history/history_schema.h"

#include "history/sqlite_statement.h"
#include "history/sqlite_transaction.h"

#include <iterator>

namespace {

// Step i takes the database from version i to version i + 1. Texts are the
// UTF-8 form of the system's GBK texts in which each byte that is not GBK
// stands as its own private-use character, so they read back byte for byte.
constexpr const char* upgradeSteps[] = {
    "CREATE TABLE runs ("
    " id INTEGER PRIMARY KEY,"
    " started INTEGER NOT NULL," // seconds since 1970 UTC
    " ended INTEGER," // null while under way, or when its program was killed
    " source TEXT NOT NULL," // window, cli
    " list_file TEXT NOT NULL);"
    "CREATE INDEX runs_by_list ON runs (list_file, id);"
    "CREATE TABLE results ("
    " run INTEGER NOT NULL REFERENCES runs (id),"
    " n INTEGER NOT NULL,"
    " checked INTEGER NOT NULL,"
    " name TEXT NOT NULL, address TEXT NOT NULL, query TEXT NOT NULL, verdict TEXT NOT NULL,"
    " outcome TEXT," // found, missing, unreachable; null when the check ended without one
    " status INTEGER, reason TEXT, reason_phrase TEXT, location TEXT,"
    " error INTEGER, error_text TEXT, bytes INTEGER, ms INTEGER,"
    " match TEXT, rel TEXT, near TEXT, near_difference TEXT, robots TEXT,"
    " PRIMARY KEY (run, n)) WITHOUT ROWID;"
    "CREATE INDEX results_by_site ON results (address, query, run);",

    // A run dirtied one page of results_by_site for nearly every site it
    // checked, so recording grew slower as the history grew. The newest
    // result of each site now has a row of its own, one small table that
    // every run rewrites whole at most.
    "CREATE TABLE latest ("
    " address TEXT NOT NULL, query TEXT NOT NULL, run INTEGER NOT NULL, n INTEGER NOT NULL,"
    " PRIMARY KEY (address, query)) WITHOUT ROWID;"
    "INSERT INTO latest (address, query, run, n) SELECT address, query, run, n FROM results WHERE true"
    " ON CONFLICT (address, query) DO UPDATE SET run = excluded.run, n = excluded.n"
    " WHERE (excluded.run, excluded.n) > (latest.run, latest.n);"
    "DROP INDEX results_by_site;",

    // A run told to notify a web hook keeps the changes it is to tell of
    // here, each by its kind and its two results, until a notice delivers
    // them: a notice that fails leaves them for the next run's.
    "CREATE TABLE undelivered ("
    " list_file TEXT NOT NULL,"
    " after_run INTEGER NOT NULL, after_n INTEGER NOT NULL,"
    " change TEXT NOT NULL," // its kinds joined by commas: lost, back, down, up, stopped, one-sided, …
    " before_run INTEGER NOT NULL, before_n INTEGER NOT NULL,"
    " PRIMARY KEY (list_file, after_run, after_n)) WITHOUT ROWID;",

    // Where the match sits, the link and the page it was found on, and
    // whether the link counts; null in the results recorded before.
    "ALTER TABLE results ADD COLUMN placement TEXT;" // link, text, comment, …; null when not judged
    "ALTER TABLE results ADD COLUMN href TEXT;"
    "ALTER TABLE results ADD COLUMN anchor TEXT;"
    "ALTER TABLE results ADD COLUMN links INTEGER;"
    "ALTER TABLE results ADD COLUMN canonical TEXT;"
    "ALTER TABLE results ADD COLUMN outbound INTEGER;"
    "ALTER TABLE results ADD COLUMN outbound_hosts INTEGER;"
    "ALTER TABLE results ADD COLUMN outbound_nofollow INTEGER;"
    "ALTER TABLE results ADD COLUMN page TEXT;" // ok, challenge, script; null when no response came
    "ALTER TABLE results ADD COLUMN counts TEXT;", // yes, no, unknown

    // What robots.txt, the spider's own fetch and the operator's own pages
    // said of a result, and its fetches; the own pages of each list.
    "ALTER TABLE results ADD COLUMN robots_txt TEXT;" // allowed, disallowed, unknown; null when not checked
    "ALTER TABLE results ADD COLUMN spider TEXT;" // same, hidden, only, unreachable; null when not asked
    "ALTER TABLE results ADD COLUMN back TEXT;" // yes, nofollow, no, unknown; null when not checked
    "ALTER TABLE results ADD COLUMN back_anchor TEXT;"
    "ALTER TABLE results ADD COLUMN tries INTEGER;" // null in results recorded before: one fetch
    "CREATE TABLE own_pages ("
    " list_file TEXT NOT NULL,"
    " address TEXT NOT NULL,"
    " added INTEGER NOT NULL," // seconds since 1970 UTC
    " PRIMARY KEY (list_file, address)) WITHOUT ROWID;",
};
static_assert(std::size(upgradeSteps) == HistorySchemaVersion);

int storedVersion(sqlite3* database, const std::string& path)
{
    SqliteStatement version(database, "PRAGMA user_version", path);
    version.Step();
    return static_cast<int>(version.Int(0));
}

// No LinkWatch wrote a version below 0; each upgrade step knows the version it starts from.
void refuseUnknown(int version, const std::string& path)
{
    if (version < 0)
        throw HistoryError(path + ": not a LinkWatch history (history version " + std::to_string(version)
            + "); left unchanged");
    if (version > HistorySchemaVersion)
        throw HistoryError(path + ": written by a newer LinkWatch (history version " + std::to_string(version)
            + ", this one knows up to " + std::to_string(HistorySchemaVersion) + "); left unchanged");
}

}

void RefuseUnknownHistory(sqlite3* database, const std::string& path)
{
    refuseUnknown(storedVersion(database, path), path);
}

int PrepareHistorySchema(sqlite3* database, const std::string& path, bool upgrade)
{
    int version = storedVersion(database, path);
    refuseUnknown(version, path);
    if (version == HistorySchemaVersion || (version > 0 && !upgrade))
        return version;
    if (!upgrade)
        throw HistoryError(path + ": holds no LinkWatch history yet");
    // Another program may upgrade the same file at the same moment: the
    // version is read again once this one is the only writer.
    SqliteTransaction transaction(database, path);
    version = storedVersion(database, path);
    refuseUnknown(version, path);
    for (; version < HistorySchemaVersion; ++version)
        ExecuteSql(database, upgradeSteps[version], path);
    ExecuteSql(database, ("PRAGMA user_version = " + std::to_string(HistorySchemaVersion)).c_str(), path);
    transaction.Commit();
    return HistorySchemaVersion;
}
