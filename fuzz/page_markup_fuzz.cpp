// Feeds arbitrary bytes to the page reading: the first line is the query,
// the rest the page. Nothing may crash; every text stays within the
// outcome's limit; a near link comes with its difference, and a query found
// on the page or holding no web address never gets one; a placement is
// judged exactly when the query was found, at a match of it; a link is
// outbound at most once, and carries nofollow at most once.
#include "check/check_outcome.h"
#include "check/page_markup.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = std::min(input.find('\n'), input.size());
    const Text query(input.substr(0, lineEnd));
    const std::string_view page = input.substr(std::min(lineEnd + 1, input.size()));
    const bool onPage = !query.empty() && page.find(query) != std::string_view::npos;
    for (const bool found : { false, true }) {
        const bool judged = found && onPage;
        const std::string_view form = judged ? std::string_view(query) : std::string_view();
        const PageMarkup markup = ReadPageMarkup(page, { query, form, "http://partner.test/links.html" });
        require(markup.near.size() <= OutcomeTextLimit);
        require(markup.near.empty() == markup.nearDifference.empty());
        require(markup.near.empty() || (!judged && query.find("//") != Text::npos));
        require((markup.placement != LinkPlacement::None) == judged);
        require(!judged || page.substr(markup.matchOffset, query.size()) == query);
        require(markup.href.size() <= OutcomeTextLimit && markup.anchor.size() <= OutcomeTextLimit
            && markup.canonical.size() <= OutcomeTextLimit);
        require(markup.outboundHosts <= markup.outbound && markup.outboundNofollow <= markup.outbound);
        markup.robots.Result();
    }
    return 0;
}
