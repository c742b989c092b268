#include "grid_store/cell_store.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Fills every cell (c, r) of a cols x rows block with the text "c,r".
void fill(CellStore& store, int cols, int rows)
{
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col)
            store.SetCells(col, row, std::to_string(col) + "," + std::to_string(row));
}

// Column 0 of rows 0 .. rows-1, for comparing row orders at a glance.
std::vector<Text> firstColumn(const CellStore& store, int rows)
{
    std::vector<Text> texts;
    for (int row = 0; row < rows; ++row)
        texts.push_back(store.Cells(0, row));
    return texts;
}

struct SizingCase {
    int count;
    int fixedBefore;
    int setTo;
    int countAfter;
    int fixedAfter;
};

class CellStoreSizing : public testing::TestWithParam<SizingCase>
{
};

TEST_P(CellStoreSizing, ColumnCountKeepsFixedColumnsBelowIt)
{
    const SizingCase& c = GetParam();
    CellStore store;
    store.SetColCount(c.count);
    store.SetFixedCols(c.fixedBefore);
    store.SetColCount(c.setTo);
    EXPECT_EQ(store.ColCount(), c.countAfter);
    EXPECT_EQ(store.FixedCols(), c.fixedAfter);
}

TEST_P(CellStoreSizing, RowCountKeepsFixedRowsBelowIt)
{
    const SizingCase& c = GetParam();
    CellStore store;
    store.SetRowCount(c.count);
    store.SetFixedRows(c.fixedBefore);
    store.SetRowCount(c.setTo);
    EXPECT_EQ(store.RowCount(), c.countAfter);
    EXPECT_EQ(store.FixedRows(), c.fixedAfter);
}

INSTANTIATE_TEST_SUITE_P(CellStore, CellStoreSizing,
    testing::Values(SizingCase { .count = 5, .fixedBefore = 1, .setTo = 0, .countAfter = 1, .fixedAfter = 0 },
        SizingCase { .count = 5, .fixedBefore = 1, .setTo = -7, .countAfter = 1, .fixedAfter = 0 },
        SizingCase { .count = 5, .fixedBefore = 1, .setTo = 1, .countAfter = 1, .fixedAfter = 0 },
        SizingCase { .count = 5, .fixedBefore = 2, .setTo = 2, .countAfter = 2, .fixedAfter = 1 },
        SizingCase { .count = 5, .fixedBefore = 2, .setTo = 3, .countAfter = 3, .fixedAfter = 2 },
        SizingCase { .count = 5, .fixedBefore = 0, .setTo = 1, .countAfter = 1, .fixedAfter = 0 },
        SizingCase { .count = 2, .fixedBefore = 1, .setTo = 40, .countAfter = 40, .fixedAfter = 1 },
        SizingCase { .count = 5, .fixedBefore = 4, .setTo = 4, .countAfter = 4, .fixedAfter = 3 }));

struct FixedCase {
    int count;
    int setFixed;
    int fixedAfter;
};

class CellStoreFixedCount : public testing::TestWithParam<FixedCase>
{
};

TEST_P(CellStoreFixedCount, FixedPartStaysBelowTheCount)
{
    CellStore store;
    store.SetColCount(GetParam().count);
    store.SetRowCount(GetParam().count);
    store.SetFixedCols(GetParam().setFixed);
    store.SetFixedRows(GetParam().setFixed);
    EXPECT_EQ(store.FixedCols(), GetParam().fixedAfter);
    EXPECT_EQ(store.FixedRows(), GetParam().fixedAfter);
}

INSTANTIATE_TEST_SUITE_P(CellStore, CellStoreFixedCount,
    testing::Values(FixedCase { .count = 4, .setFixed = 0, .fixedAfter = 0 },
        FixedCase { .count = 4, .setFixed = 3, .fixedAfter = 3 },
        FixedCase { .count = 4, .setFixed = 4, .fixedAfter = 3 },
        FixedCase { .count = 4, .setFixed = 9, .fixedAfter = 3 },
        FixedCase { .count = 1, .setFixed = 1, .fixedAfter = 0 },
        FixedCase { .count = 4, .setFixed = -2, .fixedAfter = 0 }));

TEST(CellStore, ShrinkingCountsKeepsContentsUntilTheyShowAgain)
{
    CellStore store;
    store.SetColCount(4);
    store.SetRowCount(4);
    fill(store, 4, 4);
    store.SetColCount(2);
    store.SetRowCount(2);
    EXPECT_FALSE(store.InGrid(3, 3));
    EXPECT_EQ(store.Cells(3, 3), "3,3");
    store.SetColCount(4);
    store.SetRowCount(4);
    EXPECT_TRUE(store.InGrid(3, 3));
    EXPECT_EQ(store.Cells(3, 3), "3,3");
}

TEST(CellStore, ColumnWidthsFollowTheColumnCount)
{
    CellStore store;
    store.SetColCount(2);
    store.SetColWidths(1, 193);
    store.SetColWidths(2, 99);
    store.SetColWidths(0, -5);
    store.SetColCount(3);
    EXPECT_EQ(store.ColWidths(0), 0);
    EXPECT_EQ(store.ColWidths(1), 193);
    EXPECT_EQ(store.ColWidths(2), CellStore::DefaultColWidth);
    EXPECT_EQ(store.ColWidths(3), 0);
    EXPECT_EQ(store.ColWidths(-1), 0);
}

TEST(CellStore, ColumnsWidthSumsDefaultAndChangedWidths)
{
    CellStore store;
    store.SetColCount(6);
    store.SetColWidths(2, 100);
    store.SetColWidths(4, 10);
    EXPECT_EQ(store.ColumnsWidth(0, 6), 4 * CellStore::DefaultColWidth + 110);
    EXPECT_EQ(store.ColumnsWidth(3, 5), CellStore::DefaultColWidth + 10);
    EXPECT_EQ(store.ColumnsWidth(3, 99), 2 * CellStore::DefaultColWidth + 10);
    EXPECT_EQ(store.ColumnsWidth(4, 4), 0);
    EXPECT_EQ(store.ColumnsWidth(5, 2), 0);
}

TEST(CellStore, HugeCountsCostNothingUntilCellsAreFilled)
{
    CellStore store;
    store.SetColCount(2000000000);
    store.SetRowCount(2000000000);
    store.SetColWidths(1999999999, 7);
    store.SetCells(1999999999, 1999999999, "corner");
    store.ClearRect(0, 1, 1999999999, 1999999998);
    EXPECT_EQ(
        store.ColumnsWidth(0, 2000000000), std::int64_t { 1999999999 } * CellStore::DefaultColWidth + 7);
    EXPECT_EQ(store.Cells(1999999999, 1999999999), "corner");
    store.InsertRow(1);
    EXPECT_EQ(store.RowCount(), 2000000001);
}

TEST(CellStore, ForEachCellVisitsStoredCellsRowByRow)
{
    CellStore store;
    store.SetCells(2, 1, "c");
    store.SetCells(0, 1, "b");
    store.AddCheckBox(5, 0, true, false);
    store.SetCells(1, 3, "outside");
    store.SetCells(7, 1, "outside");
    std::vector<std::string> seen;
    store.ForEachCell(0, 0, 5, 2, [&](int col, int row, const Text& text, const TCellGraphic* graphic) {
        seen.push_back(
            std::to_string(col) + "," + std::to_string(row) + ":" + text + (graphic ? "+box" : ""));
    });
    EXPECT_EQ(seen, (std::vector<std::string> { "5,0:+box", "0,1:b", "2,1:c" }));
}

TEST(CellStore, CellsOutsideTheCountsAreStoredButNotInTheGrid)
{
    CellStore store;
    store.SetColCount(4);
    store.AddCheckBox(18, 2, true, false);
    store.SetCells(18, 2, "far");
    store.SetCells(-1, 0, "ignored");
    EXPECT_FALSE(store.InGrid(18, 2));
    ASSERT_TRUE(store.IsCheckBoxCell(18, 2));
    EXPECT_TRUE(store.Graphic(18, 2)->CellBoolean);
    EXPECT_EQ(store.Cells(18, 2), "far");
    EXPECT_EQ(store.Cells(-1, 0), "");
    EXPECT_EQ(store.Graphic(-1, 0), nullptr);
}

struct CheckBoxCase {
    TVAlignment gridAlignment;
    bool data;
    TCellVAlign cellAlignment;
    TCellType type;
};

class CellStoreCheckBox : public testing::TestWithParam<CheckBoxCase>
{
};

TEST_P(CellStoreCheckBox, NewBoxReplacesTheGraphicAndKeepsTheText)
{
    CellStore store;
    store.VAlignment = GetParam().gridAlignment;
    store.SetCells(1, 1, "name");
    store.AddImageIdx(1, 1, 2, haRight, vaBottom);
    store.AddCheckBox(1, 1, true, GetParam().data);
    const TCellGraphic* box = store.Graphic(1, 1);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->CellType, GetParam().type);
    EXPECT_TRUE(box->CellBoolean);
    EXPECT_EQ(box->CellHAlign, haBeforeText);
    EXPECT_EQ(box->CellVAlign, GetParam().cellAlignment);
    EXPECT_TRUE(box->CellTransparent);
    EXPECT_EQ(store.Cells(1, 1), "name");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(CellStore, CellStoreCheckBox,
    testing::Values(
        CheckBoxCase { .gridAlignment = vtaTop, .data = false, .cellAlignment = vaTop, .type = ctCheckBox },
        CheckBoxCase { .gridAlignment = vtaCenter, .data = false, .cellAlignment = vaCenter,
            .type = ctCheckBox },
        CheckBoxCase { .gridAlignment = vtaBottom, .data = true, .cellAlignment = vaBottom,
            .type = ctDataCheckBox }));
// clang-format on

TEST(CellStore, ImageReplacesCheckBoxAndStateChangesOnlyBoxes)
{
    CellStore store;
    store.AddCheckBox(3, 1, false, false);
    EXPECT_TRUE(store.SetCheckBoxState(3, 1, true));
    store.AddImageIdx(3, 1, 2, haBeforeText, vaTop);
    const TCellGraphic* image = store.Graphic(3, 1);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->CellType, ctImageList);
    EXPECT_EQ(image->CellIndex, 2);
    EXPECT_FALSE(store.IsCheckBoxCell(3, 1));
    EXPECT_FALSE(store.SetCheckBoxState(3, 1, true));
    EXPECT_FALSE(store.SetCheckBoxState(0, 4, true));
    store.RemoveGraphic(3, 1);
    EXPECT_EQ(store.Graphic(3, 1), nullptr);
}

struct ClearCase {
    int col1, row1, col2, row2;
    std::vector<Text> remaining; // texts of the 4x4 block plus the far cell, row by row
};

class CellStoreClearRect : public testing::TestWithParam<ClearCase>
{
};

TEST_P(CellStoreClearRect, EmptiesTextAndGraphicInsideTheRectangleOnly)
{
    CellStore store;
    store.SetColCount(4);
    store.SetRowCount(4);
    fill(store, 4, 4);
    store.SetCells(9, 9, "far");
    for (int row = 0; row < 4; ++row)
        store.AddCheckBox(3, row, true, false);
    const ClearCase& c = GetParam();
    store.ClearRect(c.col1, c.row1, c.col2, c.row2);

    std::vector<Text> remaining;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            if (!store.Cells(col, row).empty())
                remaining.push_back(store.Cells(col, row));
    if (!store.Cells(9, 9).empty())
        remaining.push_back(store.Cells(9, 9));
    EXPECT_EQ(remaining, c.remaining);
    for (int row = 0; row < 4; ++row) {
        const bool cleared = 3 >= c.col1 && 3 <= c.col2 && row >= c.row1 && row <= c.row2;
        EXPECT_EQ(store.Graphic(3, row) == nullptr, cleared) << "row " << row;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(CellStore, CellStoreClearRect,
    testing::Values(
        ClearCase { .col1 = 1, .row1 = 1, .col2 = 2, .row2 = 2,
            .remaining = { "0,0", "1,0", "2,0", "3,0", "0,1", "3,1", "0,2", "3,2", "0,3", "1,3", "2,3", "3,3",
                "far" } },
        ClearCase { .col1 = 0, .row1 = 1, .col2 = 3, .row2 = 3,
            .remaining = { "0,0", "1,0", "2,0", "3,0", "far" } },
        ClearCase { .col1 = 0, .row1 = 1, .col2 = 99, .row2 = 99,
            .remaining = { "0,0", "1,0", "2,0", "3,0" } },
        ClearCase { .col1 = 2, .row1 = 2, .col2 = 1, .row2 = 3,
            .remaining = { "0,0", "1,0", "2,0", "3,0", "0,1", "1,1", "2,1", "3,1", "0,2", "1,2", "2,2", "3,2",
                "0,3", "1,3", "2,3", "3,3", "far" } },
        ClearCase { .col1 = 3, .row1 = 0, .col2 = 3, .row2 = 0,
            .remaining = { "0,0", "1,0", "2,0", "0,1", "1,1", "2,1", "3,1", "0,2", "1,2", "2,2", "3,2", "0,3",
                "1,3", "2,3", "3,3", "far" } }));
// clang-format on

enum class RowOp { Insert, Delete };

struct RowCase {
    RowOp op;
    int row;
    int rowCountAfter;
    std::vector<Text> columnAfter; // column 0 of rows 0 .. 5
};

class CellStoreRows : public testing::TestWithParam<RowCase>
{
};

TEST_P(CellStoreRows, RowsBelowMoveAndHiddenRowsFollow)
{
    CellStore store;
    store.SetRowCount(5);
    for (int row = 0; row < 5; ++row)
        store.SetCells(0, row, "r" + std::to_string(row));
    store.SetCells(0, 7, "hidden");
    const RowCase& c = GetParam();
    if (c.op == RowOp::Insert)
        store.InsertRow(c.row);
    else
        store.DeleteRow(c.row);
    EXPECT_EQ(store.RowCount(), c.rowCountAfter);
    EXPECT_EQ(firstColumn(store, 6), c.columnAfter);
    const int hiddenRow = c.rowCountAfter == 5 ? 7 : (c.rowCountAfter > 5 ? 8 : 6);
    EXPECT_EQ(store.Cells(0, hiddenRow), "hidden");
    EXPECT_FALSE(store.InGrid(0, hiddenRow));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(CellStore, CellStoreRows,
    testing::Values(
        RowCase { .op = RowOp::Insert, .row = 2, .rowCountAfter = 6,
            .columnAfter = { "r0", "r1", "", "r2", "r3", "r4" } },
        RowCase { .op = RowOp::Insert, .row = 0, .rowCountAfter = 6,
            .columnAfter = { "", "r0", "r1", "r2", "r3", "r4" } },
        RowCase { .op = RowOp::Insert, .row = 5, .rowCountAfter = 6,
            .columnAfter = { "r0", "r1", "r2", "r3", "r4", "" } },
        RowCase { .op = RowOp::Delete, .row = 2, .rowCountAfter = 4,
            .columnAfter = { "r0", "r1", "r3", "r4", "", "" } },
        RowCase { .op = RowOp::Delete, .row = 4, .rowCountAfter = 4,
            .columnAfter = { "r0", "r1", "r2", "r3", "", "" } },
        RowCase { .op = RowOp::Insert, .row = 6, .rowCountAfter = 5,
            .columnAfter = { "r0", "r1", "r2", "r3", "r4", "" } },
        RowCase { .op = RowOp::Delete, .row = 5, .rowCountAfter = 5,
            .columnAfter = { "r0", "r1", "r2", "r3", "r4", "" } }));
// clang-format on

TEST(CellStore, AddedRowIsEmptyEvenWhereHiddenContentsLay)
{
    CellStore store;
    store.SetRowCount(2);
    store.SetCells(1, 2, "old");
    store.AddCheckBox(4, 2, true, false);
    store.SetCells(1, 3, "older");
    store.AddRow();
    EXPECT_EQ(store.RowCount(), 3);
    EXPECT_EQ(store.Cells(1, 2), "");
    EXPECT_EQ(store.Graphic(4, 2), nullptr);
    store.SetRowCount(4);
    EXPECT_EQ(store.Cells(1, 3), "older");
}

TEST(CellStore, DeletingTheOnlyRowLowersTheFixedRows)
{
    CellStore store;
    store.SetRowCount(2);
    store.SetFixedRows(1);
    store.DeleteRow(1);
    EXPECT_EQ(store.RowCount(), 1);
    EXPECT_EQ(store.FixedRows(), 0);
}

TEST(CellStore, ColumnHeadersReplaceRowZeroUpToTheColumnCount)
{
    CellStore store;
    store.SetColCount(4);
    store.SetCells(3, 0, "stale");
    store.SetCells(6, 0, "stale hidden");
    store.AddCheckBox(1, 0, true, false);
    store.SetColumnHeaders({ "a", "b", "c" });
    EXPECT_EQ(store.Cells(0, 0), "a");
    EXPECT_EQ(store.Cells(2, 0), "c");
    EXPECT_EQ(store.Cells(3, 0), "");
    EXPECT_EQ(store.Cells(6, 0), "");
    EXPECT_EQ(store.Graphic(1, 0), nullptr);

    store.SetColumnHeaders({ "1", "2", "3", "4", "5" });
    EXPECT_EQ(store.Cells(3, 0), "4");
    EXPECT_EQ(store.Cells(4, 0), "");
}

TEST(CellStore, ColumnHeadersLeaveAGridWithoutFixedRowAlone)
{
    CellStore store;
    store.SetFixedRows(0);
    store.SetCells(0, 0, "data");
    store.SetColumnHeaders({ "title" });
    EXPECT_EQ(store.Cells(0, 0), "data");
    EXPECT_EQ(store.ColumnHeaders(), std::vector<Text> { "title" });
}

TEST(CellStore, ComboItemsKeepTheirOrder)
{
    CellStore store;
    store.AddComboString("x");
    store.ClearComboString();
    store.AddComboString("\xD5\xFD\xB3\xA3"); // 正常
    store.AddComboString("\xD4\xDD\xCD\xA3"); // 暂停
    EXPECT_EQ(store.ComboItems(), (std::vector<Text> { "\xD5\xFD\xB3\xA3", "\xD4\xDD\xCD\xA3" }));
}

TEST(CellStore, ListenerHearsEveryKindOfChange)
{
    CellStore store;
    std::vector<std::string> heard;
    store.SetChangeListener([&](CellStore::Change change, int col, int row) {
        const char* kind = change == CellStore::Change::Cell ? "cell"
            : change == CellStore::Change::Layout            ? "layout"
                                                             : "contents";
        heard.push_back(std::string(kind) + " " + std::to_string(col) + "," + std::to_string(row));
    });
    store.SetCells(2, 3, "x");
    store.AddCheckBox(1, 1, false, false);
    store.SetRowCount(9);
    store.ClearRect(0, 0, 4, 4);
    EXPECT_EQ(heard, (std::vector<std::string> { "cell 2,3", "cell 1,1", "layout -1,-1", "contents -1,-1" }));
}

}
