#pragma once

#include "base/text.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

// Every table linkwatch-cli prints (results, history, changes) goes through
// one writer: the caller names the columns and hands over rows of cells, the
// writer owns the formats, the encoding and the quoting. Rows are written as
// they come, so a long history never sits in memory twice. Texts come in as
// the system keeps them (GBK bytes) and are converted once, here, into the
// output's encoding. Qt-free; used by one thread; nothing here blocks or
// throws but for want of memory or a failing stream.

enum class OutputFormat {
    Text, // the table's leading columns, tab-separated, no header
    Tsv, // a header line, then tab-separated columns
    Csv, // a header line, RFC 4180 quoting, CR LF line ends; a byte-order mark when in UTF-8
    Json, // one array of objects, absent values null; always UTF-8
};
// No control byte of a text reaches the output as such: in the text format
// tabs and line breaks become blanks and the others are written out as
// \xNN; in tsv all of them become blanks, in csv all but the tabs and line
// breaks the quotes hold; json escapes them. A tsv or csv text that a
// spreadsheet would run as a formula (one beginning with =, +, -, @, a tab
// or a CR) gets a leading '.

enum class OutputEncoding {
    Utf8,
    Gbk,
};

// A cell is absent (empty in tsv and csv, null in json), a number, or a text in GBK.
using TableCell = std::variant<std::monostate, std::int64_t, Text>;
using TableRow = std::vector<TableCell>;

struct TableLayout {
    // The header line of tsv and csv, and the keys of json; every row has one cell each.
    std::vector<const char*> columns;
    // How many of the leading columns the text format shows.
    std::size_t textColumns = 0;
};

class TableWriter
{
public:
    // Writes what comes before the rows: a byte-order mark and the header
    // line, or the array's opening bracket.
    TableWriter(const TableLayout& layout, OutputFormat format, OutputEncoding encoding, std::ostream& out);
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    void writeRow(const TableRow& row);
    // Writes what follows the last row; the table is complete only after it.
    void finish();

private:
    void writeLine(const TableRow& row);
    void writeObject(const TableRow& row);

    const TableLayout& m_layout;
    OutputFormat m_format;
    OutputEncoding m_encoding;
    std::ostream& m_out;
    std::size_t m_rows = 0;
};

// A text as the output's encoding writes it. Bytes that are not valid GBK
// become U+FFFD in UTF-8 and "?" in GBK, so the output is always valid.
std::string encodedText(const Text& gbk, OutputEncoding encoding);
