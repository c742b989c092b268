#pragma once

#include "base/text.h"
#include "grid_store/cell_store.h"

#include <cstdint>
#include <functional>
#include <string_view>

// The grid file: the plain-text form in which a grid keeps its size, its
// column widths and its non-empty cell texts. Every line ends with CR LF:
//
//   C,R            the column and row counts of the stored area
//   cw c,w         one per stored column: absolute column index, width
//                  (a column without one keeps its width; one the size line
//                  adds has the default width)
//   c,r,text       one per stored non-empty cell, row by row, absolute
//                  coordinates; the text runs to the end of the line
//
// The stored area leaves out the fixed rows and columns when the store's
// StoreFixedCells is off. Line breaks inside a cell text are written as TAB
// (for CR) and BS (for LF), so a cell line never breaks; a text with an LF
// but no CR has only its LFs written as BS.
//
// Both functions run on the thread that owns the store, block on file I/O
// and catch nothing. The file name is GBK text; the file system sees it in
// its own encoding (UTF-8).

// Called by LoadFromFile after every cell line, so the window can handle
// its pending events while a long file loads. It may look at the store and
// change it; the reader keeps no reference into the store between lines.
using GridProcessEvents = std::function<void()>;

// Writes the stored area of Grid to FileName, replacing the file only once
// the whole file is written, or writing it in place where a replacement would
// show (see GridFileWriter). Beyond 10 000 stored columns only the widths that
// differ from the default get a width line, so a damaged count costs nothing.
// Raises EGridError "Cannot Create " + FileName when the file cannot be
// created, or when the file there is one LoadFromFile refuses for its size
// or a line's (the grid then holds none of it, and the file is kept);
// std::system_error when reading that file or writing fails part way, in
// which case a replaced file is left as it was.
void SaveToFile(const CellStore& Grid, const Text& FileName);

// What a load could not take in under the reading rules: cell lines outside
// the counts, and a first line that held a cell line's fields but was read
// as the size line. Their texts are not in the grid, so a save would lose them.
struct GridLoadReport {
    std::int64_t skippedCellLines = 0;
};

// Reads FileName into Grid: sets the counts, the column widths and the cell
// texts that the file names, and nothing else; cells the file does not name
// keep their texts. Malformed lines are applied as far as they make sense
// and out-of-range lines are skipped (and counted); no content raises an
// error. The file must be a plain file within the reader's bounds (64 MiB,
// lines of 16 MiB; see GridFileReader). Raises EGridError "Cannot open file "
// + FileName when the file cannot be opened, or with ": not a plain file"
// after it for a pipe or a device; EGridError "Cannot read " + FileName and
// the bound it passes; std::system_error when reading fails. The whole file
// is read before the first line is applied, so on any error Grid is unchanged.
GridLoadReport LoadFromFile(
    CellStore& Grid, const Text& FileName, const GridProcessEvents& ProcessEvents = {});

// Copies the file FromName byte for byte to ToName, which is replaced only
// once the copy is whole. Raises EGridError "Cannot open file " + FromName or
// "Cannot Create " + ToName; std::system_error when a read or write fails.
void CopyGridFile(const Text& FromName, const Text& ToName);

// The number rule of the grid file: leading blanks, an optional sign, then
// decimal digits, or hexadecimal digits after "$", "x", "X" or "0x". Reading
// stops at the first byte that does not fit and keeps the value read so far;
// nothing readable gives 0. A value beyond the int range is held at the
// nearest end of the range.
int GridFileNumber(std::string_view field);

// The line-break encoding of a cell text on writing and on reading.
Text EncodeCellText(const Text& text);
Text DecodeCellText(const Text& text);
