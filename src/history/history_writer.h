#pragma once

#include "history/history_entry.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>

class HistoryStore;

// Records runs into a history database from a thread of its own, so that
// the caller never waits on the file: BeginRun, Record and EndRun only queue
// a job, and the writer thread does the jobs one by one in the order queued.
// The thread opens the database when its first job comes; a database that
// cannot be opened is tried again by the next job, and so is one whose
// connection failed a write (the operator may have fixed the file or freed
// the disk in between).
//
// Record and EndRun belong to the run last begun; before any run they are
// ignored. Each recorded row is first looked up: the site's newest result from
// an earlier run, when there is one, goes to the previous-result report. A
// job that fails goes to the failure report with the store's message and how
// many results of the run were not recorded so far; the jobs after it are
// still done. A run that could not be begun is begun again by its next row.
//
// Thread: the calls are for one thread; they never block beyond a short lock
// and never throw but for want of memory. The reports are called on the
// writer thread and must not throw; either may be empty. The destructor does the jobs still
// queued, then joins the thread: it waits as long as they take, each store
// call at most the store's busy time-out (5 s) on another writer; after the
// first failure while closing, the jobs left are dropped and their results
// counted in the failure report. A run not ended by then stays in the
// database as an unfinished run.
class HistoryWriter
{
public:
    // run is the number BeginRun gave the row's run; row is Record's.
    using PreviousResultReport
        = std::function<void(std::uint64_t run, int row, const HistoryEntry& previous)>;
    using FailureReport = std::function<void(const std::string& message, int notRecorded)>;

    // path: the database file, UTF-8 as the file system has it.
    HistoryWriter(std::string path, PreviousResultReport previousResult, FailureReport failure);
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    // Queues a new run; returns its number, counted from 1 per writer.
    std::uint64_t BeginRun(const RunInfo& info);
    // Queues row's result for the run last begun.
    void Record(int row, const HistoryEntry& entry);
    // Queues the end of the run last begun; endedAt in seconds since 1970 UTC.
    void EndRun(std::int64_t endedAt);

private:
    struct Begin {
        std::uint64_t run;
        RunInfo info;
    };
    struct Result {
        int row;
        HistoryEntry entry;
    };
    struct End {
        std::int64_t endedAt;
    };
    using Job = std::variant<Begin, Result, End>;

    void queue(Job job);
    void work();
    void perform(Begin& job);
    void perform(Result& job);
    void perform(End& job);
    void beginStoredRun();
    template <typename Step> void tryStore(Step step, int lost);
    int giveUpWhenClosing();

    const std::string m_path;
    const PreviousResultReport m_previousResult;
    const FailureReport m_failure;
    std::uint64_t m_runsBegun = 0;

    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<Job> m_jobs;
    bool m_closing = false;

    // The writer thread's own: the open database, and the run being recorded
    // (its number, what it began with, its id once stored, the results lost).
    std::unique_ptr<HistoryStore> m_store;
    std::uint64_t m_run = 0;
    std::optional<RunInfo> m_runInfo;
    std::optional<std::int64_t> m_storedRun;
    int m_notRecorded = 0;

    // Last, so that it starts once everything it uses is in place.
    std::thread m_thread;
};
