#pragma once

#include "base/text.h"
#include "check/own_page_links.h"

#include <string>
#include <vector>

class CellStore;

// The partners the links of the operator's own pages are held against, as
// linkwatch-cli finds them (the own pages themselves: ListedOwnPages).

// Every entry's address of the list, whatever its status: the partners.
std::vector<Text> PartnerAddresses(const CellStore& list);

// Where in links.Sites() the sites lie that no partner's address names (SiteKey), in order.
std::vector<std::size_t> OrphanSites(const OwnPageLinks& links, const std::vector<Text>& partnerAddresses);
