#include "grid/cell_grid_geometry.h"
#include "grid_store/cell_store.h"

#include <gtest/gtest.h>

namespace {

// One fixed column 40 wide, then columns of 50, 60, 70 and 80; a title row
// 20 high, then 99 rows 10 high; a viewport of 200 by 100.
CellStore layoutStore()
{
    CellStore store;
    store.SetColCount(5);
    store.SetRowCount(100);
    store.SetFixedCols(1);
    store.SetFixedRows(1);
    const int widths[] = { 40, 50, 60, 70, 80 };
    for (int col = 0; col < 5; ++col)
        store.SetColWidths(col, widths[col]);
    return store;
}

struct HitCase {
    const char* title;
    int firstRow;
    int leftOffset;
    QPoint pos;
    int col; // -1: no cell
    int row;
};

class CellGridGeometryHit : public testing::TestWithParam<HitCase>
{
};

TEST_P(CellGridGeometryHit, FindsTheVisibleCellUnderAPoint)
{
    const CellStore store = layoutStore();
    CellGridGeometry geometry;
    geometry.Layout(store, 20, 10, GetParam().firstRow, GetParam().leftOffset, QSize(200, 100));
    int col = -1;
    int row = -1;
    const bool found = geometry.CellAt(GetParam().pos, col, row);
    EXPECT_EQ(found, GetParam().col >= 0);
    if (found) {
        EXPECT_EQ(col, GetParam().col);
        EXPECT_EQ(row, GetParam().row);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(CellGridGeometry, CellGridGeometryHit,
    testing::Values(
        HitCase { .title = "FixedCorner", .firstRow = 1, .leftOffset = 0, .pos = { 10, 5 }, .col = 0,
            .row = 0 },
        HitCase { .title = "TitleOfFirstScrolledColumn", .firstRow = 1, .leftOffset = 0, .pos = { 45, 5 },
            .col = 1, .row = 0 },
        HitCase { .title = "FirstDataRow", .firstRow = 1, .leftOffset = 0, .pos = { 45, 25 }, .col = 1,
            .row = 1 },
        HitCase { .title = "RowBoundary", .firstRow = 1, .leftOffset = 0, .pos = { 45, 30 }, .col = 1,
            .row = 2 },
        HitCase { .title = "ColumnBoundary", .firstRow = 1, .leftOffset = 0, .pos = { 90, 30 }, .col = 2,
            .row = 2 },
        HitCase { .title = "ScrolledColumnUnderFixedColumn", .firstRow = 1, .leftOffset = 30,
            .pos = { 20, 25 }, .col = 0, .row = 1 },
        HitCase { .title = "VisiblePartOfScrolledColumn", .firstRow = 1, .leftOffset = 30, .pos = { 45, 25 },
            .col = 1, .row = 1 },
        HitCase { .title = "NextColumnAfterScrolling", .firstRow = 1, .leftOffset = 30, .pos = { 65, 25 },
            .col = 2, .row = 1 },
        HitCase { .title = "ScrolledRows", .firstRow = 50, .leftOffset = 0, .pos = { 45, 25 }, .col = 1,
            .row = 50 },
        HitCase { .title = "BelowTheLastRow", .firstRow = 95, .leftOffset = 0, .pos = { 45, 95 }, .col = -1,
            .row = -1 },
        HitCase { .title = "RightOfTheLastColumn", .firstRow = 1, .leftOffset = 200, .pos = { 195, 25 },
            .col = -1, .row = -1 }),
    [](const testing::TestParamInfo<HitCase>& info) { return info.param.title; });
// clang-format on

TEST(CellGridGeometry, FirstColumnAtAnOffset)
{
    const CellStore store = layoutStore();
    EXPECT_EQ(CellGridGeometry::FirstColumnAt(store, 0), 1);
    EXPECT_EQ(CellGridGeometry::FirstColumnAt(store, 49), 1);
    EXPECT_EQ(CellGridGeometry::FirstColumnAt(store, 50), 2);
    EXPECT_EQ(CellGridGeometry::FirstColumnAt(store, 259), 4);
    EXPECT_EQ(CellGridGeometry::FirstColumnAt(store, 260), 5);
}

TEST(CellGridGeometry, OnlyVisibleBordersCanBeGrabbed)
{
    const CellStore store = layoutStore();
    CellGridGeometry geometry;
    geometry.Layout(store, 20, 10, 1, 45, QSize(200, 100));
    EXPECT_EQ(geometry.ColumnBorderAt(40, 3), 0);
    // Column 1 now ends at 40 + 50 - 45 = 45, just right of the fixed column.
    EXPECT_EQ(geometry.ColumnBorderAt(44, 0), -1);
    EXPECT_EQ(geometry.ColumnBorderAt(45, 0), 1);
    geometry.Layout(store, 20, 10, 1, 50, QSize(200, 100));
    EXPECT_EQ(geometry.ColumnBorderAt(41, 2), 0);
    EXPECT_EQ(geometry.ColumnBorderAt(102, 3), 2);
}

TEST(CellGridGeometry, HugeCountsLayOutOnlyWhatIsVisible)
{
    CellStore store;
    store.SetColCount(2000000000);
    store.SetRowCount(2000000000);
    store.SetColWidths(3, 2000000000);
    CellGridGeometry geometry;
    geometry.Layout(store, 17, 17, 1999999990, 100, QSize(300, 200));
    EXPECT_LE(geometry.Rows().size(), 13u);
    EXPECT_LE(geometry.Columns().size(), 6u);
    EXPECT_EQ(geometry.Rows().back().index, 1999999999);
    EXPECT_LE(geometry.Columns().back().size, CellGridGeometry::MaxDrawnWidth);
}

}
