#include "check/outbound_links.h"

#include "check/html_markup.h"
#include "check/web_address.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::int64_t hostLimit = 10000;
// A power of two with room to spare for hostLimit hashes.
constexpr std::size_t tableSize = 1 << 14;

// A 32-bit hash of the name read eight bytes at a time, with bit 0x20 set in every
// byte, which makes letters lower case and leaves the digits, '.' and '-' of
// a host as they are; never 0.
std::uint32_t hostHash(std::string_view name)
{
    constexpr std::uint64_t lowerCase = 0x2020202020202020ULL;
    std::uint64_t hash = name.size();
    for (std::size_t at = 0; at < name.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, name.data() + at, std::min<std::size_t>(8, name.size() - at));
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

void OutboundLinks::Add(std::string_view host, LinkRel rel)
{
    const std::string_view site = SiteName(host);
    if (host.empty() || EqualsIgnoringCase(site, m_ownSite))
        return;
    ++m_count;
    if (rel == LinkRel::NoFollow || rel == LinkRel::Sponsored || rel == LinkRel::Ugc)
        ++m_noFollow;
    if (m_hostCount < hostLimit)
        addHost(site);
}

void OutboundLinks::addHost(std::string_view site)
{
    if (m_hosts.empty())
        m_hosts.resize(tableSize);
    const std::uint32_t hash = hostHash(site);
    for (std::size_t slot = hash & (tableSize - 1);; slot = (slot + 1) & (tableSize - 1)) {
        if (m_hosts[slot] == hash)
            return;
        if (m_hosts[slot] == 0) {
            m_hosts[slot] = hash;
            ++m_hostCount;
            return;
        }
    }
}
