// Loading and saving a site list of 100 000 entries (400 000 cell lines)
// through the grid widget, with the event pump the window uses in place and
// the grid shown, so every loaded cell also asks for its repaint. Each must
// stay well under a second. StoreOnly loads the same file into a bare cell
// store with no event callback, for comparison.

#include "grid/cell_grid.h"
#include "grid_store/grid_file.h"
#include "qt_bench_main.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int Entries = 100000;

// Statuses 正常, 暂停, 死亡 as GBK bytes.
const Text Statuses[] = { "\xD5\xFD\xB3\xA3", "\xD4\xDD\xCD\xA3", "\xCB\xC0\xCD\xF6" };

void shapeLikeSiteList(CellStore& store)
{
    store.SetColCount(4);
    store.SetRowCount(5);
    store.SetFixedCols(0);
    store.SetFixedRows(1);
    store.StoreFixedCells = false;
}

std::unique_ptr<TCellGrid> siteListGrid()
{
    auto grid = std::make_unique<TCellGrid>();
    shapeLikeSiteList(grid->Store());
    grid->SetMultilinecells(true);
    grid->resize(605, 146);
    grid->show();
    return grid;
}

// A file of Entries filled site entries, written once for all runs.
const std::string& siteListFile()
{
    static const std::string name = [] {
        CellStore store;
        shapeLikeSiteList(store);
        store.SetRowCount(Entries + 1);
        for (int row = 1; row <= Entries; ++row) {
            const std::string n = std::to_string(row);
            store.SetCells(0, row, "\xCD\xF8\xD5\xBE site " + n);
            store.SetCells(1, row, "http://www.partner" + n + ".example/links/friends.htm");
            store.SetCells(2, row, "<a href=\"http://linkwatch.example/\">LinkWatch</a>");
            store.SetCells(3, row, Statuses[row % 3]);
        }
        const std::string file = (fs::temp_directory_path() / "site_list_file_bench.ini").string();
        SaveToFile(store, file);
        return file;
    }();
    return name;
}

void LoadSiteList(benchmark::State& state)
{
    const std::string& file = siteListFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = siteListGrid();
        state.ResumeTiming();
        grid->LoadFromFile(file);
        benchmark::DoNotOptimize(grid->RowCount());
        state.PauseTiming();
        if (grid->RowCount() != Entries + 1)
            state.SkipWithError("the list did not load whole");
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(LoadSiteList)->Unit(benchmark::kMillisecond)->Iterations(5);

void SaveSiteList(benchmark::State& state)
{
    auto grid = siteListGrid();
    grid->LoadFromFile(siteListFile());
    const std::string target = (fs::temp_directory_path() / "site_list_file_bench_saved.ini").string();
    for (auto _ : state)
        grid->SaveToFile(target);
    if (fs::file_size(target) != fs::file_size(siteListFile()))
        state.SkipWithError("the saved list differs in size");
    fs::remove(target);
}
BENCHMARK(SaveSiteList)->Unit(benchmark::kMillisecond)->Iterations(5);

// A damaged size line claims two billion columns and rows: the save writes
// the cells and widths the list holds, not a width line per column.
void SaveDamagedSiteList(benchmark::State& state)
{
    CellStore store;
    shapeLikeSiteList(store);
    store.SetColCount(2000000000);
    store.SetRowCount(2000000001);
    store.SetColWidths(0, 90);
    store.SetCells(0, 1, "Alpha");
    store.SetCells(1999999999, 1999999999, "far");
    const std::string target = (fs::temp_directory_path() / "site_list_file_bench_damaged.ini").string();
    for (auto _ : state)
        SaveToFile(store, target);
    if (fs::file_size(target) > 1000)
        state.SkipWithError("the damaged list was written out in full");
    fs::remove(target);
}
BENCHMARK(SaveDamagedSiteList)->Unit(benchmark::kMillisecond)->Iterations(5);

void LoadSiteListStoreOnly(benchmark::State& state)
{
    const std::string& file = siteListFile();
    for (auto _ : state) {
        CellStore store;
        shapeLikeSiteList(store);
        LoadFromFile(store, file);
        benchmark::DoNotOptimize(store.RowCount());
    }
}
BENCHMARK(LoadSiteListStoreOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

}

int main(int argc, char** argv)
{
    RunQtBenchmarks(argc, argv);
    fs::remove(siteListFile());
    return 0;
}
