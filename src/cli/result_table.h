#pragma once

#include "base/text.h"
#include "check/check_outcome.h"
#include "cli/table_writer.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <vector>

// The results of a check run or a single check as linkwatch-cli prints them:
// thirty columns from the run number to tries, of which the text format
// shows run number, name, address and verdict. Qt-free; nothing here blocks
// or throws but for want of memory or a failing stream.

// One checked site: its run number, name and address as listed, the verdict
// its row shows, and the outcome of its fetch when the worker made one.
struct SiteResult {
    int n = 0;
    Text name;
    Text address;
    Text verdict;
    std::optional<CheckOutcome> outcome;
};

void writeResultTable(
    const std::vector<SiteResult>& results, OutputFormat format, OutputEncoding encoding, std::ostream& out);

// The result columns and one site's cells in their order, for tables that
// show results beside columns of their own.
const std::vector<const char*>& resultColumns();
TableRow resultCells(const SiteResult& result);
// How many leading result columns the text format shows.
inline constexpr std::size_t ResultTextColumns = 4;

// What fails a set of results as a missing site does.
enum class FailOn : std::uint8_t {
    Missing, // a missing site only
    NotCounted, // also a link found that does not count (LinkCountsOf says No)
};

// The exit status for a set of results: 0 when every site was found (or
// there is none), 1 when any is missing or fails as failOn says, else 3
// when any is unreachable. A site whose worker made no outcome counts as
// found when its verdict is "OK!", else as unreachable.
int resultsExitStatus(const std::vector<SiteResult>& results, FailOn failOn = FailOn::Missing);
