#pragma once

#include <chrono>
#include <optional>

// Lets the application handle its pending window events while a long task
// runs on the GUI thread, such as loading a grid file. The task calls the
// pump after every small step; the pump handles the events at once on its
// first call and afterwards whenever Interval has passed since it last did,
// so the window stays responsive while the steps stay cheap.
//
// GUI thread only. Handling events may run any handler of the application,
// which may change what the task is working on.
class GridEventPump
{
public:
    static constexpr std::chrono::milliseconds Interval { 10 };

    void operator()();

private:
    std::optional<std::chrono::steady_clock::time_point> m_lastRun;
};
