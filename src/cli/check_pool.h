#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class PoliteQueue;

// The threads of a run started without delay: each takes site after site
// from the queue and checks it in place, so that a thread is started for
// the fetches that go on at once rather than for every site. It begins with
// StartThreads of them. Every WatchPeriod a watcher doubles their number,
// up to maxThreads, while the fetches wait on the network rather than on
// the processor: a site could be taken now, no thread waits for one, no
// fetch waits for a descriptor (FetchSlots), and at least half the threads
// have been on their site for a WatchPeriod or longer. A run of fast hosts
// thus keeps a few threads busy, and one of far-away or silent hosts gets as
// many fetches at once as the bounds let go.
//
// Thread: made and destroyed by the run's own thread; check runs on the
// pool's threads, and Done is given for each site once check returns. The
// destructor waits until every site has been taken and checked. Nothing
// throws but for want of memory or of a first thread.
class CheckPool
{
public:
    using Check = std::function<void(std::size_t site)>;
    static constexpr int StartThreads = 32;
    static constexpr std::chrono::milliseconds WatchPeriod { 20 };

    CheckPool(PoliteQueue& queue, int maxThreads, Check check);
    ~CheckPool();
    CheckPool(const CheckPool&) = delete;
    CheckPool& operator=(const CheckPool&) = delete;

    int Threads() const;

private:
    using Clock = std::chrono::steady_clock;

    void work(std::size_t slot);
    void watch();
    // Whether more threads would fetch more at once; m_mutex held.
    bool waitingOnNetwork(Clock::time_point now) const;
    // Starts up to count threads more; m_mutex held.
    void startThreads(int count);

    PoliteQueue& m_queue;
    const int m_maxThreads;
    const Check m_check;
    mutable std::mutex m_mutex;
    std::condition_variable m_queueDone;
    std::vector<std::thread> m_threads;
    // When each thread took the site it is on; empty while it has none.
    std::vector<std::optional<Clock::time_point>> m_busySince;
    std::thread m_watcher;
};
