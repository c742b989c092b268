#pragma once

#include "check/element_stack.h"
#include "check/html_tag_scan.h"
#include "check/match_placements.h"
#include "check/near_match.h"
#include "check/outbound_links.h"
#include "check/page_kind_signals.h"
#include "check/page_markup.h"

#include <cstddef>
#include <string_view>

// The one pass of ReadPageMarkup over a page. Each match of the query is
// judged where it sits when the scan reaches it: in a comment, in the raw
// text of a script, style or textarea, inside <noscript>, in a hidden
// element, in a link, or in plain text (LinkPlacement). A link is an <a>
// element from its start tag to its </a> (or to the next <a>, or the
// page's end), or an <area>; its href points at the query's site, or
// carries it in its query string (NearMatch), or neither. Links inside
// comments and scripts are no links of the page. The page must outlive the
// reader; one use, one thread.
class PageReader
{
public:
    PageReader(std::string_view page, const MarkupQuery& query);
    PageReader(const PageReader&) = delete;
    PageReader& operator=(const PageReader&) = delete;

    PageMarkup Read();

private:
    struct Tag;
    // The <a> or <area> the scan is in.
    struct OpenLink {
        std::size_t number = 0; // 0: none is open
        std::size_t contentBegin = 0;
        std::string_view href;
        LinkRel rel = LinkRel::None;
        bool pointsAtSite = false;
    };

    // Inline, always, in Read's loop: it runs between every two tokens.
    [[gnu::always_inline]] inline void readText(std::size_t begin, std::size_t end);
    void readStartTag();
    void readEndTag();
    void readRawText();
    void readTagSignals(const Tag& tag);
    void readMeta(const Tag& tag);
    void openLink(const Tag& tag);
    void closeLink(std::size_t contentEnd, const Tag* area = nullptr);
    // Judges every match that starts before end: where it sits, unless
    // fixed says. Inline: it runs after every token, and most have no match.
    void judgeUpTo(std::size_t end, LinkPlacement fixed)
    {
        if (m_matches.Next() < end)
            judgeMatches(end, fixed);
    }
    void judgeMatches(std::size_t end, LinkPlacement fixed);
    LinkPlacement placementHere();
    Text keptHref(std::string_view href) const;

    std::string_view m_page;
    const MarkupQuery& m_query;
    HtmlTagScan m_scan;
    NearMatch m_near;
    ElementStack m_stack;
    PageKindSignals m_signals;
    OutboundLinks m_outbound;
    MatchPlacements m_matches;
    OpenLink m_link;
    std::size_t m_linkCount = 0;
    PageMarkup m_markup;
    bool m_canonicalRead = false;
    bool m_utf8 = false;
};
