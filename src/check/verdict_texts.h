#pragma once

// The texts a worker writes into its verdict cell, which the window shows,
// the command line prints and the history keeps.
inline constexpr char verdictTesting[] = "TEST......";
inline constexpr char verdictFound[] = "OK!";
// 没有发现目标链接 ("target link not found")
inline constexpr char verdictNotFound[] = "\xC3\xBB\xD3\xD0\xB7\xA2\xCF\xD6\xC4\xBF\xB1\xEA\xC1\xB4\xBD\xD3";

// The row picked for the debug transcript when none is.
inline constexpr int NoDebugRow = -10;
