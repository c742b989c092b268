#include "grid_store/grid_file.h"

#include "base/digit_value.h"
#include "base/gbk_codec.h"
#include "grid_store/grid_error.h"
#include "grid_store/grid_file_reader.h"
#include "grid_store/grid_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr char LineEnd[] = "\r\n";
// Only this many bytes after the comma of a width line are read as the width.
constexpr std::size_t WidthFieldLength = 255;
// Up to this many stored columns every column has its width line. Beyond it
// only widths that differ from the default are written: a damaged size line
// may claim billions of columns, and the reader gives the default width to
// every column that the size line adds.
constexpr int AllWidthLinesColumnLimit = 10000;
constexpr std::size_t CopyPieceSize = 1 << 16;

int saturatingAdd(int a, int b)
{
    const std::int64_t sum = std::int64_t { a } + b;
    return sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : static_cast<int>(sum);
}

// Takes the bytes before the first comma of rest as a field and drops them
// together with the comma. Without a comma the field is empty and rest
// stays whole.
std::string_view cutField(std::string_view& rest)
{
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos)
        return {};
    const std::string_view field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return field;
}

void applySizeLine(CellStore& grid, std::string_view line)
{
    const std::size_t comma = line.find(',');
    const int cols = comma == std::string_view::npos ? 0 : GridFileNumber(line.substr(0, comma));
    const int rows = GridFileNumber(comma == std::string_view::npos ? line : line.substr(comma + 1));
    // The fixed counts are read one after the other, because setting the
    // column count may lower the fixed columns it is added to.
    grid.SetColCount(saturatingAdd(cols, grid.StoreFixedCells ? 0 : grid.FixedCols()));
    grid.SetRowCount(saturatingAdd(rows, grid.StoreFixedCells ? 0 : grid.FixedRows()));
}

void applyWidthLine(CellStore& grid, std::string_view line)
{
    // A width line without a comma names no width; it is skipped rather
    // than read as a width of 0 for column 0.
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos)
        return;
    const int col = comma > 3 ? GridFileNumber(line.substr(3, comma - 3)) : 0;
    const int width = GridFileNumber(line.substr(comma + 1, WidthFieldLength));
    if (col >= 0 && col < grid.ColCount())
        grid.SetColWidths(col, width);
}

// False when the line names a cell outside the grid, which is then skipped.
bool applyCellLine(CellStore& grid, std::string_view line)
{
    std::string_view rest = line;
    const int col = GridFileNumber(cutField(rest));
    const int row = GridFileNumber(cutField(rest));
    // A grid that keeps its fixed cells out of the file takes none from it
    // either: such a line is damage, a cell line cut short, for example,
    // and would write over a title.
    if (!grid.InGrid(col, row) || (!grid.StoreFixedCells && grid.IsFixed(col, row)))
        return false;
    grid.SetCells(col, row, DecodeCellText(Text(rest)));
    return true;
}

// A size line holds one comma; a first line with two held a cell's fields.
bool looksLikeCellLine(std::string_view line)
{
    const std::size_t comma = line.find(',');
    return comma != std::string_view::npos && line.find(',', comma + 1) != std::string_view::npos;
}

void writeWidthLines(GridFileWriter& file, const CellStore& grid, int firstCol)
{
    const auto writeWidth = [&file](int col, int width) {
        file.Write("cw " + std::to_string(col) + "," + std::to_string(width) + LineEnd);
    };
    if (grid.ColCount() - firstCol > AllWidthLinesColumnLimit) {
        grid.ForEachOtherColWidth(firstCol, writeWidth);
        return;
    }
    for (int col = firstCol; col < grid.ColCount(); ++col)
        writeWidth(col, grid.ColWidths(col));
}

// A list the reader refuses for its size holds nothing the grid has: a save
// in its place would lose the list, so the file is kept and the save refused.
void keepRefusedList(const Text& FileName)
{
    try {
        const GridFileReader existing(FileName);
    } catch (const EGridError& error) {
        if (std::string_view(error.what()).starts_with("Cannot read "))
            throw EGridError("Cannot Create " + FileName + ": " + error.what() + "; the file is kept");
    }
}

} // namespace

int GridFileNumber(std::string_view field)
{
    std::size_t at = 0;
    while (at < field.size() && field[at] == ' ')
        ++at;
    bool negative = false;
    if (at < field.size() && (field[at] == '+' || field[at] == '-'))
        negative = field[at++] == '-';
    int base = 10;
    if (at < field.size() && (field[at] == '$' || field[at] == 'x' || field[at] == 'X')) {
        base = 16;
        ++at;
    } else if (field.substr(at, 2) == "0x") {
        base = 16;
        at += 2;
    }
    const std::int64_t limit = negative ? -std::int64_t { INT_MIN } : INT_MAX;
    std::int64_t value = 0;
    for (; at < field.size(); ++at) {
        const int digit = base == 16 ? HexDigitValue(field[at]) : DecimalDigitValue(field[at]);
        if (digit < 0)
            break;
        value = std::min(value * base + digit, limit);
    }
    return static_cast<int>(negative ? -value : value);
}

Text EncodeCellText(const Text& text)
{
    if (text.find('\r') == Text::npos && text.find('\n') == Text::npos)
        return text;
    // A text with line breaks but no CR has its LFs written as BS too, so
    // no cell line ever breaks. Its LFs read back as LFs; its TABs stay TABs
    // and read back as CRs, as the reader cannot tell them apart.
    Text encoded = text;
    for (char& c : encoded) {
        if (c == '\r')
            c = '\t';
        else if (c == '\n')
            c = '\b';
    }
    return encoded;
}

Text DecodeCellText(const Text& text)
{
    if (text.find('\b') == Text::npos)
        return text;
    // Each byte maps on its own, so a text decodes to exactly the CRs and LFs
    // it was written with, lone ones included.
    Text decoded = text;
    for (char& c : decoded) {
        if (c == '\t')
            c = '\r';
        else if (c == '\b')
            c = '\n';
    }
    return decoded;
}

void SaveToFile(const CellStore& Grid, const Text& FileName)
{
    const int firstCol = Grid.StoreFixedCells ? 0 : Grid.FixedCols();
    const int firstRow = Grid.StoreFixedCells ? 0 : Grid.FixedRows();
    keepRefusedList(FileName);
    GridFileWriter file(FileName);
    file.Write(std::to_string(Grid.ColCount() - firstCol) + "," + std::to_string(Grid.RowCount() - firstRow)
        + LineEnd);
    writeWidthLines(file, Grid, firstCol);
    Grid.ForEachCell(firstCol, firstRow, Grid.ColCount() - 1, Grid.RowCount() - 1,
        [&file](int col, int row, const Text& text, const TCellGraphic*) {
            if (!text.empty())
                file.Write(
                    std::to_string(col) + "," + std::to_string(row) + "," + EncodeCellText(text) + LineEnd);
        });
    file.Commit();
}

GridLoadReport LoadFromFile(CellStore& Grid, const Text& FileName, const GridProcessEvents& ProcessEvents)
{
    GridFileReader file(FileName);
    GridLoadReport report;
    Text line;
    if (!file.ReadLine(line))
        return report;
    if (looksLikeCellLine(line))
        ++report.skippedCellLines;
    if (!line.empty())
        applySizeLine(Grid, line);
    while (file.ReadLine(line)) {
        // A blank line holds no cell; an editor may leave one at the end.
        if (line.empty())
            continue;
        if (line.starts_with("cw")) {
            applyWidthLine(Grid, line);
            continue;
        }
        if (!applyCellLine(Grid, line))
            ++report.skippedCellLines;
        if (ProcessEvents)
            ProcessEvents();
    }
    return report;
}

void CopyGridFile(const Text& FromName, const Text& ToName)
{
    std::ifstream from(GbkToUtf8(FromName), std::ios::binary);
    if (!from)
        throw EGridError("Cannot open file " + FromName);
    GridFileWriter copy(ToName);
    Text piece(CopyPieceSize, '\0');
    while (from) {
        from.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        copy.Write(piece.substr(0, static_cast<std::size_t>(from.gcount())));
    }
    if (from.bad())
        throw std::system_error(errno, std::generic_category(), "Cannot read " + GbkToUtf8(FromName));
    copy.Commit();
}
