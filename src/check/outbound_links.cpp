#include "check/outbound_links.h"

#include "check/html_markup.h"
#include "check/web_address.h"

namespace {

constexpr std::size_t hostLimit = 10000;
constexpr std::size_t hostNameLimit = 255;

}

OutboundLinks::OutboundLinks(std::string_view pageUrl)
{
    WebAddress page;
    if (SplitWebAddress(pageUrl, true, page))
        m_ownSite = LowerText(SiteName(page.host));
}

void OutboundLinks::Add(std::string_view href, LinkRel rel)
{
    WebAddress link;
    if (!SplitWebAddress(TrimHtmlSpace(href), true, link))
        return;
    const std::string_view site = SiteName(link.host);
    if (EqualsIgnoringCase(site, m_ownSite))
        return;
    ++m_count;
    if (rel == LinkRel::NoFollow || rel == LinkRel::Sponsored || rel == LinkRel::Ugc)
        ++m_noFollow;
    if (m_hosts.size() < hostLimit)
        m_hosts.insert(LowerText(site.substr(0, hostNameLimit)));
}
