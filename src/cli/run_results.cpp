#include "cli/run_results.h"

void RunResults::writeResult(int row, const Text& value)
{
    const std::lock_guard lock(m_mutex);
    m_rows[row].result.verdict = value;
}

void RunResults::finishResult(int row, const CheckOutcome& outcome, const Text&)
{
    const std::lock_guard lock(m_mutex);
    m_rows[row].result.outcome = outcome;
}

void RunResults::workerEnded(int row, bool retried)
{
    // Notified under the lock: a waiter that sees the last row may destroy
    // this object at once.
    const std::lock_guard lock(m_mutex);
    // A retried row is left alone: its last fetch may have ended already.
    if (!retried)
        m_rows[row].ended = true;
    ++m_endedWorkers;
    if ((row == m_awaitedRow && !retried) || (m_awaitedCount > 0 && m_endedWorkers >= m_awaitedCount))
        m_ended.notify_all();
}

void RunResults::triesEnded(int row, int tries)
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_rows.find(row);
    if (found == m_rows.end())
        return;
    if (found->second.result.outcome)
        found->second.result.outcome->tries = tries;
    found->second.ended = true;
    if (row == m_awaitedRow)
        m_ended.notify_all();
}

std::optional<CheckOutcome> RunResults::outcomeOf(int row) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_rows.find(row);
    return found == m_rows.end() ? std::nullopt : found->second.result.outcome;
}

int RunResults::endedWorkers() const
{
    const std::lock_guard lock(m_mutex);
    return m_endedWorkers;
}

void RunResults::waitForEndedWorkers(int count)
{
    std::unique_lock lock(m_mutex);
    m_awaitedCount = count;
    m_ended.wait(lock, [&] { return m_endedWorkers >= count; });
    m_awaitedCount = 0;
}

std::optional<RunResults::Result> RunResults::takeIfEnded(int row)
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_rows.find(row);
    if (found == m_rows.end() || !found->second.ended)
        return std::nullopt;
    Result result = std::move(found->second.result);
    m_rows.erase(found);
    return result;
}

RunResults::Result RunResults::take(int row)
{
    std::unique_lock lock(m_mutex);
    m_awaitedRow = row;
    m_ended.wait(lock, [&] {
        const auto found = m_rows.find(row);
        return found != m_rows.end() && found->second.ended;
    });
    m_awaitedRow = 0;
    const auto found = m_rows.find(row);
    Result result = std::move(found->second.result);
    m_rows.erase(found);
    return result;
}
