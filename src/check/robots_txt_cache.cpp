#include "check/robots_txt_cache.h"

RobotsTxtCache::RobotsTxtCache(RobotsTxtClient client)
    : m_client(std::move(client))
{
}

RobotsTxtAnswer RobotsTxtCache::AnswerFor(const Text& pageUrl)
{
    const Site& site = readSite(RobotsTxtSiteOf(pageUrl));
    if (!site.rules)
        return RobotsTxtAnswer::Unknown;
    return site.rules->Allows(RobotsTxtTargetOf(pageUrl)) ? RobotsTxtAnswer::Allowed
                                                          : RobotsTxtAnswer::Disallowed;
}

const RobotsTxtCache::Site& RobotsTxtCache::readSite(const Text& key)
{
    std::unique_lock lock(m_mutex);
    const auto [entry, first] = m_sites.try_emplace(key);
    // An entry of the map stays where it is while others are added.
    Site& site = entry->second;
    if (!first) {
        m_read.wait(lock, [&site] { return site.read; });
        return site;
    }
    lock.unlock();
    std::optional<RobotsTxt> rules;
    try {
        rules = FetchRobotsTxt(key, m_client);
    } catch (...) {
        lock.lock();
        site.read = true;
        m_read.notify_all();
        throw;
    }
    lock.lock();
    site.rules = std::move(rules);
    site.read = true;
    m_read.notify_all();
    return site;
}
