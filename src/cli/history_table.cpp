#include "cli/history_table.h"

#include "cli/result_table.h"

#include <ctime>

namespace {

const TableLayout& historyLayout()
{
    static const TableLayout layout = [] {
        TableLayout made { { "run", "time" }, 2 + ResultTextColumns };
        made.columns.insert(made.columns.end(), resultColumns().begin(), resultColumns().end());
        return made;
    }();
    return layout;
}

TableRow historyCells(const HistoryEntry& entry)
{
    TableRow cells { entry.run, localTimeText(entry.checkedAt) };
    const TableRow result = resultCells({ entry.n, entry.name, entry.address, entry.verdict, entry.outcome });
    cells.insert(cells.end(), result.begin(), result.end());
    return cells;
}

}

void writeHistoryTable(
    const HistoryRows& rows, OutputFormat format, OutputEncoding encoding, std::ostream& out)
{
    TableWriter writer(historyLayout(), format, encoding, out);
    rows([&writer](const HistoryEntry& entry) { writer.writeRow(historyCells(entry)); });
    writer.finish();
}

Text localTimeText(std::int64_t secondsSince1970)
{
    const auto seconds = static_cast<std::time_t>(secondsSince1970);
    std::tm local {};
    char text[32] = {};
    if (localtime_r(&seconds, &local) == nullptr)
        return std::to_string(secondsSince1970);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}
