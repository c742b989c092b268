#pragma once

#include "base/text.h"
#include "check/check_outcome.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

// The links of the operator's own pages, one entry per site they point at,
// so that each partner can be told whether the operator links back. A site
// is a host, letter case and one leading "www." ignored, and its port, a
// missing one, :80 with http and :443 with https all the default: the host
// rules of NearMatch, any path. Only absolute links count (a relative link
// stays on the own site), and only those of the page's markup: a link
// written in a comment, a script, a style sheet or a text box is none.
//
// Bounded whatever the pages hold: at most SiteLimit sites are told apart
// (a site beyond them makes Full() true, and a partner not among them is
// then Unknown, never No); each entry keeps the first href and the anchor
// text of its best link (one without nofollow, sponsored or ugc beats one
// with), both capped, and the anchor is read only when an entry gains a
// better link. Not thread-safe; the page must outlive Read.
class OwnPageLinks
{
public:
    static constexpr std::size_t SiteLimit = 4096;

    struct Site {
        Text key; // the site as SiteKey gives it
        Text href; // the first link to it, references decoded, GBK, capped
        Text anchor; // the best link's anchor text (ReadAnchorText), GBK
        Text ownPage; // the own page that first links it
        bool follows = false; // some link to it has no nofollow, sponsored or ugc
        std::int64_t count = 0; // links to it
    };

    // Reads the links of one own page, fetched from pageUrl; utf8: its response names UTF-8.
    void Read(std::string_view page, const Text& pageUrl, bool utf8);
    // An own page could not be read: a partner none of the others links is Unknown.
    void MarkUnread() { m_unread = true; }

    // Whether the own pages link to the site of a partner's address (one
    // without "://" is taken as http, as the fetch takes it), and the best
    // link's anchor text. Unknown for an address without a host.
    BackLink BackOf(const Text& partnerAddress, Text& anchor) const;

    // The sites in the order the pages first link them.
    const std::vector<Site>& Sites() const { return m_sites; }
    bool Full() const { return m_full; }
    bool Unread() const { return m_unread; }

private:
    struct OpenLink {
        std::size_t site = 0;
        std::size_t contentBegin = 0;
        bool open = false;
        bool wantsAnchor = false;
    };

    void openLink(std::string_view href, std::string_view rel, std::size_t contentBegin);
    void closeLink(std::string_view page, std::size_t contentEnd, bool utf8);
    std::size_t siteFor(const Text& key, std::string_view href, bool utf8);

    std::vector<Site> m_sites;
    std::unordered_map<Text, std::size_t> m_index;
    OpenLink m_link;
    Text m_ownSite;
    Text m_pageUrl;
    bool m_full = false;
    bool m_unread = false;
    bool m_utf8 = false;
};

// The site of an absolute http, https or "//" address as OwnPageLinks
// tells sites apart: "host" or "host:port" in lower case, without one
// leading "www."; empty when it has no host.
Text SiteKey(std::string_view address);

// The site of a partner's address as listed: blanks around it trimmed, and
// one without "://" taken as http, as the fetch takes it.
Text PartnerSiteKey(std::string_view address);
