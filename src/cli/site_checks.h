#pragma once

#include "check/active_sites.h"
#include "check/robots_txt_cache.h"
#include "cli/check_pool.h"
#include "cli/cli_arguments.h"
#include "cli/polite_queue.h"
#include "cli/run_results.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The link checks of one linkwatch-cli run: one link check worker per
// active site, its address and query trimmed, run number = list position,
// and never more than --per-host fetches to one host at once (PoliteQueue).
// With --no-delay the sites go to a CheckPool, whose threads check them one
// after another; --jobs bounds its threads. Paced as the window paces its
// workers, every site gets a thread of its own, started 20 ms after the one
// before and only while fewer than --jobs run; each waits out the worker's
// start delay and then checks the next site the queue gives.
// Unless --no-robots-txt, every worker asks one RobotsTxtCache, so that
// each site's robots.txt is fetched once in the run.
//
// A site that ends unreachable or answers 429 or 5xx is fetched again, up to
// --retry times more, once every site has been checked once: each waits what
// its answer's Retry-After asks (RetryWait) from the moment that answer came,
// through a queue and pool of their own with the same bounds. Its result is
// the last fetch's, its tries how many fetches it took; the results after it
// in list order wait for it.
//
// Thread: made, asked and destroyed by the run's own thread; the workers run
// on theirs. Taking a result blocks until that site's worker has ended, and
// destruction until every worker has; the workers' own time-outs bound both.
class SiteChecks
{
public:
    // Starts the checks; sites must outlive this object.
    SiteChecks(const std::vector<ActiveSite>& sites, const RunArguments& arguments);
    ~SiteChecks();
    SiteChecks(const SiteChecks&) = delete;
    SiteChecks& operator=(const SiteChecks&) = delete;

    // The result of sites[site] once its worker has ended: waiting for it,
    // or empty while it runs.
    RunResults::Result take(std::size_t site);
    std::optional<RunResults::Result> takeIfEnded(std::size_t site);

private:
    using Clock = std::chrono::steady_clock;
    struct Retry {
        std::size_t site;
        Clock::time_point due;
    };

    // Runs the worker of sites[site] on the calling thread.
    void runWorker(std::size_t site);
    void startPaced();
    // After the first fetch of sites[site]: keeps it for a retry when it asks for one.
    void firstFetchEnded(std::size_t site);
    // When sites[site], as it last ended, is to be fetched again; empty when it is not.
    std::optional<Clock::time_point> retryDue(std::size_t site) const;
    // Fetches the sites kept for a retry once every first fetch has ended.
    void retryKept();
    void retryRound(std::vector<Retry>& round, int tries);

    const std::vector<ActiveSite>& m_sites;
    const RunArguments& m_arguments;
    const std::shared_ptr<RunResults> m_results;
    // Empty with --no-robots-txt.
    const std::shared_ptr<RobotsTxtCache> m_robotsTxt;
    PoliteQueue m_queue;
    std::optional<CheckPool> m_pool;
    std::thread m_starter;
    int m_started = 0; // paced threads started; the starter's own
    std::mutex m_retryMutex;
    std::condition_variable m_firstFetchesEnded;
    std::size_t m_firstFetchesLeft;
    std::vector<Retry> m_retries; // kept by the first fetches, for retryKept
    std::thread m_retrier;
};
