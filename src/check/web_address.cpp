#include "check/web_address.h"

#include "check/html_markup.h"
#include "net/text_util.h"

#include <algorithm>

namespace {

constexpr auto npos = std::string_view::npos;

}

bool SplitWebAddress(std::string_view text, bool complete, WebAddress& address)
{
    std::size_t hostAt = 2;
    address.scheme = {};
    if (!text.starts_with("//")) {
        const std::size_t colon = text.find(':');
        if (colon == npos || text.substr(colon + 1, 2) != "//")
            return false;
        address.scheme = text.substr(0, colon);
        if (!EqualsIgnoringCase(address.scheme, "http") && !EqualsIgnoringCase(address.scheme, "https"))
            return false;
        hostAt = colon + 3;
    }
    std::size_t end = hostAt;
    while (end < text.size() && text[end] != '/' && text[end] != '?' && text[end] != '#')
        ++end;
    if (end == text.size() && !complete)
        return false;
    const std::string_view authority = text.substr(hostAt, end - hostAt);
    const std::size_t colon = authority.rfind(':');
    address.host = authority.substr(0, colon);
    address.port = colon == npos ? std::string_view() : authority.substr(colon + 1);
    address.rest = text.substr(end);
    return !address.host.empty();
}

std::string_view LinkHost(std::string_view href)
{
    // "http" is compared once, then what follows it: "://" or "s://".
    std::size_t hostAt = 0;
    if (href.starts_with("//"))
        hostAt = 2;
    else if (StartsWithIgnoringCase(href, "http")) {
        const std::string_view afterHttp = href.substr(4);
        hostAt = afterHttp.starts_with("://") ? 7 : StartsWithIgnoringCase(afterHttp, "s://") ? 8 : 0;
    }
    if (hostAt == 0)
        return {};
    const char* const host = href.data() + hostAt;
    const char* const hostEnd = HtmlStretchEnd(host, href.data() + href.size(), HtmlHostEnd);
    return std::string_view(host, static_cast<std::size_t>(hostEnd - host));
}

Text LowerText(std::string_view text)
{
    Text lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAsciiChar);
    return lower;
}

bool HasDefaultPort(const WebAddress& address)
{
    if (address.port.empty())
        return true;
    const bool http = EqualsIgnoringCase(address.scheme, "http");
    const bool https = EqualsIgnoringCase(address.scheme, "https");
    return (address.port == "80" && !https) || (address.port == "443" && !http);
}

bool OnSameSite(const WebAddress& address, std::string_view lowerSite, const WebAddress& link)
{
    if (!EqualsIgnoringCase(SiteName(link.host), lowerSite))
        return false;
    const bool addressDefault = HasDefaultPort(address);
    const bool linkDefault = HasDefaultPort(link);
    return addressDefault == linkDefault && (addressDefault || address.port == link.port);
}

std::size_t PathEndingSlash(std::string_view rest, bool complete)
{
    std::size_t pathEnd = 0;
    while (pathEnd < rest.size() && rest[pathEnd] != '?' && rest[pathEnd] != '#')
        ++pathEnd;
    if (pathEnd == rest.size() && !complete)
        return npos;
    return pathEnd > 0 && rest[pathEnd - 1] == '/' ? pathEnd - 1 : npos;
}

Text PercentDecoded(std::string_view text)
{
    Text decoded;
    decoded.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const int high = at + 2 < text.size() && text[at] == '%' ? HexDigitValue(text[at + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(text[at + 2]) : -1;
        if (low < 0) {
            decoded += text[at];
            continue;
        }
        decoded += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return decoded;
}
