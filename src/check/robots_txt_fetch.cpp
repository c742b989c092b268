#include "check/robots_txt_fetch.h"

#include "check/fetch_slots.h"
#include "check/spider_agents.h"
#include "check/web_address.h"
#include "net/http_send.h"
#include "net/http_text.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "net/text_util.h"

#include <algorithm>

namespace {

constexpr int redirectLimit = 4;
// Enough for any status or header line a robots.txt answer needs.
constexpr std::int32_t lineLimit = 64 << 10;

// The Location of a response head; empty when it has none.
Text locationOf(const TextList& head)
{
    for (std::size_t line = 1; line < head.Count() && !head[line].empty(); ++line) {
        if (StartsWith(LowerAscii(head[line].substr(0, 9)), "location:"))
            return TrimControls(head[line].substr(9));
    }
    return {};
}

// Where a redirect from site's robots.txt leads, as a full address; empty
// when it leaves the site.
Text redirectTarget(const Text& site, const Text& location)
{
    if (location.starts_with("/") && !location.starts_with("//"))
        return site + location;
    const Text address
        = location.starts_with("//") ? site.substr(0, site.find(':')) + ":" + location : location;
    return RobotsTxtSiteOf(address) == site ? address : Text();
}

enum class Answer { Rules, AllowAll, Unknown, Redirect };

Answer answerOf(THTTPSend& http, bool exchanged)
{
    const TextList& head = http.Headers();
    const bool responded = !head.Empty() && StartsWith(UpperAscii(head[0]), "HTTP/");
    const std::int32_t status = http.ResultCode();
    if (!responded)
        return Answer::Unknown;
    if (status >= 300 && status < 400)
        return Answer::Redirect;
    if (status >= 400 && status < 500)
        return Answer::AllowAll;
    // A body cut at the limit, or broken off, is not the whole file.
    const bool whole = exchanged && http.Document().Size() <= static_cast<std::int64_t>(RobotsTxt::FileLimit);
    return status >= 200 && status < 300 && whole ? Answer::Rules : Answer::Unknown;
}

}

Text RobotsTxtSiteOf(const Text& pageUrl)
{
    WebAddress address;
    const Text trimmed = TrimControls(pageUrl);
    if (!SplitWebAddress(trimmed, true, address))
        return {};
    const Text scheme = LowerText(address.scheme);
    if (scheme != "http" && scheme != "https")
        return {};
    const Text port = address.port.empty() ? DefaultPortOf(scheme) : Text(address.port);
    if (!IsPortText(port))
        return {};
    return scheme + "://" + LowerText(address.host) + ":" + std::to_string(IntFromText(port, 0));
}

Text RobotsTxtTargetOf(const Text& pageUrl)
{
    WebAddress address;
    const Text trimmed = TrimControls(pageUrl);
    if (!SplitWebAddress(trimmed, true, address))
        return "/";
    const std::string_view rest = address.rest.substr(0, address.rest.find('#'));
    if (rest.empty() || rest.front() != '/')
        return "/" + Text(rest);
    return Text(rest);
}

std::optional<RobotsTxt> FetchRobotsTxt(const Text& site, const RobotsTxtClient& client)
{
    if (site.empty())
        return std::nullopt;
    Text address = site + "/robots.txt";
    for (int hop = 0; hop <= redirectLimit && !address.empty(); ++hop) {
        const FetchSlots::Slot slot = FetchSlots::Process().Take();
        THTTPSend http;
        http.Timeout = client.waitMs;
        http.Sock().MaxLineLength = lineLimit;
        // One byte beyond the limit tells a file that is too long from one that just fits.
        http.MaxBodySize = static_cast<std::int64_t>(RobotsTxt::FileLimit) + 1;
        if (client.prepare)
            client.prepare(http);
        http.UserAgent = BaiduSpiderAgent;
        const bool exchanged = http.ExecuteRequest("GET", address);
        switch (answerOf(http, exchanged)) {
        case Answer::Rules: {
            const MemoryStream& body = http.Document();
            const std::int64_t from = std::min(body.Position(), body.Size());
            const std::string_view file(body.Data() + from, static_cast<std::size_t>(body.Size() - from));
            if (!RobotsTxt::IsText(file))
                return std::nullopt;
            return RobotsTxt(file, BaiduSpiderToken);
        }
        case Answer::AllowAll:
            return RobotsTxt({}, BaiduSpiderToken);
        case Answer::Unknown:
            return std::nullopt;
        case Answer::Redirect:
            address = redirectTarget(site, locationOf(http.Headers()));
            break;
        }
    }
    return std::nullopt;
}
