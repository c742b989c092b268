#pragma once

#include "check/verdict_texts.h"

// The result grid's layout facts, shared by the window and its tests: one
// title row, then one row per active entry of a check run, numbered from 1.
// The verdict texts its cells show come with them.

// Columns of the result grid.
inline constexpr int ResultNumberCol = 0; // the entry's number in the run
inline constexpr int ResultNameCol = 1; // the entry's name as the site list holds it
inline constexpr int ResultAddressCol = 2; // the entry's address as the site list holds it
inline constexpr int ResultVerdictCol = 3; // what the entry's worker wrote
inline constexpr int ResultCheckBoxCol = 4; // picks the row for the debug window
inline constexpr int ResultColCount = 5;

// The row below the title row: the first a check run fills.
inline constexpr int FirstResultRow = 1;
