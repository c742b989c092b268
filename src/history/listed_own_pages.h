#pragma once

#include "base/text.h"

#include <string>
#include <vector>

// The operator's own pages of a site list as its history database keeps
// them. Blocks on the file system only.

// The own pages the database at databasePath keeps for the list (UTF-8, in
// the order added); none when the file does not exist. Throws HistoryError
// when it cannot be read.
std::vector<std::string> ListedOwnPages(const std::string& databasePath, const std::string& listKey);

// The own pages in the form they are fetched in: GBK.
std::vector<Text> FetchedForms(const std::vector<std::string>& ownPages);
