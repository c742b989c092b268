#include "history/sqlite_statement.h"

#include <cstring>
#include <sqlite3.h>

HistoryError SqliteFailure(const std::string& path, sqlite3* database)
{
    std::string message = path + ": " + sqlite3_errmsg(database);
    // "disk I/O error" alone does not tell a full disk from a broken one.
    if (const int error = sqlite3_system_errno(database); error != 0)
        message += std::string(" (") + std::strerror(error) + ")";
    return HistoryError(message);
}

void ExecuteSql(sqlite3* database, const char* sql, const std::string& path)
{
    if (sqlite3_exec(database, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw SqliteFailure(path, database);
}

SqliteStatement::SqliteStatement(sqlite3* database, std::string_view sql, const std::string& path)
    : m_database(database)
    , m_path(path)
{
    if (sqlite3_prepare_v2(database, sql.data(), static_cast<int>(sql.size()), &m_statement, nullptr)
        != SQLITE_OK)
        throw SqliteFailure(path, database);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_statement); }

void SqliteStatement::BindInt(int index, std::int64_t value)
{
    if (sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK)
        throw SqliteFailure(m_path, m_database);
}

void SqliteStatement::BindText(int index, std::string_view utf8)
{
    if (sqlite3_bind_text64(m_statement, index, utf8.data(), utf8.size(), SQLITE_TRANSIENT, SQLITE_UTF8)
        != SQLITE_OK)
        throw SqliteFailure(m_path, m_database);
}

void SqliteStatement::BindNull(int index)
{
    if (sqlite3_bind_null(m_statement, index) != SQLITE_OK)
        throw SqliteFailure(m_path, m_database);
}

bool SqliteStatement::Step()
{
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    throw SqliteFailure(m_path, m_database);
}

void SqliteStatement::Reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

bool SqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(m_statement, column); }

std::string SqliteStatement::Utf8(int column) const { return std::string(Utf8View(column)); }

std::string_view SqliteStatement::Utf8View(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
                : std::string_view();
}
