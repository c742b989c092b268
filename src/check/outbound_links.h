#pragma once

#include "base/text.h"
#include "check/check_outcome.h"

#include <cstdint>
#include <string_view>
#include <vector>

// Counts the links of a page that point away from the partner's own site:
// absolute http, https or "//" links whose host, letter case and one
// leading "www." ignored, is not the host of the page's own address. A
// relative link stays on the site. Distinct hosts are told apart up to
// 10 000 of them, each by a 32-bit hash of its lower-case name kept in a
// table that starts small and doubles as it fills, up to a size bounded by
// that limit, so that a page of many links costs no memory per link and a
// page of a few costs little. Not thread-safe; one object per page.
class OutboundLinks
{
public:
    explicit OutboundLinks(std::string_view pageUrl);

    // One link's site (SiteName of the LinkHost of its href; empty for a
    // relative link), and the rel of its tag.
    void Add(std::string_view site, LinkRel rel);

    std::int64_t Count() const { return m_count; }
    std::int64_t Hosts() const { return m_hostCount; }
    std::int64_t NoFollow() const { return m_noFollow; }

private:
    Text m_ownSite;
    void addHost(std::string_view site);
    bool insertHash(std::uint32_t hash);
    void grow();

    // Open addressing by the hash's low bits; 0 marks a free slot.
    std::vector<std::uint32_t> m_hosts;
    std::int64_t m_hostCount = 0;
    std::int64_t m_count = 0;
    std::int64_t m_noFollow = 0;
};
