#pragma once

#include "check/check_outcome.h"

#include <cstddef>
#include <string_view>

// The rel of the link a match on a page sits in: when the byte at matchOffset
// lies inside an <a …> start tag (as its href value, say) or within the
// element's text before its </a>, the first of nofollow, sponsored and ugc
// among the tokens of that tag's rel attribute (letter case ignored), None
// when it has none of them, NotInLink when the match is in no link.
//
// The page is read where it lies, never copied: one scan back from the match
// to the nearest <a or </a, and one scan forward through that tag's
// attributes, so the cost grows with the page, never with its square.
// Markup is read simply: a link written inside a comment or a script counts
// as a link, and the first rel attribute of a tag is the one that counts.
// Pure function; safe from any thread.
LinkRel LinkRelOfMatch(std::string_view page, std::size_t matchOffset);

// The first of nofollow, sponsored and ugc among the blank-separated tokens
// of a rel attribute's value (letter case ignored), None when it has none.
LinkRel LinkRelOfValue(std::string_view value);

// Whether a link of that rel is one search engines pass by: nofollow, sponsored or ugc.
inline bool RelPassesBy(LinkRel rel)
{
    return rel == LinkRel::NoFollow || rel == LinkRel::Sponsored || rel == LinkRel::Ugc;
}
