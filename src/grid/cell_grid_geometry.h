#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

class CellStore;

// Where the cells of a grid stand in its viewport: the fixed rows and columns
// stay in place at the top and left, the other rows scroll by whole rows and
// the other columns by pixels. Only cells that are at least partly visible
// are laid out, so the cost follows the viewport, not the counts.
// Belongs to the widget's thread; a plain value recomputed on every scroll,
// resize or layout change.
class CellGridGeometry
{
public:
    // One visible row or column: its index, its start in the viewport and its
    // size in pixels.
    struct Span {
        int index;
        int start;
        int size;
    };

    // firstScrolledRow is the first non-fixed row shown; leftOffset the
    // number of pixels the non-fixed columns are scrolled to the left.
    void Layout(const CellStore& store, int fixedRowHeight, int rowHeight, int firstScrolledRow,
        int leftOffset, QSize viewport);

    const std::vector<Span>& Rows() const { return m_rows; }
    const std::vector<Span>& Columns() const { return m_columns; }
    int FixedWidth() const { return m_fixedWidth; }
    int FixedHeight() const { return m_fixedHeight; }

    // The cell's full rectangle in the viewport (a scrolled column may start
    // under the fixed columns), or an empty rectangle when it is not laid out.
    QRect CellRect(int col, int row) const;
    // The part of the cell that is visible, not covered by fixed columns.
    QRect VisibleCellRect(int col, int row) const;
    // The laid-out cell whose visible part holds pos.
    bool CellAt(QPoint pos, int& col, int& row) const;
    // The column whose right border lies within tolerance pixels of x, or -1.
    int ColumnBorderAt(int x, int tolerance) const;

    // Number of non-fixed rows that fit the viewport completely (at least 1).
    int ScrolledRowsThatFit() const { return m_rowsThatFit; }

    // The first non-fixed column that is visible when the non-fixed columns
    // are scrolled left by offset pixels.
    static int FirstColumnAt(const CellStore& store, std::int64_t offset);

    static constexpr int MaxDrawnWidth = 1 << 20;

private:
    int addColumn(int col, int x, int width);
    const Span* findRow(int row) const;
    const Span* findColumn(int col) const;

    std::vector<Span> m_rows;
    std::vector<Span> m_columns;
    int m_fixedCols = 0;
    int m_fixedWidth = 0;
    int m_fixedHeight = 0;
    int m_rowsThatFit = 1;
};
