#pragma once

#include "base/text.h"

#include <vector>

class CellStore;

// One active entry of the site list as a check run takes it: its row and
// its name, address and query text exactly as stored.
struct ActiveSite {
    int siteRow = 0;
    Text name;
    Text address;
    Text query;
};

// The entries whose status is exactly "正常", top to bottom. Only filled
// status cells are visited, so a list whose size line claims a huge row
// count costs no more than the entries it holds. Nothing here throws but
// for want of memory.
std::vector<ActiveSite> ActiveSites(const CellStore& list);
