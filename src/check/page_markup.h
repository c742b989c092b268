#pragma once

#include "base/text.h"
#include "check/check_outcome.h"
#include "check/robots_directives.h"

#include <cstdint>
#include <string_view>

// What the page reading is told of the fetch.
struct MarkupQuery {
    // The query as the operator keeps it.
    Text query;
    // The query's bytes as the byte search found them on the page (its GBK
    // or its UTF-8 form); empty when it was not found.
    std::string_view found;
    // The address the page was fetched from.
    std::string_view pageUrl;
    // The response says the page is in UTF-8 (a <meta> charset may say so too).
    bool utf8 = false;
};

// What the markup of a fetched page says beyond the byte search.
struct PageMarkup {
    // The first link to the query's site in another form (NearMatch), as
    // the page writes it, and how it differs; both empty when none, and
    // always when the query was found.
    Text near;
    Text nearDifference;
    // The robots meta tags of the page (a response's X-Robots-Tag lines may be added).
    RobotsDirectives robots;
    // The match the outcome tells of (MatchPlacements), npos when none: its
    // placement, and the href and anchor text of the link it sits in
    // (both GBK, at most OutcomeTextLimit bytes).
    std::size_t matchOffset = std::string_view::npos;
    LinkPlacement placement = LinkPlacement::None;
    Text href;
    Text anchor;
    // Links pointing at the query's site (NearMatch's host rules).
    std::int64_t links = 0;
    // The first <link rel="canonical"> href, references decoded, when it
    // names another page than the one fetched (NamesOtherPage).
    Text canonical;
    std::int64_t outbound = 0;
    std::int64_t outboundHosts = 0;
    std::int64_t outboundNofollow = 0;
    // What the page's markup tells of it (PageKindSignals).
    PageKind page = PageKind::Ok;
};

// Reads page in one pass from its top to its end (PageReader): its tags,
// text, comments and raw text in order, the matches of the query among
// them, its links, meta tags and canonical link. The page is read where it
// lies, never copied; the cost grows with the page alone, memory is
// bounded whatever its markup. Pure; safe from any thread.
PageMarkup ReadPageMarkup(std::string_view page, const MarkupQuery& query);
