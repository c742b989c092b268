#include "cli/own_pages.h"

#include "check/site_list_layout.h"

#include <unordered_set>

std::vector<Text> PartnerAddresses(const CellStore& list)
{
    std::vector<Text> addresses;
    list.ForEachCell(SiteAddressCol, FirstSiteRow, SiteAddressCol, list.RowCount() - 1,
        [&addresses](int, int, const Text& text, const TCellGraphic*) { addresses.push_back(text); });
    return addresses;
}

std::vector<std::size_t> OrphanSites(const OwnPageLinks& links, const std::vector<Text>& partnerAddresses)
{
    std::unordered_set<Text> partners;
    for (const Text& address : partnerAddresses)
        partners.insert(PartnerSiteKey(address));
    std::vector<std::size_t> orphans;
    for (std::size_t site = 0; site < links.Sites().size(); ++site) {
        if (!partners.contains(links.Sites()[site].key))
            orphans.push_back(site);
    }
    return orphans;
}
