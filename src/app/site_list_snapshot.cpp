#include "app/site_list_snapshot.h"

#include "grid_store/cell_store.h"

#include <algorithm>

namespace {

// Columns the operator can reach with the mouse; widths beyond them are
// covered by the total.
constexpr int leadingColumns = 64;

}

SiteListSnapshot SiteListSnapshot::Of(const CellStore& store)
{
    SiteListSnapshot snapshot;
    snapshot.m_colCount = store.ColCount();
    snapshot.m_rowCount = store.RowCount();
    for (int col = 0; col < std::min(store.ColCount(), leadingColumns); ++col)
        snapshot.m_leadingWidths.push_back(store.ColWidths(col));
    snapshot.m_totalWidth = store.ColumnsWidth(0, store.ColCount());
    // Only cells inside the counts reach the file.
    store.ForEachCell(0, 0, store.ColCount() - 1, store.RowCount() - 1,
        [&snapshot](int col, int row, const Text& text, const TCellGraphic*) {
            if (!text.empty())
                snapshot.m_texts.emplace_back(col, row, text);
        });
    return snapshot;
}
