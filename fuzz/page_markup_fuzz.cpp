// Feeds arbitrary bytes to the page reading behind near matches and robots:
// the first line is the query, the rest the page. Nothing may crash, a near
// link stays within the outcome's limit and comes with its difference, and a
// query found on the page or holding no web address never gets one.
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
    for (const bool found : { false, true }) {
        const PageMarkup markup = ReadPageMarkup(
            page, { query, found ? std::string_view(query) : std::string_view(), "http://partner.test/" });
        require(markup.near.size() <= OutcomeTextLimit);
        require(markup.near.empty() == markup.nearDifference.empty());
        require(markup.near.empty() || (!found && query.find("//") != Text::npos));
        markup.robots.Result();
    }
    return 0;
}
