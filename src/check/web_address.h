#pragma once

#include "base/text.h"
#include "check/html_markup.h"

#include <string_view>

// The pieces of an http or https web address the page reading compares:
// its scheme, host, port and the rest, and the rules by which two
// addresses are on one site. Views into the text split; nothing is copied
// but lower-case names. Pure functions; safe from any thread.
struct WebAddress {
    std::string_view scheme; // as written; empty for "//"
    std::string_view host; // as written, "www." included
    std::string_view port; // the text after the host's ':', empty when none
    std::string_view rest; // from the first '/', '?' or '#' after the host
};

// Splits an absolute http, https or scheme-relative ("//host") address.
// When text is only the front of the address (not complete), its host
// must end within it. False for anything else, or an empty host.
bool SplitWebAddress(std::string_view text, bool complete, WebAddress& address);

// The host of an absolute http, https or "//" address as written, up to
// its first '/', '?', '#' or ':'; empty for any other text.
std::string_view LinkHost(std::string_view href);

// Inline: the page reading asks these of every link.
inline bool StartsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix)
{
    return text.size() >= lowerPrefix.size()
        && EqualsIgnoringCase(text.substr(0, lowerPrefix.size()), lowerPrefix);
}
inline bool HasWww(std::string_view host) { return host.size() > 4 && StartsWithIgnoringCase(host, "www."); }
// The host without one leading "www.".
inline std::string_view SiteName(std::string_view host) { return HasWww(host) ? host.substr(4) : host; }
Text LowerText(std::string_view text);

// Whether the address has no port, :80 with http or :443 with https (either with "//").
bool HasDefaultPort(const WebAddress& address);

// Whether link is on the site of address, whose site name in lower case is
// lowerSite: the same host, letter case and one leading "www." ignored, and
// the same port, where a missing one, :80 with http and :443 with https are
// all the default.
bool OnSameSite(const WebAddress& address, std::string_view lowerSite, const WebAddress& link);

// Where the '/' that ends the path of rest is, npos when its path ends
// otherwise or, for the front of a longer rest (not complete), further on.
std::size_t PathEndingSlash(std::string_view rest, bool complete);

// text with every "%XX" of two hex digits turned into its byte; a '%' not
// followed by two hex digits is kept as it stands.
Text PercentDecoded(std::string_view text);
