#include "grid/cell_grid.h"

#include <QApplication>
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
    std::string pattern = (fs::temp_directory_path() / "cell_grid_file_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path file = fs::path(pattern) / "list.ini";
    std::ofstream(file, std::ios::binary) << "4,3\r\n0,1,a\r\n0,2,b\r\n0,3,c\r\n";

    TCellGrid grid;
    grid.Store().StoreFixedCells = false;
    Text seen = "not run";
    QTimer::singleShot(0, &grid, [&] { seen = grid.Cells(0, 1) + grid.Cells(0, 2) + grid.Cells(0, 3); });
    grid.LoadFromFile(file.string());
    EXPECT_EQ(seen, "a");
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cells(0, 3), "c");
    fs::remove_all(pattern);
}

}
