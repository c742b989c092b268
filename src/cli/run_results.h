#pragma once

#include "check/link_check_window.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <unordered_map>

// The window of a command-line run: keeps what each site's worker reports,
// its last verdict and its outcome, until the run takes them, so that the
// run hands out results in list order as soon as a site and every site
// before it have ended, and holds only those not taken yet. Debug texts are
// not kept: no row is ever selected.
//
// Thread: workers report from theirs; the run takes from its own. Take
// blocks until the site's worker has ended, which its own time-outs bound.
// Nothing throws but for want of memory.
class RunResults : public LinkCheckWindow
{
public:
    struct Result {
        Text verdict; // empty when the worker wrote none
        std::optional<CheckOutcome> outcome; // empty when it ended without one
    };

    void writeResult(int row, const Text& value) override;
    int selectedDebugRow() const override { return NoDebugRow; }
    void setDebugText(const Text&) override { }
    void finishResult(int row, const CheckOutcome& outcome, const Text&) override;
    bool keepsTranscripts() const override { return false; }

    // The worker of row has ended and been freed; the last call on it for
    // that worker. Nothing of this object is touched once the lock is let
    // go: the run may end as soon as it sees the last one. With retried, the
    // row is fetched again and its result waits for triesEnded.
    void workerEnded(int row, bool retried = false);
    // The last fetch of a retried row has ended after tries fetches in all.
    void triesEnded(int row, int tries);
    // The outcome row's last fetch gave; empty when none came.
    std::optional<CheckOutcome> outcomeOf(int row) const;
    // How many workers have ended; waits until at least count have.
    int endedWorkers() const;
    void waitForEndedWorkers(int count);

    // Row's result once its worker has ended, forgotten here; empty while it runs.
    std::optional<Result> takeIfEnded(int row);
    // Waits until row's worker has ended, then takes its result.
    Result take(int row);

private:
    struct Row {
        Result result;
        bool ended = false;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    std::unordered_map<int, Row> m_rows;
    int m_endedWorkers = 0;
    // What the run waits for, so that the end of any other worker wakes
    // nobody: a row (0 none) or a count of ended workers (0 none).
    int m_awaitedRow = 0;
    int m_awaitedCount = 0;
};
