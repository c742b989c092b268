#include "grid/cell_grid_geometry.h"

#include "grid_store/cell_store.h"

#include <algorithm>
#include <cstdlib>

void CellGridGeometry::Layout(const CellStore& store, int fixedRowHeight, int rowHeight, int firstScrolledRow,
    int leftOffset, QSize viewport)
{
    m_rows.clear();
    m_columns.clear();
    // Heights of at least one pixel keep every loop below bounded by the viewport.
    fixedRowHeight = std::max(fixedRowHeight, 1);
    rowHeight = std::max(rowHeight, 1);

    int y = 0;
    for (int row = 0; row < store.FixedRows() && y < viewport.height(); ++row, y += fixedRowHeight)
        m_rows.push_back({ row, y, fixedRowHeight });
    m_fixedHeight = y;
    m_rowsThatFit = std::max(1, (viewport.height() - m_fixedHeight) / rowHeight);
    for (int row = std::max(firstScrolledRow, store.FixedRows());
         row < store.RowCount() && y < viewport.height(); ++row, y += rowHeight)
        m_rows.push_back({ row, y, rowHeight });

    m_fixedCols = store.FixedCols();
    int x = 0;
    for (int col = 0; col < store.FixedCols() && x < viewport.width(); ++col)
        x = addColumn(col, x, store.ColWidths(col));
    m_fixedWidth = x;
    const int first = FirstColumnAt(store, leftOffset);
    x = m_fixedWidth + static_cast<int>(store.ColumnsWidth(store.FixedCols(), first) - leftOffset);
    for (int col = first; col < store.ColCount() && x < viewport.width(); ++col)
        x = addColumn(col, x, store.ColWidths(col));
}

int CellGridGeometry::addColumn(int col, int x, int width)
{
    // A column is never drawn wider than MaxDrawnWidth, so positions stay far
    // from the int limit whatever width a grid file sets.
    width = std::min(width, MaxDrawnWidth);
    m_columns.push_back({ col, x, width });
    return x + width;
}

int CellGridGeometry::FirstColumnAt(const CellStore& store, std::int64_t offset)
{
    // The smallest column whose right edge lies beyond the offset; the width
    // sum grows with the column, so a binary search finds it.
    int low = store.FixedCols();
    int high = store.ColCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (store.ColumnsWidth(store.FixedCols(), middle + 1) > offset)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

QRect CellGridGeometry::CellRect(int col, int row) const
{
    const Span* rowSpan = findRow(row);
    const Span* colSpan = findColumn(col);
    if (!rowSpan || !colSpan)
        return {};
    return QRect(colSpan->start, rowSpan->start, colSpan->size, rowSpan->size);
}

QRect CellGridGeometry::VisibleCellRect(int col, int row) const
{
    QRect rect = CellRect(col, row);
    if (!rect.isEmpty() && col >= m_fixedCols && rect.left() < m_fixedWidth)
        rect.setLeft(m_fixedWidth);
    return rect;
}

bool CellGridGeometry::CellAt(QPoint pos, int& col, int& row) const
{
    for (const Span& rowSpan : m_rows) {
        if (pos.y() < rowSpan.start || pos.y() >= rowSpan.start + rowSpan.size)
            continue;
        for (const Span& colSpan : m_columns) {
            if (VisibleCellRect(colSpan.index, rowSpan.index).contains(pos)) {
                col = colSpan.index;
                row = rowSpan.index;
                return true;
            }
        }
    }
    return false;
}

int CellGridGeometry::ColumnBorderAt(int x, int tolerance) const
{
    for (const Span& span : m_columns) {
        // A scrolled column whose border lies under the fixed columns cannot
        // be grabbed.
        const int border = span.start + span.size;
        const bool hidden = span.index >= m_fixedCols ? border <= m_fixedWidth : border <= 0;
        if (!hidden && std::abs(x - border) <= tolerance)
            return span.index;
    }
    return -1;
}

const CellGridGeometry::Span* CellGridGeometry::findRow(int row) const
{
    const auto found
        = std::find_if(m_rows.begin(), m_rows.end(), [&](const Span& span) { return span.index == row; });
    return found == m_rows.end() ? nullptr : &*found;
}

const CellGridGeometry::Span* CellGridGeometry::findColumn(int col) const
{
    const auto found = std::find_if(
        m_columns.begin(), m_columns.end(), [&](const Span& span) { return span.index == col; });
    return found == m_columns.end() ? nullptr : &*found;
}
