#include "cli/site_checks.h"

#include "base/wall_clock.h"
#include "check/link_check_worker.h"
#include "cli/host_key.h"
#include "cli/retry_wait.h"
#include "net/http_text.h"

#include <system_error>

namespace {

constexpr auto startSpacing = std::chrono::milliseconds(20);

std::vector<Text> hostKeys(const std::vector<ActiveSite>& sites)
{
    std::vector<Text> keys;
    keys.reserve(sites.size());
    for (const ActiveSite& site : sites)
        keys.push_back(HostKeyOf(site.address));
    return keys;
}

int rowOf(std::size_t site) { return static_cast<int>(site) + 1; }

// The run's robots.txt files, fetched with its wait limit; a run takes no route of its own.
std::shared_ptr<RobotsTxtCache> robotsTxtCacheOf(const RunArguments& arguments)
{
    if (arguments.noRobotsTxt)
        return nullptr;
    RobotsTxtClient client;
    if (arguments.report.waitLimitMs)
        client.waitMs = *arguments.report.waitLimitMs;
    return std::make_shared<RobotsTxtCache>(std::move(client));
}

// No answer, too many requests, or a failing server: what a later fetch may get past.
bool asksForRetry(const CheckOutcome& outcome)
{
    return outcome.kind == CheckOutcomeKind::Unreachable || outcome.status == 429 || outcome.status >= 500;
}

}

SiteChecks::SiteChecks(const std::vector<ActiveSite>& sites, const RunArguments& arguments)
    : m_sites(sites)
    , m_arguments(arguments)
    , m_results(std::make_shared<RunResults>())
    , m_robotsTxt(robotsTxtCacheOf(arguments))
    , m_queue(hostKeys(sites), arguments.perHost)
    , m_firstFetchesLeft(sites.size())
{
    if (sites.empty())
        return;
    if (arguments.retry > 0)
        m_retrier = std::thread([this] { retryKept(); });
    if (!arguments.noDelay) {
        m_starter = std::thread([this] { startPaced(); });
        return;
    }
    const auto siteCount = static_cast<int>(sites.size());
    m_pool.emplace(
        m_queue, std::min(arguments.jobs.value_or(siteCount), siteCount), [this](std::size_t site) {
            runWorker(site);
            firstFetchEnded(site);
        });
}

SiteChecks::~SiteChecks()
{
    m_pool.reset();
    if (m_starter.joinable())
        m_starter.join();
    m_results->waitForEndedWorkers(m_started);
    if (m_retrier.joinable())
        m_retrier.join();
}

RunResults::Result SiteChecks::take(std::size_t site) { return m_results->take(rowOf(site)); }

std::optional<RunResults::Result> SiteChecks::takeIfEnded(std::size_t site)
{
    return m_results->takeIfEnded(rowOf(site));
}

void SiteChecks::runWorker(std::size_t site)
{
    auto worker = std::make_unique<Temu>(m_results);
    worker->PageUrl = TrimControls(m_sites[site].address);
    worker->QueryText = TrimControls(m_sites[site].query);
    worker->ResultRow = rowOf(site);
    worker->SpiderAgent = m_arguments.spiderAgent;
    worker->RobotsTxtAnswers = m_robotsTxt;
    // The paced threads wait out the start delay themselves, before they take a site.
    worker->setPauseLength(std::chrono::milliseconds(0));
    if (m_arguments.report.waitLimitMs)
        worker->setWaitLimit(std::chrono::milliseconds(*m_arguments.report.waitLimitMs));
    // An exception that escapes the fetch ends the worker without a verdict.
    try {
        worker->Execute();
    } catch (...) {
    }
}

void SiteChecks::startPaced()
{
    const std::chrono::milliseconds startDelay = Temu(m_results).startDelay();
    for (std::size_t site = 0; site < m_sites.size(); ++site) {
        const auto started = static_cast<int>(site);
        if (m_arguments.jobs && started >= *m_arguments.jobs)
            m_results->waitForEndedWorkers(started + 1 - *m_arguments.jobs);
        std::this_thread::sleep_for(startSpacing);
        // Detached: a thread per site would otherwise keep its stack until joined.
        std::thread([this, startDelay] {
            std::this_thread::sleep_for(startDelay);
            const std::size_t taken = m_queue.Take().value();
            runWorker(taken);
            m_queue.Done(taken);
            firstFetchEnded(taken);
        }).detach();
        ++m_started;
    }
}

void SiteChecks::firstFetchEnded(std::size_t site)
{
    bool retried = false;
    if (m_arguments.retry > 0) {
        const std::optional<Clock::time_point> due = retryDue(site);
        const std::lock_guard lock(m_retryMutex);
        if (due)
            m_retries.push_back({ site, *due });
        retried = due.has_value();
        if (--m_firstFetchesLeft == 0)
            m_firstFetchesEnded.notify_all();
    }
    // The last touch of this object by a paced thread: the run may end once it has seen every worker end.
    m_results->workerEnded(rowOf(site), retried);
}

std::optional<SiteChecks::Clock::time_point> SiteChecks::retryDue(std::size_t site) const
{
    const std::optional<CheckOutcome> outcome = m_results->outcomeOf(rowOf(site));
    if (!outcome || !asksForRetry(*outcome))
        return std::nullopt;
    return Clock::now() + RetryWait(outcome->retryAfter, SecondsSinceEpoch());
}

void SiteChecks::retryKept()
{
    std::vector<Retry> round;
    {
        std::unique_lock lock(m_retryMutex);
        m_firstFetchesEnded.wait(lock, [this] { return m_firstFetchesLeft == 0; });
        round.swap(m_retries);
    }
    for (int tries = 2; !round.empty(); ++tries) {
        try {
            retryRound(round, tries);
        } catch (const std::system_error&) {
            // No thread for the round: the sites keep the answers they had.
            for (const Retry& retry : round)
                m_results->triesEnded(rowOf(retry.site), tries - 1);
            return;
        }
    }
}

// One more fetch of each site of round, which then holds those to be fetched once more.
void SiteChecks::retryRound(std::vector<Retry>& round, int tries)
{
    std::vector<Text> keys;
    for (const Retry& retry : round)
        keys.push_back(HostKeyOf(m_sites[retry.site].address));
    PoliteQueue queue(keys, m_arguments.perHost);
    std::vector<Retry> next;
    std::mutex nextMutex;
    {
        const auto count = static_cast<int>(round.size());
        CheckPool pool(queue, std::min(m_arguments.jobs.value_or(count), count), [&](std::size_t index) {
            const Retry& retry = round[index];
            std::this_thread::sleep_until(retry.due);
            runWorker(retry.site);
            const std::optional<Clock::time_point> due
                = tries <= m_arguments.retry ? retryDue(retry.site) : std::nullopt;
            if (!due) {
                m_results->triesEnded(rowOf(retry.site), tries);
                return;
            }
            const std::lock_guard lock(nextMutex);
            next.push_back({ retry.site, *due });
        });
    }
    round.swap(next);
}
