#include "grid/cell_grid_event_pump.h"

#include <QCoreApplication>

void GridEventPump::operator()()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_lastRun && now - *m_lastRun < Interval)
        return;
    QCoreApplication::processEvents();
    // Measured after the events ran, so a slow handler does not make the
    // next step pump again at once.
    m_lastRun = std::chrono::steady_clock::now();
}
