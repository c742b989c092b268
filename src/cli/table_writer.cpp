#include "cli/table_writer.h"

#include "base/gbk_codec.h"
#include "cli/control_bytes.h"

#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>

namespace {

constexpr char byteOrderMark[] = "\xEF\xBB\xBF";

// A cell as the output's encoding writes it; empty for an absent value.
std::string cellText(const TableCell& cell, OutputEncoding encoding)
{
    if (const auto* number = std::get_if<std::int64_t>(&cell))
        return std::to_string(*number);
    const auto* text = std::get_if<Text>(&cell);
    return text ? encodedText(*text, encoding) : std::string();
}

// Names come from the list and reasons and locations from partner servers:
// a text a spreadsheet would take for a formula is kept a text.
std::string formulaGuarded(const TableCell& cell, std::string field)
{
    if (std::holds_alternative<Text>(cell) && !field.empty()
        && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos)
        field.insert(0, 1, '\'');
    return field;
}

// A field of the text format: line breaks and tabs become blanks, so that
// every row stays one line of fields, and other control bytes are written out.
std::string textField(const TableCell& cell, OutputEncoding encoding)
{
    std::string field = cellText(cell, encoding);
    for (char& c : field) {
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    }
    return defusedText(field, ControlBytes::Escaped);
}

// A field of tsv: every control byte, tabs and line breaks included, becomes a blank.
std::string tsvField(const TableCell& cell, OutputEncoding encoding)
{
    return defusedText(formulaGuarded(cell, cellText(cell, encoding)), ControlBytes::Blanked);
}

// A field of csv: tabs and line breaks stay inside the quotes, other control bytes become blanks.
std::string csvField(const TableCell& cell, OutputEncoding encoding)
{
    const std::string field
        = defusedText(formulaGuarded(cell, cellText(cell, encoding)), ControlBytes::Blanked, "\t\r\n");
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string lineField(OutputFormat format, const TableCell& cell, OutputEncoding encoding)
{
    if (format == OutputFormat::Csv)
        return csvField(cell, encoding);
    return format == OutputFormat::Tsv ? tsvField(cell, encoding) : textField(cell, encoding);
}

nlohmann::ordered_json jsonValue(const TableCell& cell)
{
    if (const auto* number = std::get_if<std::int64_t>(&cell))
        return *number;
    if (const auto* text = std::get_if<Text>(&cell))
        return GbkToUtf8(*text);
    return nullptr;
}

}

TableWriter::TableWriter(
    const TableLayout& layout, OutputFormat format, OutputEncoding encoding, std::ostream& out)
    : m_layout(layout)
    , m_format(format)
    , m_encoding(encoding)
    , m_out(out)
{
    if (format == OutputFormat::Json) {
        m_out << '[';
        return;
    }
    const bool csv = format == OutputFormat::Csv;
    if (csv && encoding == OutputEncoding::Utf8)
        m_out << byteOrderMark;
    if (format == OutputFormat::Text)
        return;
    for (std::size_t column = 0; column < layout.columns.size(); ++column)
        m_out << (column ? (csv ? "," : "\t") : "") << layout.columns[column];
    m_out << (csv ? "\r\n" : "\n");
}

void TableWriter::writeRow(const TableRow& row)
{
    if (m_format == OutputFormat::Json)
        writeObject(row);
    else
        writeLine(row);
    ++m_rows;
}

void TableWriter::finish()
{
    if (m_format == OutputFormat::Json)
        m_out << (m_rows == 0 ? "]\n" : "\n]\n");
}

void TableWriter::writeLine(const TableRow& row)
{
    const bool csv = m_format == OutputFormat::Csv;
    const std::size_t columns = m_format == OutputFormat::Text ? m_layout.textColumns : row.size();
    for (std::size_t column = 0; column < columns; ++column) {
        m_out << (column ? (csv ? "," : "\t") : "") << lineField(m_format, row[column], m_encoding);
    }
    m_out << (csv ? "\r\n" : "\n");
}

void TableWriter::writeObject(const TableRow& row)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (std::size_t column = 0; column < row.size(); ++column)
        object[m_layout.columns[column]] = jsonValue(row[column]);
    // The texts come from GBK as valid UTF-8; should one not be, it is
    // written with U+FFFD rather than failing the whole output.
    m_out << (m_rows == 0 ? "\n" : ",\n")
          << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string encodedText(const Text& gbk, OutputEncoding encoding)
{
    const std::string utf8 = GbkToUtf8(gbk);
    return encoding == OutputEncoding::Utf8 ? utf8 : Utf8ToGbk(utf8);
}
