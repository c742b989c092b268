#include "check/canonical_address.h"

#include "check/check_outcome.h"
#include "check/html_markup.h"
#include "check/web_address.h"

#include <string>

namespace {

// rest without its fragment and without the slash that ends its path.
std::string comparedRest(std::string_view rest)
{
    std::string compared(rest.substr(0, rest.find('#')));
    const std::size_t slash = PathEndingSlash(compared, true);
    if (slash != std::string::npos)
        compared.erase(slash, 1);
    return compared;
}

// The canonical href made absolute against the page's address.
std::string resolved(std::string_view href, std::string_view pageUrl, const WebAddress& page)
{
    if (href.starts_with("//") || StartsWithIgnoringCase(href, "http:")
        || StartsWithIgnoringCase(href, "https:"))
        return std::string(href);
    const std::string_view origin = pageUrl.substr(0, pageUrl.size() - page.rest.size());
    if (href.starts_with('/'))
        return std::string(origin) + std::string(href);
    const std::string_view path = page.rest.substr(0, page.rest.find_first_of("?#"));
    if (href.starts_with('?'))
        return std::string(origin) + std::string(path) + std::string(href);
    if (href.starts_with('#'))
        return std::string(pageUrl);
    const std::string_view folder = path.substr(0, path.rfind('/') + 1);
    return std::string(origin) + (folder.empty() ? "/" : std::string(folder)) + std::string(href);
}

}

bool NamesOtherPage(std::string_view canonical, std::string_view pageUrl)
{
    WebAddress page;
    std::string href;
    DecodeHtmlReferences(TrimHtmlSpace(canonical), OutcomeTextLimit, href);
    if (href.empty() || !SplitWebAddress(pageUrl, true, page))
        return false;
    const std::string absolute = resolved(href, pageUrl, page);
    WebAddress named;
    if (!SplitWebAddress(absolute, true, named))
        return true;
    return !OnSameSite(page, LowerText(SiteName(page.host)), named)
        || comparedRest(named.rest) != comparedRest(page.rest);
}
