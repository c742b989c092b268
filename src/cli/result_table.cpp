#include "cli/result_table.h"

#include "app/result_grid_layout.h"
#include "base/gbk_codec.h"

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>

namespace {

// A cell is absent (empty in tsv and csv, null in json), a number, or a text in GBK.
using Cell = std::variant<std::monostate, std::int64_t, Text>;
constexpr std::size_t columnCount = 15;
using Cells = std::array<Cell, columnCount>;

constexpr std::array<const char*, columnCount> columnNames = { "n", "name", "address", "verdict", "outcome",
    "status", "reason", "location", "error", "bytes", "ms", "match", "rel", "near", "robots" };

constexpr char byteOrderMark[] = "\xEF\xBB\xBF";
constexpr int exitMissing = 1;
constexpr int exitUnreachable = 3;

Cell nameCell(const char* name) { return name ? Cell(Text(name)) : Cell(); }
Cell nonZeroCell(std::int64_t value) { return value != 0 ? Cell(value) : Cell(); }
Cell nonEmptyCell(const Text& text) { return text.empty() ? Cell() : Cell(text); }

Cells cellsOf(const SiteResult& result)
{
    Cells cells { std::int64_t { result.n }, result.name, result.address, result.verdict };
    if (!result.outcome)
        return cells;
    const CheckOutcome& outcome = *result.outcome;
    cells[4] = Text(OutcomeName(outcome.kind));
    cells[5] = nonZeroCell(outcome.status);
    cells[6] = OutcomeReason(outcome);
    cells[7] = nonEmptyCell(outcome.location);
    cells[8] = nonZeroCell(outcome.error);
    cells[9] = outcome.bytes;
    cells[10] = outcome.ms;
    cells[11] = nameCell(QueryMatchName(outcome.match));
    cells[12] = nameCell(LinkRelName(outcome.rel));
    cells[13] = nonEmptyCell(outcome.near);
    cells[14] = nameCell(RobotsDirectiveName(outcome.robots));
    return cells;
}

// A cell as the output's encoding writes it; empty for an absent value.
std::string cellText(const Cell& cell, OutputEncoding encoding)
{
    if (const auto* number = std::get_if<std::int64_t>(&cell))
        return std::to_string(*number);
    const auto* text = std::get_if<Text>(&cell);
    return text ? encodedText(*text, encoding) : std::string();
}

// A field of the text and tsv formats: line breaks and tabs become blanks, so
// that every site stays one line of fields.
std::string lineField(const Cell& cell, OutputEncoding encoding)
{
    std::string field = cellText(cell, encoding);
    for (char& c : field) {
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    }
    return field;
}

std::string csvField(const Cell& cell, OutputEncoding encoding)
{
    std::string field = cellText(cell, encoding);
    // Names come from the list and reasons and locations from partner
    // servers: a text a spreadsheet would take for a formula is kept a text.
    const bool isText = std::holds_alternative<Text>(cell);
    if (isText && !field.empty()
        && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos)
        field.insert(0, 1, '\'');
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

}

std::string jsonString(const std::string& utf8)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            quoted += { '\\', c };
        else if (c == '\n')
            quoted += "\\n";
        else if (c == '\r')
            quoted += "\\r";
        else if (c == '\t')
            quoted += "\\t";
        else if (byte < 0x20)
            quoted += std::string("\\u00") + hex[byte >> 4] + hex[byte & 0xF];
        else
            quoted += c;
    }
    return quoted + '"';
}

namespace {

std::string jsonValue(const Cell& cell)
{
    if (const auto* number = std::get_if<std::int64_t>(&cell))
        return std::to_string(*number);
    if (const auto* text = std::get_if<Text>(&cell))
        return jsonString(GbkToUtf8(*text));
    return "null";
}

void writeJson(const std::vector<SiteResult>& results, std::ostream& out)
{
    out << '[';
    const char* separator = "\n";
    for (const SiteResult& result : results) {
        const Cells cells = cellsOf(result);
        out << separator << '{';
        for (std::size_t column = 0; column < columnCount; ++column)
            out << (column ? "," : "") << '"' << columnNames[column] << "\":" << jsonValue(cells[column]);
        out << '}';
        separator = ",\n";
    }
    out << (results.empty() ? "]\n" : "\n]\n");
}

// Text, tsv and csv: one line per site, the header line first but for text.
void writeLines(
    const std::vector<SiteResult>& results, OutputFormat format, OutputEncoding encoding, std::ostream& out)
{
    const bool csv = format == OutputFormat::Csv;
    const char separator = csv ? ',' : '\t';
    const char* lineEnd = csv ? "\r\n" : "\n";
    // The text format keeps the four columns the window's result grid has.
    const std::size_t columns = format == OutputFormat::Text ? 4 : columnCount;
    if (csv && encoding == OutputEncoding::Utf8)
        out << byteOrderMark;
    if (format != OutputFormat::Text) {
        for (std::size_t column = 0; column < columns; ++column)
            out << (column ? std::string(1, separator) : "") << columnNames[column];
        out << lineEnd;
    }
    for (const SiteResult& result : results) {
        const Cells cells = cellsOf(result);
        for (std::size_t column = 0; column < columns; ++column) {
            out << (column ? std::string(1, separator) : "")
                << (csv ? csvField(cells[column], encoding) : lineField(cells[column], encoding));
        }
        out << lineEnd;
    }
}

}

void writeResultTable(
    const std::vector<SiteResult>& results, OutputFormat format, OutputEncoding encoding, std::ostream& out)
{
    if (format == OutputFormat::Json)
        writeJson(results, out);
    else
        writeLines(results, format, encoding, out);
}

std::string encodedText(const Text& gbk, OutputEncoding encoding)
{
    const std::string utf8 = GbkToUtf8(gbk);
    return encoding == OutputEncoding::Utf8 ? utf8 : Utf8ToGbk(utf8);
}

int resultsExitStatus(const std::vector<SiteResult>& results)
{
    bool unreachable = false;
    for (const SiteResult& result : results) {
        CheckOutcomeKind kind
            = result.verdict == verdictFound ? CheckOutcomeKind::Found : CheckOutcomeKind::Unreachable;
        if (result.outcome)
            kind = result.outcome->kind;
        if (kind == CheckOutcomeKind::Missing)
            return exitMissing;
        unreachable = unreachable || kind == CheckOutcomeKind::Unreachable;
    }
    return unreachable ? exitUnreachable : 0;
}
