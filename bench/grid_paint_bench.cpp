// Painting and scrolling a 10 000-row grid, as the result grid looks after a
// long run: numbers, names, link addresses, verdicts and a check box per row.
// A full repaint of the visible area must stay well under a 16 ms frame.

#include "grid/cell_grid.h"
#include "qt_bench_main.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

namespace {

constexpr int Rows = 10000;

std::unique_ptr<TCellGrid> makeGrid()
{
    auto grid = std::make_unique<TCellGrid>();
    grid->resize(800, 600);
    grid->SetColCount(5);
    grid->SetRowCount(Rows + 1);
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);
    grid->SetURLShow(true);
    const int widths[] = { 50, 120, 250, 250, 77 };
    for (int col = 0; col < 5; ++col)
        grid->SetColWidths(col, widths[col]);
    grid->SetColumnHeaders({ "No", "Name", "Site", "Result" });
    grid->OnGetAlignment = [](QObject*, int ARow, int ACol, TAlignment& HAlign, TVAlignment&) {
        if (ARow == 0 || ACol != 1)
            HAlign = taCenter;
    };
    for (int row = 1; row <= Rows; ++row) {
        grid->SetCells(0, row, std::to_string(row));
        grid->SetCells(1, row, "company " + std::to_string(row));
        grid->SetCells(2, row, "http://site" + std::to_string(row) + ".example/links.htm");
        grid->SetCells(3, row,
            row % 3 == 0 ? "OK!" : "\xC3\xBB\xD3\xD0\xB7\xA2\xCF\xD6\xC4\xBF\xB1\xEA\xC1\xB4\xBD\xD3");
        grid->AddCheckBox(4, row, row % 7 == 0, false);
    }
    grid->show();
    QCoreApplication::processEvents();
    return grid;
}

void paintVisibleArea(TCellGrid& grid, QImage& target)
{
    QPainter painter(&target);
    grid.viewport()->render(&painter);
}

void BM_FullRepaintOfVisibleArea(benchmark::State& state)
{
    const auto grid = makeGrid();
    grid->verticalScrollBar()->setValue(Rows / 2);
    QImage target(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        paintVisibleArea(*grid, target);
    state.counters["visible_rows"]
        = static_cast<double>(grid->viewport()->height() / grid->DefaultRowHeight());
}
BENCHMARK(BM_FullRepaintOfVisibleArea)->Unit(benchmark::kMillisecond);

void BM_ScrollOneRowAndRepaint(benchmark::State& state)
{
    const auto grid = makeGrid();
    QScrollBar* bar = grid->verticalScrollBar();
    QImage target(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        bar->setValue(bar->value() + 1 > bar->maximum() ? 0 : bar->value() + 1);
        paintVisibleArea(*grid, target);
    }
}
BENCHMARK(BM_ScrollOneRowAndRepaint)->Unit(benchmark::kMillisecond);

void BM_PageDownAndRepaint(benchmark::State& state)
{
    const auto grid = makeGrid();
    QScrollBar* bar = grid->verticalScrollBar();
    QImage target(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        paintVisibleArea(*grid, target);
    }
}
BENCHMARK(BM_PageDownAndRepaint)->Unit(benchmark::kMillisecond);

}

int main(int argc, char** argv)
{
    RunQtBenchmarks(argc, argv);
    return 0;
}
