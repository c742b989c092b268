#pragma once

#include "base/text.h"
#include "check/check_outcome.h"

#include <cstdint>
#include <optional>
#include <string>

// Where a recorded run was started.
enum class RunSource : std::uint8_t {
    Window, // CHECK in the window
    CommandLine, // linkwatch-cli run
};

// "window", "cli": the names the database and the command line use.
const char* RunSourceName(RunSource source);

// What a run is recorded with when it starts.
struct RunInfo {
    RunSource source = RunSource::CommandLine;
    // The site list the run checked: its absolute file-system path.
    std::string listFile;
    // Seconds since 1970-01-01 UTC.
    std::int64_t startedAt = 0;
};

// One site's result as history keeps it. Texts are GBK bytes as the site
// list and the exchange gave them, kept byte for byte.
struct HistoryEntry {
    // The run it belongs to; set when read back, ignored when recorded.
    std::int64_t run = 0;
    // When the verdict came, in seconds since 1970-01-01 UTC.
    std::int64_t checkedAt = 0;
    // The run number of the site's row, and the site as listed.
    int n = 0;
    Text name {};
    Text address {};
    Text query {};
    // What the window's verdict cell showed.
    Text verdict {};
    // How the fetch ended; empty when the check ended without an outcome.
    std::optional<CheckOutcome> outcome {};

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// The outcome kind the entry counts as: its outcome's, else found for the
// verdict "OK!" and unreachable for any other verdict.
CheckOutcomeKind EntryKind(const HistoryEntry& entry);
