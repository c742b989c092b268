#include "base/tick.h"

#include <atomic>
#include <ctime>

namespace {

std::atomic<TickSource> tickSource { nullptr };

std::uint32_t monotonicTick()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds
        = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);
}

}

std::uint32_t TickNow()
{
    const std::uint32_t now = monotonicTick();
    const TickSource source = tickSource.load(std::memory_order_acquire);
    return source != nullptr ? source(now) : now;
}

void SetTickSource(TickSource Source) { tickSource.store(Source, std::memory_order_release); }

std::uint32_t TickSpan(std::uint32_t Old, std::uint32_t New)
{
    if (Old == New)
        return 0;
    if (New > Old)
        return New - Old;
    constexpr std::uint32_t topBit = 0x80000000u;
    if ((Old & topBit) != 0 && (New & topBit) == 0)
        return New - Old; // unsigned arithmetic adds 2^32
    return Old - New;
}

std::int32_t TickRemaining(std::int32_t Timeout, std::uint32_t Start)
{
    if (Timeout < 0)
        return Timeout;
    const std::uint32_t spent = TickSpan(Start, TickNow());
    return spent >= static_cast<std::uint32_t>(Timeout) ? 0 : Timeout - static_cast<std::int32_t>(spent);
}
