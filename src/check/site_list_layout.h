#pragma once

#include "grid_store/cell_store.h"

// The site list grid's layout, shared by the window, the command-line tool
// and tests: one title row, then one entry per row in four columns. The file
// holds the entries only.

// Columns of the site list.
inline constexpr int SiteNameCol = 0;
inline constexpr int SiteAddressCol = 1;
inline constexpr int SiteQueryCol = 2;
inline constexpr int SiteStatusCol = 3;
inline constexpr int SiteListColCount = 4;

// The row below the title row: the first entry's.
inline constexpr int FirstSiteRow = 1;

// Gives store the site list's columns and title row, without a fixed
// column, and room for four entries until a file says otherwise.
inline void ShapeSiteList(CellStore& store)
{
    store.SetColCount(SiteListColCount);
    store.SetRowCount(5);
    store.SetFixedCols(0);
    store.SetFixedRows(FirstSiteRow);
}

// Leaves the title row out of the file: its size line counts the entries
// only, and the titles are neither written nor read.
inline void KeepTitlesOutOfFile(CellStore& store) { store.StoreFixedCells = false; }

// A store of the site list's shape, ready to load its file into.
inline CellStore SiteListStore()
{
    CellStore store;
    ShapeSiteList(store);
    KeepTitlesOutOfFile(store);
    return store;
}
