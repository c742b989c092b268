#include "check/own_page_links.h"

#include "base/gbk_codec.h"
#include "check/anchor_text.h"
#include "check/html_markup.h"
#include "check/html_tag_scan.h"
#include "check/link_rel.h"
#include "check/web_address.h"

#include <algorithm>

namespace {

// The most of an href read for its host, and of a link's content for its anchor.
constexpr std::size_t hrefWindow = 2048;
constexpr std::size_t anchorContentLimit = std::size_t { 64 } << 10;
// An href kept for the operator's eyes: enough to know the link by.
constexpr std::size_t keptHrefLimit = 512;

// The href's first bytes with character references decoded: a host may be written with them.
std::string decodedFront(std::string_view href)
{
    std::string decoded;
    DecodeHtmlReferences(href, hrefWindow, decoded);
    return decoded;
}

Text keptHref(const std::string& decoded, bool utf8)
{
    const Text shown = decoded.substr(0, keptHrefLimit);
    return CappedOutcomeText(utf8 ? Utf8ToGbk(shown) : shown);
}

}

Text SiteKey(std::string_view address)
{
    WebAddress parts;
    if (!SplitWebAddress(address, true, parts))
        return {};
    Text key = LowerText(SiteName(parts.host));
    if (!HasDefaultPort(parts))
        key += ":" + Text(parts.port);
    return key;
}

Text PartnerSiteKey(std::string_view address)
{
    const std::string_view trimmed = TrimHtmlSpace(address);
    return SiteKey(trimmed.find("://") == std::string_view::npos ? "http://" + Text(trimmed) : Text(trimmed));
}

void OwnPageLinks::Read(std::string_view page, const Text& pageUrl, bool utf8)
{
    m_ownSite = SiteKey(pageUrl);
    m_pageUrl = pageUrl;
    m_utf8 = utf8;
    m_link = OpenLink {};
    HtmlTagScan scan(page);
    while (scan.Next()) {
        const HtmlElement element = scan.Element();
        if (scan.Token() == HtmlToken::EndTag && element == HtmlElement::A)
            closeLink(page, scan.Begin(), m_utf8);
        if (scan.Token() != HtmlToken::StartTag)
            continue;
        if (element == HtmlElement::A)
            closeLink(page, scan.Begin(), m_utf8);
        if (element != HtmlElement::A && element != HtmlElement::Area && element != HtmlElement::Meta)
            continue;
        std::string_view href, rel, alt, charset, httpEquiv, content;
        bool hasHref = false;
        HtmlAttribute attribute;
        while (scan.NextAttribute(attribute)) {
            const std::string_view name = attribute.name;
            if (EqualsIgnoringCase(name, "href") && !hasHref) {
                href = attribute.value;
                hasHref = true;
            } else if (EqualsIgnoringCase(name, "rel")) {
                rel = attribute.value;
            } else if (EqualsIgnoringCase(name, "alt")) {
                alt = attribute.value;
            } else if (EqualsIgnoringCase(name, "charset")) {
                charset = attribute.value;
            } else if (EqualsIgnoringCase(name, "http-equiv")) {
                httpEquiv = attribute.value;
            } else if (EqualsIgnoringCase(name, "content")) {
                content = attribute.value;
            }
        }
        if (element == HtmlElement::Meta) {
            m_utf8 = m_utf8 || NamesUtf8(charset)
                || (EqualsIgnoringCase(httpEquiv, "content-type") && NamesUtf8(content));
            continue;
        }
        if (hasHref)
            openLink(href, rel, scan.End());
        if (element == HtmlElement::Area && m_link.open) {
            if (m_link.wantsAnchor)
                m_sites[m_link.site].anchor = ImageAnchorText(alt, m_utf8);
            m_link = OpenLink {};
        }
    }
    closeLink(page, page.size(), m_utf8);
}

void OwnPageLinks::openLink(std::string_view href, std::string_view rel, std::size_t contentBegin)
{
    const std::string front = decodedFront(TrimHtmlSpace(href));
    const Text key = SiteKey(front);
    if (key.empty() || key == m_ownSite)
        return;
    const std::size_t site = siteFor(key, front, m_utf8);
    if (site == m_sites.size())
        return;
    Site& entry = m_sites[site];
    const bool follows = !RelPassesBy(LinkRelOfValue(rel));
    // The anchor of the first link, unless a later one is better.
    const bool wantsAnchor = entry.count == 0 || (follows && !entry.follows);
    entry.follows = entry.follows || follows;
    ++entry.count;
    m_link = OpenLink { site, contentBegin, true, wantsAnchor };
}

void OwnPageLinks::closeLink(std::string_view page, std::size_t contentEnd, bool utf8)
{
    if (!m_link.open)
        return;
    if (m_link.wantsAnchor) {
        const std::size_t begin = std::min(m_link.contentBegin, contentEnd);
        m_sites[m_link.site].anchor
            = ReadAnchorText(page.substr(begin, std::min(contentEnd - begin, anchorContentLimit)), utf8);
    }
    m_link = OpenLink {};
}

// The entry of the site, made when new; m_sites.size() when the table is full.
std::size_t OwnPageLinks::siteFor(const Text& key, std::string_view href, bool utf8)
{
    if (const auto found = m_index.find(key); found != m_index.end())
        return found->second;
    if (m_sites.size() >= SiteLimit) {
        m_full = true;
        return m_sites.size();
    }
    m_index.emplace(key, m_sites.size());
    m_sites.push_back({ key, keptHref(std::string(href), utf8), {}, m_pageUrl, false, 0 });
    return m_sites.size() - 1;
}

BackLink OwnPageLinks::BackOf(const Text& partnerAddress, Text& anchor) const
{
    anchor.clear();
    const Text key = PartnerSiteKey(partnerAddress);
    if (key.empty())
        return BackLink::Unknown;
    const auto found = m_index.find(key);
    if (found == m_index.end())
        return m_unread || m_full ? BackLink::Unknown : BackLink::No;
    const Site& site = m_sites[found->second];
    anchor = site.anchor;
    return site.follows ? BackLink::Yes : BackLink::NoFollow;
}
