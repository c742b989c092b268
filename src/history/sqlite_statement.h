#pragma once

#include "history/history_error.h"

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// The error of database's last failed call, naming the file at path.
HistoryError SqliteFailure(const std::string& path, sqlite3* database);

// Runs statements that return no rows; throws SqliteFailure.
void ExecuteSql(sqlite3* database, const char* sql, const std::string& path);

// One prepared SQL statement of a history database. Binds and columns count
// from 1 and 0 as SQLite's own do. Every failure throws HistoryError naming
// the file. Used on the thread that owns the database.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* database, std::string_view sql, const std::string& path);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void BindInt(int index, std::int64_t value);
    // A UTF-8 text, taken whole (NUL bytes included).
    void BindText(int index, std::string_view utf8);
    void BindNull(int index);
    // Advances to the next row: true when there is one, false when done.
    bool Step();
    // Makes the statement ready to run again with new binds.
    void Reset();

    bool IsNull(int column) const;
    std::int64_t Int(int column) const;
    std::string Utf8(int column) const;
    // The same text without a copy, valid until the next Step or Reset.
    std::string_view Utf8View(int column) const;

private:
    sqlite3* m_database;
    // Its own copy: a statement may outlive the text its path was given in.
    std::string m_path;
    sqlite3_stmt* m_statement = nullptr;
};
