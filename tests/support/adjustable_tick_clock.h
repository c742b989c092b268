#pragma once

#include <chrono>

// While an object lives, the tick counter reads the monotonic clock plus
// every span Advance has added since, so that time-outs and deadlines counted
// on the counter pass without being waited for. Real time passes as well:
// code that nobody moves ahead waits as it always does. One object at a time.
// Advance is safe from any thread (a scripted peer moves the clock on while
// the client waits) and has no effect while no object lives.
class AdjustableTickClock
{
public:
    AdjustableTickClock();
    ~AdjustableTickClock();
    AdjustableTickClock(const AdjustableTickClock&) = delete;
    AdjustableTickClock& operator=(const AdjustableTickClock&) = delete;

    static void Advance(std::chrono::milliseconds Span);
};
