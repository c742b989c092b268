#pragma once

#include "base/text.h"
#include "check/own_page_links.h"

#include <chrono>
#include <functional>
#include <vector>

class THTTPSend;

// How the operator's own pages are fetched: as partner pages are.
struct OwnPageFetchSettings {
    bool noDelay = false; // no start delay before the request
    std::chrono::milliseconds waitLimit { 0 }; // each receive's wait; zero: the worker's own
    std::function<void(THTTPSend&)> prepareClient; // the route; empty: none
};

struct OwnPagesRead {
    OwnPageLinks links;
    // One line per own page that could not be read: "<address>: <reason>", GBK.
    std::vector<Text> faults;
};

// Fetches every own page once, all at once, each by a link check worker of
// its own with the client, limits and page reading of a partner's check,
// and reads the links of those that answered 2xx. A page that redirects,
// fails or answers otherwise is not read: its links are unknown. Blocks
// until every fetch has ended, which the workers' own time-outs bound; call
// it off any window's thread. Nothing here throws but for want of memory.
OwnPagesRead ReadOwnPages(const std::vector<Text>& addresses, const OwnPageFetchSettings& settings);
