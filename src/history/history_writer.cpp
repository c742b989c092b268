#include "history/history_writer.h"

#include "history/history_store.h"

#include <exception>
#include <utility>

HistoryWriter::HistoryWriter(std::string path, PreviousResultReport previousResult, FailureReport failure)
    : m_path(std::move(path))
    , m_previousResult(std::move(previousResult))
    , m_failure(std::move(failure))
    , m_thread([this] { work(); })
{
}

HistoryWriter::~HistoryWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_queued.notify_one();
    m_thread.join();
}

std::uint64_t HistoryWriter::BeginRun(const RunInfo& info)
{
    queue(Begin { ++m_runsBegun, info });
    return m_runsBegun;
}

void HistoryWriter::Record(int row, const HistoryEntry& entry) { queue(Result { row, entry }); }

void HistoryWriter::EndRun(std::int64_t endedAt) { queue(End { endedAt }); }

void HistoryWriter::queue(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_queued.notify_one();
}

// Closing lets the thread finish the queue before it returns.
void HistoryWriter::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_queued.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
        if (m_jobs.empty())
            return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        std::visit([this](auto& step) { perform(step); }, job);
        lock.lock();
    }
}

// Stores the run being recorded unless it already is; the store must be open.
void HistoryWriter::beginStoredRun()
{
    if (!m_storedRun)
        m_storedRun = m_store->BeginRun(*m_runInfo);
}

// Runs step on the store, opening it first. A failure costs the run lost
// results and is reported; the connection is dropped, so that the next job
// opens the file afresh.
template <typename Step> void HistoryWriter::tryStore(Step step, int lost)
{
    try {
        if (!m_store)
            m_store = std::make_unique<HistoryStore>(m_path);
        step(*m_store);
    } catch (const std::exception& error) {
        m_store.reset();
        m_notRecorded += lost + giveUpWhenClosing();
        if (m_failure)
            m_failure(error.what(), m_notRecorded);
    }
}

// Once the owner is closing, a failing database is not tried again for every
// job still queued: each try may wait out the busy time-out, and the window
// would hang on its way out. The results left are counted as not recorded.
int HistoryWriter::giveUpWhenClosing()
{
    std::lock_guard lock(m_mutex);
    if (!m_closing)
        return 0;
    int results = 0;
    for (const Job& job : m_jobs)
        results += std::holds_alternative<Result>(job) ? 1 : 0;
    m_jobs.clear();
    return results;
}

void HistoryWriter::perform(Begin& job)
{
    m_run = job.run;
    m_runInfo = std::move(job.info);
    m_storedRun.reset();
    m_notRecorded = 0;
    tryStore([this](HistoryStore&) { beginStoredRun(); }, 0);
}

void HistoryWriter::perform(Result& job)
{
    if (!m_runInfo)
        return;
    tryStore(
        [this, &job](HistoryStore& store) {
            beginStoredRun();
            auto previous = store.PreviousResult(job.entry.address, job.entry.query, *m_storedRun);
            if (previous && m_previousResult)
                m_previousResult(m_run, job.row, *previous);
            store.RecordResult(*m_storedRun, job.entry);
        },
        1);
}

void HistoryWriter::perform(End& job)
{
    if (m_storedRun)
        tryStore([this, &job](HistoryStore& store) { store.EndRun(*m_storedRun, job.endedAt); }, 0);
    m_runInfo.reset();
    m_storedRun.reset();
}
