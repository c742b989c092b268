#pragma once

// The process's limit on open descriptors (the soft RLIMIT_NOFILE), which the
// link check workers' budget is drawn from. Safe from any thread.

// The most the limit is raised to, and what an unlimited one reads as: each
// descriptor a worker holds comes with a thread of its own, so threads run
// out long before a larger budget could be used.
inline constexpr long openFileLimitCeiling = 65536;

// The soft limit as it stands now, at most openFileLimitCeiling.
long OpenFileLimit();

// Raises the soft limit towards the hard limit, up to openFileLimitCeiling;
// never lowers it. Called once at start-up; a failure leaves it as it was.
void RaiseOpenFileLimit();
