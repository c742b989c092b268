#pragma once

#include "base/text.h"

#include <cstddef>
#include <string_view>
#include <vector>

// The rules a site's robots.txt gives one spider, read as search engines
// read them. The lines are grouped by User-agent: consecutive User-agent
// lines share the group of rules that follows them, names compare without
// letter case, and the spider keeps the group of the longest name that is
// its own product token or a front of it ending at a '-' ("baiduspider"
// for "baiduspider-image"), every group of that name together; without one
// the "*" group; without that no rule. Allow and Disallow paths hold '*'
// for any run of bytes and may end in '$' for the address's end; the
// longest matching path decides, Allow winning a tie, and an empty path is
// no rule. Paths and addresses are compared with percent-escapes of
// unreserved characters decoded and every other escape, blank, control and
// non-ASCII byte written %XX in upper-case hexadecimal. A UTF-8 byte-order
// mark is passed over; lines end with CR LF, CR or LF; '#' starts a comment.
//
// Bounds: only the first FileLimit bytes are read, a line longer than
// LineLimit is passed over, and at most RuleLimit rules are kept. A match
// walks the address once per '*'-separated piece of a rule, never back, so
// '*' costs no backtracking. Plain value; safe from any thread once made.
class RobotsTxt
{
public:
    static constexpr std::size_t FileLimit = std::size_t { 512 } << 10;
    static constexpr std::size_t LineLimit = std::size_t { 8 } << 10;
    static constexpr std::size_t RuleLimit = 10000;

    // The rules of file for the spider whose product token is spider ("Baiduspider").
    RobotsTxt(std::string_view file, std::string_view spider);

    // Whether the spider may fetch target, an address's path and query ("/a.html?x=1").
    bool Allows(std::string_view target) const;

    // Whether body can be a robots.txt at all: text without NUL bytes.
    static bool IsText(std::string_view body);

private:
    struct Rule {
        Text path; // normalised as the addresses are
        bool allow;
    };
    std::vector<Rule> m_rules;
};
