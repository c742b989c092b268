#pragma once

#include "check/robots_directives.h"
#include "base/text.h"

#include <string_view>

// What the markup of a fetched page says beyond the byte search.
struct PageMarkup {
    // The first link to the query's site in another form (NearMatch), as
    // the page writes it, and how it differs; both empty when none.
    Text near;
    Text nearDifference;
    // The robots meta tags of the page (a response's X-Robots-Tag lines may be added).
    RobotsDirectives robots;
};

// Reads page in one pass from its top to its end (HtmlTagScan): every
// <meta> tag's name and content, and, when the query was not found, the href
// of every <a> and <area> until one meets the query's address in another
// form. The page is read where it lies, never
// copied; the cost grows with the page alone. Pure; safe from any thread.
PageMarkup ReadPageMarkup(std::string_view page, const Text& query, bool queryFound);
