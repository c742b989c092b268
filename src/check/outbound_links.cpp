#include "check/outbound_links.h"

#include "check/html_markup.h"
#include "check/link_rel.h"
#include "check/web_address.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::int64_t hostLimit = 10000;
// Powers of two; the table doubles once it is half full, so the largest
// holds hostLimit hashes with room to spare.
constexpr std::size_t firstTableSize = 64;

// A 32-bit hash of the name read eight bytes at a time, with bit 0x20 set in every
// byte, which makes letters lower case and leaves the digits, '.' and '-' of
// a host as they are; never 0.
std::uint32_t hostHash(std::string_view name)
{
    constexpr std::uint64_t lowerCase = 0x2020202020202020ULL;
    std::uint64_t hash = name.size();
    for (std::size_t at = 0; at < name.size(); at += 8) {
        std::uint64_t word = 0;
        // A copy of eight bytes is one load; only the last, shorter word needs a copy of its length.
        if (name.size() - at >= 8)
            std::memcpy(&word, name.data() + at, 8);
        else
            std::memcpy(&word, name.data() + at, name.size() - at);
        hash = (hash ^ (word | lowerCase)) * 0x9E3779B97F4A7C15ULL;
        hash ^= hash >> 29;
    }
    const auto folded = static_cast<std::uint32_t>(hash ^ (hash >> 32));
    return folded == 0 ? 1 : folded;
}

}

OutboundLinks::OutboundLinks(std::string_view pageUrl)
{
    m_ownSite = LowerText(SiteName(LinkHost(TrimHtmlSpace(pageUrl))));
}

void OutboundLinks::Add(std::string_view site, LinkRel rel)
{
    if (site.empty() || EqualsIgnoringCase(site, m_ownSite))
        return;
    ++m_count;
    if (RelPassesBy(rel))
        ++m_noFollow;
    if (m_hostCount < hostLimit)
        addHost(site);
}

void OutboundLinks::addHost(std::string_view site)
{
    if (static_cast<std::size_t>(m_hostCount) * 2 >= m_hosts.size())
        grow();
    if (insertHash(hostHash(site)))
        ++m_hostCount;
}

// Puts hash in its slot; false when the table holds it already.
bool OutboundLinks::insertHash(std::uint32_t hash)
{
    const std::size_t mask = m_hosts.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        if (m_hosts[slot] == hash)
            return false;
        if (m_hosts[slot] == 0) {
            m_hosts[slot] = hash;
            return true;
        }
    }
}

void OutboundLinks::grow()
{
    std::vector<std::uint32_t> old = std::exchange(m_hosts, {});
    m_hosts.resize(old.empty() ? firstTableSize : old.size() * 2);
    for (const std::uint32_t hash : old) {
        if (hash != 0)
            insertHash(hash);
    }
}
