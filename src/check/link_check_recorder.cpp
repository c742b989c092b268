#include "check/link_check_recorder.h"

LinkCheckRecorder::LinkCheckRecorder(int selectedDebugRow, TranscriptKeeping keeping)
    : m_selectedDebugRow(selectedDebugRow)
    , m_keeping(keeping)
{
}

void LinkCheckRecorder::writeResult(int row, const Text& value) { record({ CallKind::Result, row, value }); }

int LinkCheckRecorder::selectedDebugRow() const
{
    const std::lock_guard lock(m_mutex);
    return m_selectedDebugRow;
}

void LinkCheckRecorder::setDebugText(const Text& value) { record({ CallKind::DebugText, 0, value }); }

void LinkCheckRecorder::finishResult(int row, const CheckOutcome& outcome, const Text& keptTranscript)
{
    {
        const std::lock_guard lock(m_mutex);
        m_outcomes[row] = outcome;
        if (m_keeping == TranscriptKeeping::Keep)
            m_keptTranscripts[row] = keptTranscript;
    }
    m_changed.notify_all();
}

void LinkCheckRecorder::setSelectedDebugRow(int row)
{
    const std::lock_guard lock(m_mutex);
    m_selectedDebugRow = row;
}

void LinkCheckRecorder::noteWorkerFreed()
{
    // Notified under the lock: a waiter that sees the count may destroy the
    // recorder at once, so nothing of it is touched after the lock is let go.
    const std::lock_guard lock(m_mutex);
    ++m_freedWorkers;
    m_changed.notify_all();
}

std::vector<LinkCheckRecorder::Call> LinkCheckRecorder::calls() const
{
    const std::lock_guard lock(m_mutex);
    return m_calls;
}

Text LinkCheckRecorder::resultOf(int row) const
{
    const std::lock_guard lock(m_mutex);
    for (auto call = m_calls.rbegin(); call != m_calls.rend(); ++call) {
        if (call->kind == CallKind::Result && call->row == row)
            return call->value;
    }
    return {};
}

Text LinkCheckRecorder::debugText() const
{
    const std::lock_guard lock(m_mutex);
    for (auto call = m_calls.rbegin(); call != m_calls.rend(); ++call) {
        if (call->kind == CallKind::DebugText)
            return call->value;
    }
    return {};
}

std::optional<CheckOutcome> LinkCheckRecorder::outcomeOf(int row) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_outcomes.find(row);
    if (found == m_outcomes.end())
        return std::nullopt;
    return found->second;
}

Text LinkCheckRecorder::keptTranscriptOf(int row) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_keptTranscripts.find(row);
    return found == m_keptTranscripts.end() ? Text() : found->second;
}

int LinkCheckRecorder::freedWorkers() const
{
    const std::lock_guard lock(m_mutex);
    return m_freedWorkers;
}

bool LinkCheckRecorder::waitFor(
    const std::function<bool(const std::vector<Call>&, int)>& ready, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return ready(m_calls, m_freedWorkers); });
}

bool LinkCheckRecorder::waitForFreedWorkers(int count, std::chrono::milliseconds timeout) const
{
    return waitFor([count](const std::vector<Call>&, int freed) { return freed >= count; }, timeout);
}

void LinkCheckRecorder::waitForFreedWorkers(int count) const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_freedWorkers >= count; });
}

void LinkCheckRecorder::record(Call call)
{
    {
        const std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    m_changed.notify_all();
}
