#pragma once

#include <cstdint>

// The 32-bit millisecond tick counter (monotonic clock cut to 32 bits, so it
// wraps about every 49.7 days) and the elapsed time between two readings.
std::uint32_t TickNow();

// Where TickNow takes the time from: by default the monotonic clock as it
// stands. A test puts a source of its own in place, which is handed that
// reading and returns the one to report, to let time-outs counted on this
// counter pass without waiting for them; nullptr restores the default. The
// source may be changed while other threads read the counter, and it is
// called on any of them.
using TickSource = std::uint32_t (*)(std::uint32_t MonotonicTick);
void SetTickSource(TickSource Source);

// Milliseconds from Old to New. Survives one wrap of the counter; a New that lies
// before Old without a wrap gives the distance between them, never a huge number.
std::uint32_t TickSpan(std::uint32_t Old, std::uint32_t New);

// What is left of a time-out of Timeout milliseconds counted from the tick
// Start; 0 once it has passed. A negative time-out means no limit and stays so.
std::int32_t TickRemaining(std::int32_t Timeout, std::uint32_t Start);
