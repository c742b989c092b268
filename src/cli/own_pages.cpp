#include "cli/own_pages.h"

#include "base/gbk_codec.h"
#include "check/site_list_layout.h"
#include "history/history_store.h"

#include <filesystem>
#include <unordered_set>

std::vector<std::string> ListedOwnPages(const std::string& databasePath, const std::string& listKey)
{
    std::error_code error;
    if (!std::filesystem::exists(databasePath, error) && !error)
        return {};
    return HistoryStore(databasePath, HistoryStore::Access::ReadOnly).OwnPages(listKey);
}

std::vector<Text> FetchedForms(const std::vector<std::string>& ownPages)
{
    std::vector<Text> forms;
    forms.reserve(ownPages.size());
    for (const std::string& page : ownPages)
        forms.push_back(Utf8ToGbk(page));
    return forms;
}

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
