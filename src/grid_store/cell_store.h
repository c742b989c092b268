#pragma once

#include "base/text.h"
#include "grid_store/cell_graphic.h"
#include "grid_store/grid_types.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// The contents of one grid, without any drawing: cells addressed (column, row)
// from 0, each holding a GBK text and at most one cell graphic; the column and
// row counts with their fixed (header) part; the column widths; the list of
// entries offered by the drop-down list editor; the column titles.
//
// Cells may be written at any column and row from 0 upward, also beyond the
// counts: such cells keep their contents without being part of the visible
// grid until the counts grow past them. Negative coordinates are ignored on
// writing and read as empty. Storage is sparse, so a large count or a far-away
// cell costs nothing until cells are filled.
//
// Counts follow fixed rules: a count below 1 becomes 1, and the fixed part is
// always smaller than the count (lowered when a count shrinks onto it).
// Changing a count never erases a cell.
//
// Not thread-safe: it belongs to the thread of the window that shows it. It
// reports no errors. Every change is announced to the change listener, if one
// is set, after it has been made.
class CellStore
{
public:
    // What a change touched: one cell (column and row given), any number of
    // cells (contents), or the counts and widths (layout).
    enum class Change {
        Cell,
        Contents,
        Layout,
    };
    using ChangeListener = std::function<void(Change change, int col, int row)>;

    static constexpr int DefaultColWidth = 64;

    CellStore() = default;

    int ColCount() const { return m_colCount; }
    int RowCount() const { return m_rowCount; }
    int FixedCols() const { return m_fixedCols; }
    int FixedRows() const { return m_fixedRows; }
    void SetColCount(int count);
    void SetRowCount(int count);
    // Kept between 0 and the count minus 1.
    void SetFixedCols(int count);
    void SetFixedRows(int count);

    // Width in pixels of a column below ColCount (0 for any other column).
    // New columns start at DefaultColWidth, also columns that come back after
    // the count shrank below them; negative widths are stored as 0.
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    // Calls visit(col, width) for every column from col1 up to ColCount - 1
    // whose width differs from DefaultColWidth, in ascending order.
    using WidthVisitor = std::function<void(int col, int width)>;
    void ForEachOtherColWidth(int col1, const WidthVisitor& visit) const;
    // Sum of the widths of the columns first .. last - 1 (0 when last <= first).
    std::int64_t ColumnsWidth(int first, int last) const;

    Text Cells(int col, int row) const;
    void SetCells(int col, int row, Text text);

    // The cell's graphic, or nullptr. The pointer is valid only until the next
    // change of the store; never keep it across a call that may change cells.
    const TCellGraphic* Graphic(int col, int row) const;
    void SetGraphic(int col, int row, const TCellGraphic& graphic);
    void RemoveGraphic(int col, int row);
    bool IsCheckBoxCell(int col, int row) const;
    // Sets the state of an existing check box; returns false (and does
    // nothing) when the cell holds no check box.
    bool SetCheckBoxState(int col, int row, bool state);

    // True for cells inside the counts; only those are shown and reachable.
    bool InGrid(int col, int row) const;
    bool IsFixed(int col, int row) const;

    // Replaces the cell's graphic by a check box in state State, placed before
    // the text and aligned as VAlignment says. Data makes it a data check box.
    void AddCheckBox(int col, int row, bool State, bool Data);
    // Replaces the cell's graphic by image number image of the grid's image
    // list at the given placement.
    void AddImageIdx(int col, int row, int image, TCellHAlign HAlign, TCellVAlign VAlign);
    // Empties the text and removes the graphic of every cell in the rectangle,
    // inside the counts or not. An inverted rectangle holds no cell.
    void ClearRect(int col1, int row1, int col2, int row2);

    // Appends one empty row at the end. Row operations that would take the
    // count past the largest int do nothing.
    void AddRow();
    // Inserts an empty row at row (0 ≤ row ≤ RowCount); that row and every
    // stored row below it move down by one.
    void InsertRow(int row);
    // Removes row (0 ≤ row < RowCount); every stored row below it moves up
    // by one and RowCount shrinks by one under the count rules.
    void DeleteRow(int row);

    void ClearComboString();
    void AddComboString(Text text);
    const std::vector<Text>& ComboItems() const { return m_comboItems; }

    // Setting the titles empties row 0 and puts title i into cell (i, 0) for
    // every i below ColCount, when the grid has a fixed row.
    const std::vector<Text>& ColumnHeaders() const { return m_columnHeaders; }
    void SetColumnHeaders(std::vector<Text> headers);

    // Calls visit(col, row, text, graphic) for every stored cell that has a
    // text or a graphic inside the rectangle, row by row and within a row
    // column by column. Empty cells are skipped, so this is the way to walk
    // a grid whose counts are large. The visitor must not change the store.
    using CellVisitor = std::function<void(int col, int row, const Text& text, const TCellGraphic* graphic)>;
    void ForEachCell(int col1, int row1, int col2, int row2, const CellVisitor& visit) const;

    // Default vertical placement of texts; new check boxes take their
    // placement from it.
    TVAlignment VAlignment = vtaTop;
    // Whether the fixed rows and columns belong to the grid file.
    bool StoreFixedCells = true;

    void SetChangeListener(ChangeListener listener) { m_listener = std::move(listener); }

private:
    struct Cell {
        Text text;
        std::unique_ptr<TCellGraphic> graphic;
    };
    using Row = std::map<int, Cell>;

    template <typename Store>
    static auto findIn(Store& store, int col, int row)
        -> decltype(&store.m_rows.begin()->second.begin()->second);
    const Cell* findCell(int col, int row) const;
    Cell* findCell(int col, int row);
    Cell* cellForWriting(int col, int row);
    void pruneCell(int col, int row);
    void shiftRows(int from, int delta);
    void notify(Change change, int col = -1, int row = -1) const;

    std::map<int, Row> m_rows;
    int m_colCount = 5;
    int m_rowCount = 5;
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    std::map<int, int> m_colWidths; // only widths that differ from DefaultColWidth
    std::vector<Text> m_comboItems;
    std::vector<Text> m_columnHeaders;
    ChangeListener m_listener;
};
