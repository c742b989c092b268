#pragma once

#include "base/text.h"
#include "grid_store/grid_types.h"
#include "history/history_entry.h"

#include <optional>

class TCellGrid;
struct CheckOutcome;

// The result grid's set-up and the answers of its event handlers, shared by
// the main window, the check run and tests; its columns, rows and texts are
// named in result_grid_layout.h. GUI thread only; nothing here fails.

// Column headers "序号", "公司名称", "网站", "查询情况" (the check box column untitled),
// the column widths, one fixed row, two rows, editing on, links and hints shown.
void SetUpResultGrid(TCellGrid& grid);

// Only the check boxes may be edited.
bool ResultCellEditable(int ACol);

// The header row and every column but the name are centred; the name keeps
// the alignment it was given.
void AlignResultCell(int ARow, int ACol, TAlignment& HAlign);

// Clears the tick of every result row's check box, giving a row without one
// an unticked box.
void UntickAllResultRows(TCellGrid& grid);

// The hint of a verdict cell whose row's fetch has finished: the reason
// sentence, then whether the link counts ("计入: 是，锚文本: …", "计入: 否 — …",
// "计入: 未知 — …"), then how long the fetch took ("用时 87 毫秒", "用时 1.23 秒"),
// then, when history holds the site's result from before this run, its
// verdict and local time ("上次: OK! 12-07 10:00").
Text VerdictHint(const CheckOutcome& outcome, const std::optional<HistoryEntry>& previous = std::nullopt);
