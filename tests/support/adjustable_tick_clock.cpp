#include "support/adjustable_tick_clock.h"

#include "base/tick.h"

#include <atomic>
#include <cstdint>

namespace {

std::atomic<std::uint32_t> advancedBy { 0 };

std::uint32_t advancedTick(std::uint32_t monotonicTick) { return monotonicTick + advancedBy.load(); }

}

AdjustableTickClock::AdjustableTickClock()
{
    advancedBy = 0;
    SetTickSource(&advancedTick);
}

AdjustableTickClock::~AdjustableTickClock() { SetTickSource(nullptr); }

void AdjustableTickClock::Advance(std::chrono::milliseconds Span)
{
    advancedBy += static_cast<std::uint32_t>(Span.count());
}
