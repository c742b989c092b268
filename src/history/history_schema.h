#pragma once

#include <string>

struct sqlite3;

// The layout of the history database, version by version. The version is
// the file's user_version: 0 for a new, empty file.
inline constexpr int HistorySchemaVersion = 5;

// Refuses a file that is no history this LinkWatch knows before anything,
// the journal mode included, is written to it: one whose version is below 0
// (not a LinkWatch history), or above HistorySchemaVersion (from a newer
// LinkWatch). Throws HistoryError.
void RefuseUnknownHistory(sqlite3* database, const std::string& path);

// Brings the database at path up to HistorySchemaVersion, one step per
// version, in one transaction; with upgrade false it only checks that the
// file holds a history of a version it knows, which it then reads as it is:
// the runs and results tables read alike in every version, but for the
// columns of results that versions 4 and 5 added (LinkColumnsVersion,
// AuditColumnsVersion). A file of a
// version it does not know is refused and left as it is. Returns the
// version the file holds once prepared. Throws HistoryError.
int PrepareHistorySchema(sqlite3* database, const std::string& path, bool upgrade);

// The version whose results first hold where the match sits, the link and
// page it was found on, and whether the link counts.
inline constexpr int LinkColumnsVersion = 4;

// The version whose results first hold what robots.txt, the spider's fetch
// and the operator's own pages said, and how many fetches a result took;
// and whose own_pages table keeps each list's own pages.
inline constexpr int AuditColumnsVersion = 5;
