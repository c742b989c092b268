#pragma once

#include "check/link_check_window.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

// A window without a screen: it records every call workers make, in order,
// for the command-line tool and for tests, and lets another thread wait until
// the record satisfies a condition. All members are safe from any thread;
// waits are bounded by the caller's time limit, except the
// one that relies on the workers' own time-outs. The outcome of each row is
// kept apart from the calls; its kept transcript only when asked for, since a
// long run would hold up to 256 KiB per row.
class LinkCheckRecorder : public LinkCheckWindow
{
public:
    enum class CallKind { Result, DebugText };
    struct Call {
        CallKind kind;
        int row; // 0 for a debug text
        Text value;
    };

    enum class TranscriptKeeping { Drop, Keep };

    explicit LinkCheckRecorder(
        int selectedDebugRow = NoDebugRow, TranscriptKeeping keeping = TranscriptKeeping::Drop);

    void writeResult(int row, const Text& value) override;
    int selectedDebugRow() const override;
    void setDebugText(const Text& value) override;
    void finishResult(int row, const CheckOutcome& outcome, const Text& keptTranscript) override;

    void setSelectedDebugRow(int row);
    // Marks that a worker has ended and freed itself; counted, not recorded.
    void noteWorkerFreed();

    std::vector<Call> calls() const;
    // The last text written into row, empty when none was.
    Text resultOf(int row) const;
    Text debugText() const;
    // The last outcome given for row; empty when no worker finished it.
    std::optional<CheckOutcome> outcomeOf(int row) const;
    // The last transcript kept for row; empty when none was or none are kept.
    Text keptTranscriptOf(int row) const;
    int freedWorkers() const;

    // Waits until ready(calls, freed workers) holds; false when time ran out.
    bool waitFor(const std::function<bool(const std::vector<Call>&, int)>& ready,
        std::chrono::milliseconds timeout) const;
    bool waitForFreedWorkers(int count, std::chrono::milliseconds timeout) const;
    // Waits with no limit of its own: for owners whose workers end by their own time-outs.
    void waitForFreedWorkers(int count) const;

private:
    void record(Call call);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Call> m_calls;
    int m_selectedDebugRow;
    TranscriptKeeping m_keeping;
    std::map<int, CheckOutcome> m_outcomes;
    std::map<int, Text> m_keptTranscripts;
    int m_freedWorkers = 0;
};
