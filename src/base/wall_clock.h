#pragma once

#include <chrono>
#include <cstdint>

// The wall clock as the history, the reports and Retry-After dates count it:
// whole seconds since 1970-01-01 UTC.
inline std::int64_t SecondsSinceEpoch()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::system_clock::now().time_since_epoch())
        .count();
}
