#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <utility>

// Runs the event loop until done() or limitMs have passed, with a 10 ms
// timer; gives the most any tick came late, and whether done() was reached.
inline std::pair<qint64, bool> WorstStallUntil(const std::function<bool()>& done, int limitMs)
{
    qint64 worstLateMs = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worstLateMs = std::max(worstLateMs, now - last - 10);
        last = now;
    });
    ticker.start(10);
    const bool reached = QTest::qWaitFor(done, limitMs);
    return { worstLateMs, reached };
}
