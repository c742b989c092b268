#include "check/active_sites.h"

#include "check/site_list_layout.h"
#include "check/site_list_texts.h"
#include "grid_store/cell_store.h"

std::vector<ActiveSite> ActiveSites(const CellStore& list)
{
    std::vector<int> rows;
    // Exact bytes: a status with a blank around it is not active.
    list.ForEachCell(SiteStatusCol, FirstSiteRow, SiteStatusCol, list.RowCount() - 1,
        [&rows](int, int row, const Text& text, const TCellGraphic*) {
            if (text == StatusNormal)
                rows.push_back(row);
        });
    std::vector<ActiveSite> sites;
    sites.reserve(rows.size());
    for (const int row : rows) {
        sites.push_back({ row, list.Cells(SiteNameCol, row), list.Cells(SiteAddressCol, row),
            list.Cells(SiteQueryCol, row) });
    }
    return sites;
}
