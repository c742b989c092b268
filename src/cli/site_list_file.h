#pragma once

#include <iosfwd>
#include <string>

class CellStore;

// Reads the site list file named shownName (as the file system names it)
// into list; false, with the reason on err in the operator's terms, when it
// cannot be read. Lines outside the list's size line are told of on err.
// Blocks on the file system; nothing here throws but for want of memory.
bool loadList(const std::string& shownName, CellStore& list, std::ostream& err);
