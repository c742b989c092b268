#pragma once

// The result grid's layout facts, shared by the window, the workers, the
// command-line tool and tests: one title row, then one row per active entry
// of a check run, numbered from 1.

// Columns of the result grid.
inline constexpr int ResultNumberCol = 0; // the entry's number in the run
inline constexpr int ResultNameCol = 1; // the entry's name as the site list holds it
inline constexpr int ResultAddressCol = 2; // the entry's address as the site list holds it
inline constexpr int ResultVerdictCol = 3; // what the entry's worker wrote
inline constexpr int ResultCheckBoxCol = 4; // picks the row for the debug window
inline constexpr int ResultColCount = 5;

// The row below the title row: the first a check run fills.
inline constexpr int FirstResultRow = 1;

// The texts a worker writes into its verdict cell.
inline constexpr char verdictTesting[] = "TEST......";
inline constexpr char verdictFound[] = "OK!";
// 没有发现目标链接 ("target link not found")
inline constexpr char verdictNotFound[] = "\xC3\xBB\xD3\xD0\xB7\xA2\xCF\xD6\xC4\xBF\xB1\xEA\xC1\xB4\xBD\xD3";

// The row picked for the debug transcript when none is.
inline constexpr int NoDebugRow = -10;
