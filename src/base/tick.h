#pragma once

#include <cstdint>

// The 32-bit millisecond tick counter (monotonic clock cut to 32 bits, so it
// wraps about every 49.7 days) and the elapsed time between two readings.
std::uint32_t TickNow();

// Milliseconds from Old to New. Survives one wrap of the counter; a New that lies
// before Old without a wrap gives the distance between them, never a huge number.
std::uint32_t TickSpan(std::uint32_t Old, std::uint32_t New);
