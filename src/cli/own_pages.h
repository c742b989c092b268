#pragma once

#include "base/text.h"
#include "check/own_page_links.h"

#include <string>
#include <vector>

class CellStore;

// The operator's own pages of a site list as linkwatch-cli finds them, and
// the partners their links are held against. Blocks on the file system only.

// The own pages the database at databasePath keeps for the list (UTF-8, in
// the order added); none when the file does not exist. Throws HistoryError
// when it cannot be read.
std::vector<std::string> ListedOwnPages(const std::string& databasePath, const std::string& listKey);

// The own pages in the form they are fetched in: GBK.
std::vector<Text> FetchedForms(const std::vector<std::string>& ownPages);

// Every entry's address of the list, whatever its status: the partners.
std::vector<Text> PartnerAddresses(const CellStore& list);

// Where in links.Sites() the sites lie that no partner's address names (SiteKey), in order.
std::vector<std::size_t> OrphanSites(const OwnPageLinks& links, const std::vector<Text>& partnerAddresses);
