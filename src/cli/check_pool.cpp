#include "cli/check_pool.h"

#include "check/fetch_slots.h"
#include "cli/polite_queue.h"

#include <algorithm>
#include <system_error>

CheckPool::CheckPool(PoliteQueue& queue, int maxThreads, Check check)
    : m_queue(queue)
    , m_maxThreads(std::max(maxThreads, 1))
    , m_check(std::move(check))
{
    const std::lock_guard lock(m_mutex);
    startThreads(std::min(StartThreads, m_maxThreads));
    if (m_threads.empty())
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    m_watcher = std::thread([this] { watch(); });
}

CheckPool::~CheckPool()
{
    m_watcher.join();
    // The watcher has ended, so no thread is added any more.
    for (std::thread& thread : m_threads)
        thread.join();
}

int CheckPool::Threads() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_threads.size());
}

void CheckPool::work(std::size_t slot)
{
    while (const std::optional<std::size_t> site = m_queue.Take()) {
        {
            const std::lock_guard lock(m_mutex);
            m_busySince[slot] = Clock::now();
        }
        m_check(*site);
        m_queue.Done(*site);
        const std::lock_guard lock(m_mutex);
        m_busySince[slot].reset();
    }
    m_queueDone.notify_all();
}

void CheckPool::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_queue.Exhausted()) {
        m_queueDone.wait_for(lock, WatchPeriod);
        const int threads = static_cast<int>(m_threads.size());
        if (threads < m_maxThreads && waitingOnNetwork(Clock::now()))
            startThreads(std::min(threads, m_maxThreads - threads));
    }
}

bool CheckPool::waitingOnNetwork(Clock::time_point now) const
{
    if (!m_queue.WorkForAnother() || FetchSlots::Process().Waiting() > 0)
        return false;
    const auto slow = std::count_if(
        m_busySince.begin(), m_busySince.end(), [now](const std::optional<Clock::time_point>& since) {
            return since && now - *since >= WatchPeriod;
        });
    return 2 * slow >= static_cast<long>(m_busySince.size());
}

void CheckPool::startThreads(int count)
{
    for (int started = 0; started < count; ++started) {
        const std::size_t slot = m_threads.size();
        m_busySince.emplace_back();
        try {
            m_threads.emplace_back([this, slot] { work(slot); });
        } catch (const std::system_error&) {
            // The system gives no more threads: those running go on.
            m_busySince.pop_back();
            return;
        }
    }
}
