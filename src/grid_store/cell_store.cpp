#include "grid_store/cell_store.h"

#include <algorithm>
#include <iterator>
#include <limits>

void CellStore::SetColCount(int count)
{
    count = std::max(count, 1);
    if (count <= m_fixedCols)
        m_fixedCols = count - 1;
    m_colCount = count;
    m_colWidths.erase(m_colWidths.lower_bound(count), m_colWidths.end());
    notify(Change::Layout);
}

void CellStore::SetRowCount(int count)
{
    count = std::max(count, 1);
    if (count <= m_fixedRows)
        m_fixedRows = count - 1;
    m_rowCount = count;
    notify(Change::Layout);
}

void CellStore::SetFixedCols(int count)
{
    m_fixedCols = std::clamp(count, 0, m_colCount - 1);
    notify(Change::Layout);
}

void CellStore::SetFixedRows(int count)
{
    m_fixedRows = std::clamp(count, 0, m_rowCount - 1);
    notify(Change::Layout);
}

int CellStore::ColWidths(int col) const
{
    if (col < 0 || col >= m_colCount)
        return 0;
    const auto width = m_colWidths.find(col);
    return width == m_colWidths.end() ? DefaultColWidth : width->second;
}

void CellStore::SetColWidths(int col, int width)
{
    if (col < 0 || col >= m_colCount)
        return;
    width = std::max(width, 0);
    if (width == DefaultColWidth)
        m_colWidths.erase(col);
    else
        m_colWidths[col] = width;
    notify(Change::Layout);
}

void CellStore::ForEachOtherColWidth(int col1, const WidthVisitor& visit) const
{
    for (auto width = m_colWidths.lower_bound(col1); width != m_colWidths.end(); ++width)
        visit(width->first, width->second);
}

std::int64_t CellStore::ColumnsWidth(int first, int last) const
{
    first = std::max(first, 0);
    last = std::min(last, m_colCount);
    if (last <= first)
        return 0;
    // Widths are stored sparsely, so the sum is the default width times the
    // number of columns, corrected by every width that differs.
    std::int64_t total = std::int64_t { DefaultColWidth } * (last - first);
    for (auto width = m_colWidths.lower_bound(first); width != m_colWidths.end() && width->first < last;
         ++width)
        total += width->second - DefaultColWidth;
    return total;
}

Text CellStore::Cells(int col, int row) const
{
    const Cell* cell = findCell(col, row);
    return cell ? cell->text : Text();
}

void CellStore::SetCells(int col, int row, Text text)
{
    if (col < 0 || row < 0)
        return;
    if (text.empty()) {
        if (Cell* cell = findCell(col, row)) {
            cell->text.clear();
            pruneCell(col, row);
        }
    } else {
        cellForWriting(col, row)->text = std::move(text);
    }
    notify(Change::Cell, col, row);
}

const TCellGraphic* CellStore::Graphic(int col, int row) const
{
    const Cell* cell = findCell(col, row);
    return cell ? cell->graphic.get() : nullptr;
}

void CellStore::SetGraphic(int col, int row, const TCellGraphic& graphic)
{
    if (col < 0 || row < 0)
        return;
    cellForWriting(col, row)->graphic = std::make_unique<TCellGraphic>(graphic);
    notify(Change::Cell, col, row);
}

void CellStore::RemoveGraphic(int col, int row)
{
    Cell* cell = findCell(col, row);
    if (!cell || !cell->graphic)
        return;
    cell->graphic.reset();
    pruneCell(col, row);
    notify(Change::Cell, col, row);
}

bool CellStore::IsCheckBoxCell(int col, int row) const
{
    const TCellGraphic* graphic = Graphic(col, row);
    return graphic && graphic->IsCheckBox();
}

bool CellStore::SetCheckBoxState(int col, int row, bool state)
{
    Cell* cell = findCell(col, row);
    if (!cell || !cell->graphic || !cell->graphic->IsCheckBox())
        return false;
    cell->graphic->CellBoolean = state;
    notify(Change::Cell, col, row);
    return true;
}

bool CellStore::InGrid(int col, int row) const
{
    return col >= 0 && row >= 0 && col < m_colCount && row < m_rowCount;
}

bool CellStore::IsFixed(int col, int row) const { return col < m_fixedCols || row < m_fixedRows; }

void CellStore::AddCheckBox(int col, int row, bool State, bool Data)
{
    TCellGraphic box;
    box.CellType = Data ? ctDataCheckBox : ctCheckBox;
    box.CellBoolean = State;
    box.CellHAlign = haBeforeText;
    box.CellVAlign = VAlignment == vtaCenter ? vaCenter : VAlignment == vtaBottom ? vaBottom : vaTop;
    box.CellTransparent = true;
    SetGraphic(col, row, box);
}

void CellStore::AddImageIdx(int col, int row, int image, TCellHAlign HAlign, TCellVAlign VAlign)
{
    TCellGraphic picture;
    picture.CellType = ctImageList;
    picture.CellIndex = image;
    picture.CellHAlign = HAlign;
    picture.CellVAlign = VAlign;
    SetGraphic(col, row, picture);
}

void CellStore::ClearRect(int col1, int row1, int col2, int row2)
{
    if (col1 > col2 || row1 > row2)
        return;
    // Only stored cells are visited, so a rectangle over a huge count is cheap.
    for (auto row = m_rows.lower_bound(row1); row != m_rows.end() && row->first <= row2;) {
        Row& cells = row->second;
        cells.erase(cells.lower_bound(col1), cells.upper_bound(col2));
        row = cells.empty() ? m_rows.erase(row) : std::next(row);
    }
    notify(Change::Contents);
}

void CellStore::AddRow()
{
    if (m_rowCount == std::numeric_limits<int>::max())
        return;
    // The appended row is promised to be empty, so contents stored there
    // earlier, beyond the old count, are dropped rather than revealed.
    m_rows.erase(m_rowCount);
    SetRowCount(m_rowCount + 1);
}

void CellStore::InsertRow(int row)
{
    if (row < 0 || row > m_rowCount || m_rowCount == std::numeric_limits<int>::max())
        return;
    shiftRows(row, +1);
    SetRowCount(m_rowCount + 1);
}

void CellStore::DeleteRow(int row)
{
    if (row < 0 || row >= m_rowCount)
        return;
    m_rows.erase(row);
    shiftRows(row + 1, -1);
    SetRowCount(m_rowCount - 1);
}

void CellStore::ClearComboString()
{
    m_comboItems.clear();
    notify(Change::Contents);
}

void CellStore::AddComboString(Text text)
{
    m_comboItems.push_back(std::move(text));
    notify(Change::Contents);
}

void CellStore::SetColumnHeaders(std::vector<Text> headers)
{
    m_columnHeaders = std::move(headers);
    if (m_fixedRows < 1)
        return;
    m_rows.erase(0);
    const int count = std::min(m_colCount, static_cast<int>(m_columnHeaders.size()));
    for (int col = 0; col < count; ++col) {
        if (!m_columnHeaders[static_cast<std::size_t>(col)].empty())
            cellForWriting(col, 0)->text = m_columnHeaders[static_cast<std::size_t>(col)];
    }
    notify(Change::Contents);
}

template <typename Store>
auto CellStore::findIn(Store& store, int col, int row)
    -> decltype(&store.m_rows.begin()->second.begin()->second)
{
    const auto cells = store.m_rows.find(row);
    if (cells == store.m_rows.end())
        return nullptr;
    const auto cell = cells->second.find(col);
    return cell == cells->second.end() ? nullptr : &cell->second;
}

void CellStore::ForEachCell(int col1, int row1, int col2, int row2, const CellVisitor& visit) const
{
    if (col1 > col2 || row1 > row2)
        return;
    for (auto row = m_rows.lower_bound(row1); row != m_rows.end() && row->first <= row2; ++row) {
        const Row& cells = row->second;
        for (auto cell = cells.lower_bound(col1); cell != cells.end() && cell->first <= col2; ++cell)
            visit(cell->first, row->first, cell->second.text, cell->second.graphic.get());
    }
}

const CellStore::Cell* CellStore::findCell(int col, int row) const { return findIn(*this, col, row); }

CellStore::Cell* CellStore::findCell(int col, int row) { return findIn(*this, col, row); }

CellStore::Cell* CellStore::cellForWriting(int col, int row) { return &m_rows[row][col]; }

void CellStore::pruneCell(int col, int row)
{
    // Empty cells are not kept, so storage stays proportional to the contents.
    const auto cells = m_rows.find(row);
    if (cells == m_rows.end())
        return;
    const auto cell = cells->second.find(col);
    if (cell != cells->second.end() && cell->second.text.empty() && !cell->second.graphic)
        cells->second.erase(cell);
    if (cells->second.empty())
        m_rows.erase(cells);
}

void CellStore::shiftRows(int from, int delta)
{
    // Keys are renumbered in an order in which a moved row never lands on a
    // row that has not moved yet: from the bottom up when moving down, from
    // the top down when moving up.
    std::vector<int> keys;
    for (auto row = m_rows.lower_bound(from); row != m_rows.end(); ++row)
        keys.push_back(row->first);
    if (delta > 0)
        std::reverse(keys.begin(), keys.end());
    for (int key : keys) {
        auto node = m_rows.extract(key);
        node.key() = key + delta;
        m_rows.insert(std::move(node));
    }
}

void CellStore::notify(Change change, int col, int row) const
{
    if (m_listener)
        m_listener(change, col, row);
}
