#pragma once

#include "base/text.h"
#include "check/web_address.h"

#include <array>
#include <cstddef>
#include <string_view>

// Looks, link by link, for a link on a page that points where the query's
// web address points but is written in another form, so that an operator
// whose query the byte search missed learns that the page links the site
// after all.
//
// The query holds an address when it starts with "http://" or "https://"
// (any letter case) and a host; the address ends at its first blank,
// control byte, quote, '<' or '>', and any text after it is left aside.
// Both the address and each link are split into scheme, host, port and
// the rest (path, query string, fragment), after HTML character references
// are decoded (&amp;, &lt;, &gt;, &quot;, &apos;, &#38;, &#x26;, ...). A
// link points at the same place in another form when:
//  - it is absolute: "http:", "https:" (any letter case) or "//" before its
//    host, so a relative link, which points at the partner's own site, never
//    counts;
//  - its host equals the address's when letter case and one leading "www."
//    are ignored;
//  - its port is the address's, where a missing port, :80 with http and
//    :443 with https (either with "//") are all the default port;
//  - its rest, with one '/' at the end of its path dropped, is the
//    address's rest so dropped, or goes on from it with '/', '?', '#' (or
//    '&' after a query string): an address naming a site's root or a folder
//    is met by any link into it, as the byte search meets any link that
//    starts with the query.
// An address with bytes above 0x7F (GBK) is compared in its GBK and its
// UTF-8 form, so a UTF-8 page's links meet a GBK query.
//
// Each link costs a scan for its end plus a bounded window of its first
// bytes (the address's length and a little more); the page is never copied.
// Not thread-safe; one object per page.
class NearMatch
{
public:
    // A query holding no address leaves Wanted() false from the start.
    explicit NearMatch(const Text& query);
    NearMatch(const NearMatch&) = delete;
    NearMatch& operator=(const NearMatch&) = delete;

    // Whether links are still to be looked at: the query holds an address and no link met it yet.
    bool Wanted() const { return m_formCount > 0 && m_link.empty(); }
    // Whether the query holds a web address at all.
    bool HoldsAddress() const { return m_formCount > 0; }
    // Whether an href, as the page writes it (references undecoded), points
    // at the address's site by the rules above (absolute, same host and
    // port), any path. With considerNear, while Wanted(), a link that meets
    // the address in another form is kept: the first such link.
    bool ReadLink(std::string_view href, bool considerNear);
    // Whether a link whose site (SiteName of its host) is written thus may
    // be on the address's site: it is the address's, letter case aside, or
    // it holds a character reference that may hide it. False for an empty site.
    bool MayBeOnSite(std::string_view site) const;
    // Whether the query string of an href, percent-encoding decoded and
    // letter case ignored, carries the address's site name: a jump page's
    // link (go.php?url=…) to the site.
    bool CarriesSite(std::string_view href) const;
    // The link found, as the page writes it (a link that met the UTF-8 form
    // turned into GBK), at most OutcomeTextLimit bytes; empty when none.
    const Text& Link() const { return m_link; }
    // How it differs from the query, in short GBK phrases joined by "，":
    // "https 而非 http", "少了结尾的 /", "少了 www.", "主机名大小写不同", ...
    const Text& Difference() const { return m_difference; }

private:
    // The address in one encoding: as written, and decoded and split.
    struct QueryForm {
        Text written;
        Text address;
        WebAddress parts;
        Text site; // the host without "www.", in lower case
        Text rest; // the rest with the slash ending its path dropped
        bool utf8 = false;
        bool decoded = false; // references were decoded in it
    };
    // What keeping a link needs to know of the window read from it.
    struct LinkShape {
        bool samePlace = false; // its rest is the address's, not one going on from it
        bool complete = false; // the window is the whole link
        bool decoded = false; // references were decoded in the window
        std::string_view written; // the window as the page writes it
    };

    void addForm(const Text& address, bool utf8);
    bool onSite(const WebAddress& link) const;
    bool readLink(std::string_view href, WebAddress& link, LinkShape& shape);
    bool meets(const QueryForm& form, const WebAddress& link, LinkShape& shape);
    void keep(std::string_view href, const QueryForm& form, const WebAddress& link, const LinkShape& shape);

    std::array<QueryForm, 2> m_forms;
    std::size_t m_formCount = 0;
    bool m_queryHasTail = false;
    std::size_t m_window = 0;
    Text m_decoded;
    Text m_linkRest;
    Text m_link;
    Text m_difference;
};
