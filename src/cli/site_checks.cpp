#include "cli/site_checks.h"

#include "check/link_check_worker.h"
#include "cli/host_key.h"
#include "net/http_text.h"

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

}

SiteChecks::SiteChecks(const std::vector<ActiveSite>& sites, const RunArguments& arguments)
    : m_sites(sites)
    , m_arguments(arguments)
    , m_results(std::make_shared<RunResults>())
    , m_robotsTxt(robotsTxtCacheOf(arguments))
    , m_queue(hostKeys(sites), arguments.perHost)
{
    if (sites.empty())
        return;
    if (!arguments.noDelay) {
        m_starter = std::thread([this] { startPaced(); });
        return;
    }
    const auto siteCount = static_cast<int>(sites.size());
    m_pool.emplace(
        m_queue, std::min(arguments.jobs.value_or(siteCount), siteCount), [this](std::size_t site) {
            runWorker(site);
            m_results->workerEnded(rowOf(site));
        });
}

SiteChecks::~SiteChecks()
{
    m_pool.reset();
    if (m_starter.joinable())
        m_starter.join();
    m_results->waitForEndedWorkers(m_started);
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
            m_results->workerEnded(rowOf(taken));
        }).detach();
        ++m_started;
    }
}
