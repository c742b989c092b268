#pragma once

#include <string>

struct sqlite3;

// One write transaction of a history database: begun at once as a writer
// (waiting out the busy time-out for another writer), rolled back unless
// Commit was called, so a failure half way leaves the database as it was.
// Throws HistoryError when it cannot begin or commit.
class SqliteTransaction
{
public:
    SqliteTransaction(sqlite3* database, const std::string& path);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    void Commit();

private:
    sqlite3* m_database;
    const std::string& m_path;
    bool m_open = true;
};
