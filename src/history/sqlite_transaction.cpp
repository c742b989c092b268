#include "history/sqlite_transaction.h"

#include "history/sqlite_statement.h"

#include <sqlite3.h>

SqliteTransaction::SqliteTransaction(sqlite3* database, const std::string& path)
    : m_database(database)
    , m_path(path)
{
    ExecuteSql(database, "BEGIN IMMEDIATE", path);
}

SqliteTransaction::~SqliteTransaction()
{
    // A failed commit or statement may already have ended the transaction.
    if (m_open && !sqlite3_get_autocommit(m_database))
        sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTransaction::Commit()
{
    ExecuteSql(m_database, "COMMIT", m_path);
    m_open = false;
}
