#pragma once

#include "app/check_outcome.h"
#include "base/text.h"

#include <iosfwd>
#include <optional>
#include <vector>

// The results of a check run or a single check as linkwatch-cli prints them.
// Texts come in as the system keeps them (GBK bytes) and are converted once,
// here, into the output's encoding. Qt-free; nothing here blocks or throws
// but for want of memory or a failing stream.

enum class OutputFormat {
    Text, // run number, name, address and verdict, tab-separated, no header
    Tsv, // a header line, then tab-separated columns; tabs and line breaks in texts become blanks
    Csv, // a header line, RFC 4180 quoting, CR LF line ends; a byte-order mark when in UTF-8
    Json, // one array of objects, absent values null; always UTF-8
};

enum class OutputEncoding {
    Utf8,
    Gbk,
};

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

// A text as the output's encoding writes it. Bytes that are not valid GBK
// become U+FFFD in UTF-8 and "?" in GBK, so the output is always valid.
std::string encodedText(const Text& gbk, OutputEncoding encoding);

// A JSON string literal of UTF-8 text: quotes and backslashes escaped, and
// every control byte as \n, \r, \t or \u00XX.
std::string jsonString(const std::string& utf8);

// The exit status for a set of results: 0 when every site was found (or
// there is none), 1 when any is missing, else 3 when any is unreachable.
// A site whose worker made no outcome counts as found when its verdict is
// "OK!", else as unreachable.
int resultsExitStatus(const std::vector<SiteResult>& results);
