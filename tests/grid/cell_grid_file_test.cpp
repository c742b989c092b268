#include "grid/cell_grid.h"
#include "support/scratch_folder.h"

#include <QApplication>
#include <QScrollBar>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// The widget's load lets the window's events run between cell lines; they
// see the grid as far as it is loaded.
TEST(CellGridFile, EventsRunWhileTheFileLoads)
{
    const ScratchFolder folder("cell_grid_file");
    ASSERT_FALSE(folder.Path().empty());
    const fs::path file = folder.Path() / "list.ini";
    std::ofstream(file, std::ios::binary) << "4,3\r\n1,1,a\r\n1,2,b\r\n1,3,c\r\n";

    TCellGrid grid;
    grid.Store().StoreFixedCells = false;
    Text seen = "not run";
    QTimer::singleShot(0, &grid, [&] { seen = grid.Cells(1, 1) + grid.Cells(1, 2) + grid.Cells(1, 3); });
    grid.LoadFromFile(file.string());
    EXPECT_EQ(seen, "a");
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cells(1, 3), "c");
}

// Counts and widths read from the file reach the scroll range once the load
// is over, also when the file holds thousands of width lines.
TEST(CellGridFile, LayoutFollowsTheLoadedWidths)
{
    const ScratchFolder folder("cell_grid_file");
    ASSERT_FALSE(folder.Path().empty());
    const fs::path file = folder.Path() / "wide.ini";
    {
        std::ofstream out(file, std::ios::binary);
        out << "20000,1\r\n";
        for (int col = 0; col < 20000; ++col)
            out << "cw " << col << ",100\r\n";
    }
    TCellGrid grid;
    grid.Store().StoreFixedCells = false;
    grid.resize(400, 200);
    const int rangeBefore = grid.horizontalScrollBar()->maximum();
    grid.LoadFromFile(file.string());
    EXPECT_EQ(grid.ColCount(), 20000 + grid.FixedCols());
    EXPECT_EQ(grid.ColWidths(19999), 100);
    EXPECT_GT(grid.horizontalScrollBar()->maximum(), rangeBefore);
}

// A load that fails still leaves the grid laid out for what it holds.
TEST(CellGridFile, FailedLoadKeepsTheGridUsable)
{
    TCellGrid grid;
    EXPECT_ANY_THROW(grid.LoadFromFile("/nonexistent/folder/list.ini"));
    grid.Store().SetColCount(300);
    EXPECT_GT(grid.horizontalScrollBar()->maximum(), 0);
}

}
