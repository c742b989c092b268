#pragma once

#include <cstdint>

// The 32-bit millisecond tick counter (monotonic clock cut to 32 bits, so it
// wraps about every 49.7 days) and the elapsed time between two readings.
std::uint32_t TickNow();

// Milliseconds from Old to New. Survives one wrap of the counter; a New that lies
// before Old without a wrap gives the distance between them, never a huge number.
std::uint32_t TickSpan(std::uint32_t Old, std::uint32_t New);

// What is left of a time-out of Timeout milliseconds counted from the tick
// Start; 0 once it has passed. A negative time-out means no limit and stays so.
std::int32_t TickRemaining(std::int32_t Timeout, std::uint32_t Start);
