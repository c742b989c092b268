#include "cli/polite_queue.h"

#include <unordered_map>

PoliteQueue::PoliteQueue(const std::vector<Text>& hostKeys, int perHost)
    : m_perHost(perHost)
{
    std::unordered_map<Text, std::size_t> hostNumbers;
    m_hostOf.reserve(hostKeys.size());
    for (std::size_t site = 0; site < hostKeys.size(); ++site) {
        const auto [entry, added] = hostNumbers.try_emplace(hostKeys[site], m_hosts.size());
        if (added)
            m_hosts.emplace_back();
        m_hosts[entry->second].sites.push_back(site);
        m_hostOf.push_back(entry->second);
    }
    for (std::size_t host = 0; host < m_hosts.size(); ++host)
        offer(host);
}

std::optional<std::size_t> PoliteQueue::Take()
{
    std::unique_lock lock(m_mutex);
    ++m_waiting;
    m_siteDone.wait(lock, [this] { return !m_ready.empty() || m_taken == m_hostOf.size(); });
    --m_waiting;
    return takeReady();
}

void PoliteQueue::Done(std::size_t site)
{
    {
        const std::lock_guard lock(m_mutex);
        const std::size_t host = m_hostOf[site];
        // A host that was full has room again; one with room was on offer already.
        if (m_hosts[host].out-- == m_perHost)
            offer(host);
    }
    m_siteDone.notify_one();
}

bool PoliteQueue::WorkForAnother() const
{
    const std::lock_guard lock(m_mutex);
    return m_waiting == 0 && !m_ready.empty();
}

bool PoliteQueue::Exhausted() const
{
    const std::lock_guard lock(m_mutex);
    return m_taken == m_hostOf.size();
}

void PoliteQueue::offer(std::size_t host)
{
    const Host& entry = m_hosts[host];
    if (entry.next < entry.sites.size() && entry.out < m_perHost)
        m_ready.emplace(entry.sites[entry.next], host);
}

std::optional<std::size_t> PoliteQueue::takeReady()
{
    if (m_ready.empty())
        return std::nullopt;
    const std::size_t host = m_ready.top().second;
    m_ready.pop();
    Host& entry = m_hosts[host];
    const std::size_t site = entry.sites[entry.next++];
    ++entry.out;
    offer(host);
    // Once the last site is out, the takers still waiting end.
    if (++m_taken == m_hostOf.size())
        m_siteDone.notify_all();
    return site;
}
