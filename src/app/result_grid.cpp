#include "app/result_grid.h"

#include "app/result_grid_layout.h"
#include "app/window_font.h"
#include "check/back_link.h"
#include "check/check_outcome.h"
#include "check/link_counts.h"
#include "grid/cell_grid.h"

#include <QPalette>
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>

namespace {

constexpr int columnWidths[ResultColCount] = { 30, 60, 178, 250, 77 };

constexpr char tookHead[] = "\xD3\xC3\xCA\xB1 "; // 用时 ("took")
constexpr char milliseconds[] = " \xBA\xC1\xC3\xEB"; // 毫秒
constexpr char seconds[] = " \xC3\xEB"; // 秒
constexpr char previousHead[] = "\xC9\xCF\xB4\xCE: "; // 上次: ("last time: ")

// Under a second in milliseconds, from a second on in seconds to two places.
Text fetchDuration(std::int64_t ms)
{
    ms = std::max<std::int64_t>(ms, 0);
    if (ms < 1000)
        return tookHead + std::to_string(ms) + milliseconds;
    const std::int64_t hundredths = (ms + 5) / 10;
    const char fraction[]
        = { static_cast<char>('0' + hundredths % 100 / 10), static_cast<char>('0' + hundredths % 10), 0 };
    return tookHead + std::to_string(hundredths / 100) + "." + fraction + seconds;
}

// "MM-DD HH:MM" in local time.
Text localMinute(std::int64_t secondsSince1970)
{
    const std::time_t time = static_cast<std::time_t>(secondsSince1970);
    std::tm local {};
    char text[32] = {};
    if (!localtime_r(&time, &local) || std::strftime(text, sizeof(text), "%m-%d %H:%M", &local) == 0)
        return Text();
    return text;
}

}

void SetUpResultGrid(TCellGrid& grid)
{
    grid.setObjectName(QStringLiteral("RunGrid"));
    grid.SetColCount(ResultColCount);
    grid.SetRowCount(2);
    grid.SetFixedCols(0);
    grid.SetFixedRows(FirstResultRow);
    // 序号 (number), 公司名称 (company name), 网站 (web site), 查询情况 (check result)
    grid.SetColumnHeaders({ "\xD0\xF2\xBA\xC5", "\xB9\xAB\xCB\xBE\xC3\xFB\xB3\xC6", "\xCD\xF8\xD5\xBE",
        "\xB2\xE9\xD1\xAF\xC7\xE9\xBF\xF6" });
    for (int col = 0; col < ResultColCount; ++col)
        grid.SetColWidths(col, columnWidths[col]);
    grid.SetDefaultRowHeight(17);
    grid.SetFixedRowHeight(17);
    grid.SetOptions(
        { goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goColSizing, goEditing });
    grid.SetMultilinecells(false);
    grid.SetURLShow(true);
    // Verdict cells of finished rows answer with a hint; every other cell has none.
    grid.ShowHint = true;
    grid.SetVAlignment(vtaTop);
    const QFont font = WindowFont(QStringLiteral("Verdana"));
    grid.SetFont(font);
    grid.SetFixedFont(font);
    grid.SetColor(grid.palette().color(QPalette::Button));
    grid.SetSelectionColor(grid.palette().color(QPalette::Base));
    grid.SetSelectionTextColor(grid.palette().color(QPalette::HighlightedText));
    grid.MouseActions.DirectEdit = true;
    grid.Navigation.AllowInsertRow = true;
    grid.Navigation.AllowDeleteRow = true;
    grid.Navigation.AdvanceOnEnter = true;
    grid.Navigation.AdvanceInsert = true;
    grid.Navigation.AdvanceAuto = true;
    grid.Navigation.AdvanceDirection = adLeftRight;
    grid.Navigation.InsertPosition = pInsertBefore;
}

bool ResultCellEditable(int ACol) { return ACol == ResultCheckBoxCol; }

void AlignResultCell(int ARow, int ACol, TAlignment& HAlign)
{
    if (ARow == 0 || ACol != ResultNameCol)
        HAlign = taCenter;
}

void UntickAllResultRows(TCellGrid& grid)
{
    for (int row = FirstResultRow; row < grid.RowCount(); ++row)
        grid.AddCheckBox(ResultCheckBoxCol, row, false, false);
}

Text VerdictHint(const CheckOutcome& outcome, const std::optional<HistoryEntry>& previous)
{
    Text hint = OutcomeReason(outcome) + "\r\n" + LinkCountsLine(outcome) + "\r\n";
    if (const Text backLine = BackLinkLine(outcome); !backLine.empty())
        hint += backLine + "\r\n";
    hint += fetchDuration(outcome.ms);
    if (previous)
        hint += "\r\n" + (previousHead + previous->verdict) + " " + localMinute(previous->checkedAt);
    return hint;
}
