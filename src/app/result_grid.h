#pragma once

#include "grid/grid_types.h"

class TCellGrid;

// The result grid's layout and the answers of its event handlers, shared by
// the main window and its tests. GUI thread only; nothing here fails.

// Column headers "序号", "公司名称", "网站", "查询情况" (column 4 untitled),
// the column widths, one fixed row, two rows, editing on and links shown.
void SetUpResultGrid(TCellGrid& grid);

// Only the check boxes of column 4 may be edited.
bool ResultCellEditable(int ACol);

// The header row and columns 0, 2, 3 and 4 are centred; column 1 keeps the
// alignment it was given.
void AlignResultCell(int ARow, int ACol, TAlignment& HAlign);
