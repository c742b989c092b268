#pragma once

#include <string>

// Where linkwatch-cli finds a site list and the history kept beside it; run,
// history and changes find them alike. Touches nothing but the file
// system's metadata; nothing here throws but for want of memory.

// The file system's name of the list: file relative to folder when folder is
// given, else as given. Without file, the list of the folder the window
// works in: the current folder, or the user's data folder when started from
// the home folder or an unwritable one.
std::string siteListPath(const std::string& folder, const std::string& file);

// The list as history knows it: its absolute path, lexically normalised, in
// its folder as the system names it (links resolved, as the window's current
// folder is), so that runs started from different folders, and the window's,
// meet.
std::string listFileKey(const std::string& listPath);

// The database given with --db, else linkwatch.db in the list's folder.
std::string historyDatabasePath(const std::string& givenDatabase, const std::string& listKey);
