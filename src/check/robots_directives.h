#pragma once

#include "base/text_list.h"
#include "check/check_outcome.h"

#include <string_view>

// Gathers what a response tells search engines of its page: the values of
// its X-Robots-Tag header lines and the content of the page's
// <meta name="robots" | "googlebot" | "baiduspider"> tags. Each value is a
// list of directives split at commas and blanks, letter case ignored; a
// directive may name a crawler before it ("googlebot: noindex"), and one
// for any crawler counts. Directives add up over every source: noindex and
// nofollow together, or none, give None; else noindex gives NoIndex, else
// nofollow NoFollow. A plain value; one thread at a time.
class RobotsDirectives
{
public:
    // The X-Robots-Tag lines of a response head: the status line, then
    // header lines up to the first empty one.
    void AddResponseHead(const TextList& head);
    // One <meta> tag's name and content attributes.
    void AddMeta(std::string_view name, std::string_view content);
    RobotsDirective Result() const;

private:
    void addValue(std::string_view value);

    bool m_noIndex = false;
    bool m_noFollow = false;
};
