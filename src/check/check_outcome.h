#pragma once

#include "base/text.h"

#include <cstddef>
#include <cstdint>

// The most bytes of any text an outcome holds or its reason makes: a partner
// server may send a megabyte status line or Location.
inline constexpr std::size_t OutcomeTextLimit = std::size_t { 2 } << 10;

// How one fetch ended, as far as its one GET can tell. The verdict cell
// keeps its own three texts; this says why.
enum class CheckOutcomeKind : std::uint8_t {
    Found, // the query is on the page
    Missing, // an HTTP response arrived and the query is not on it
    Unreachable, // no HTTP response: resolver, refusal, time-out, reset, TLS, SOCKS, tunnel, empty answer
};

// Which form of the query the page held.
enum class QueryMatch : std::uint8_t {
    None, // not found
    Gbk, // the query's own bytes
    Utf8, // the UTF-8 form of a query with Chinese text
};

// The rel value of the <a …> start tag the first match sits in (as its href
// value or within the element's text).
enum class LinkRel : std::uint8_t {
    NotInLink, // no match, or the match is not inside a link
    None, // inside a link without nofollow, sponsored or ugc
    NoFollow,
    Sponsored,
    Ugc,
};

// Where on the page the chosen match of the query sits (PageMarkup), the
// first of these that applies: Comment, Script, Style, TextArea (the raw
// text of those elements), NoScript, Hidden (an element hidden by its own
// attribute or inline style, or by an ancestor's), then Link (an <a> or
// <area> element that points at the query's site), Jump (a link that does
// not, but carries the query's site in its query string) or Text (no link).
enum class LinkPlacement : std::uint8_t {
    None, // not found, or found by a reading that did not judge placement
    Link,
    Text,
    Comment,
    Script,
    NoScript,
    TextArea,
    Style,
    Hidden,
    Jump,
};

// Whether the page that answered is the partner's real page.
enum class PageKind : std::uint8_t {
    Unseen, // no HTTP response
    Ok,
    Challenge, // a bot check or captcha page stood in for it
    Script, // an application shell whose content scripts would make
};

// Whether the partner's link is one search engines count.
enum class LinkCounts : std::uint8_t {
    Unknown, // unreachable, a page not really seen, or a placement not judged
    Yes,
    No,
};

// What the page tells search engines of itself (X-Robots-Tag headers and
// robots meta tags), the strongest first: None is noindex and nofollow both.
enum class RobotsDirective : std::uint8_t {
    Absent, // none of noindex, nofollow and none
    NoFollow,
    NoIndex,
    None,
};

// What the partner's robots.txt lets the search engine's spider fetch.
enum class RobotsTxtAnswer : std::uint8_t {
    NotChecked,
    Allowed, // the page may be fetched, or the host has no robots.txt
    Disallowed,
    Unknown, // robots.txt could not be read: 5xx, time-out, no answer
};

// How the page given to the spider's user agent compares with the browser's.
enum class SpiderView : std::uint8_t {
    NotAsked,
    Same,
    Hidden, // the browser's page has the link, the spider's lacks it
    Only, // only the spider's page has it
    Unreachable, // the spider's fetch got no HTTP response
};

// Whether the operator's own pages link to the partner's site.
enum class BackLink : std::uint8_t {
    NotChecked, // the list has no own pages, or they were not fetched
    Yes,
    NoFollow, // only with nofollow, sponsored or ugc
    No,
    Unknown, // an own page could not be fetched
};

// The outcome of one fetch: a plain value the worker fills in once, read by
// the window's hint, its kept transcripts and the command-line formats.
// Texts are GBK bytes as the exchange gave them.
struct CheckOutcome {
    CheckOutcomeKind kind = CheckOutcomeKind::Unreachable;
    // The status code, 0 when no status line came; the reason phrase as sent.
    int status = 0;
    Text reasonPhrase {};
    // The Location header of a 3xx response; empty otherwise.
    Text location {};
    // The Retry-After header of a 429 or 5xx response, as sent; empty
    // otherwise. Not recorded: a run reads it to wait before trying again.
    Text retryAfter {};
    // The socket error code the exchange ended with (0 none) and its description.
    std::int32_t error = 0;
    Text errorText {};
    // Body bytes received, and milliseconds from the request's start to the verdict.
    std::int64_t bytes = 0;
    std::int64_t ms = 0;
    QueryMatch match = QueryMatch::None;
    LinkRel rel = LinkRel::NotInLink;
    // When the query is missing: the first link on the page to the query's
    // site written in another form, as the page writes it, and how it
    // differs (NearMatch); both empty when there is none.
    Text near {};
    Text nearDifference {};
    // What the response tells search engines of the page.
    RobotsDirective robots = RobotsDirective::Absent;
    // The chosen match's placement, and the <a>/<area> element it sits in:
    // its href (character references decoded) and its anchor text (tags
    // removed, blanks folded; "[图片] " and the image's alt for an image);
    // how many links of the page point at the query's site.
    LinkPlacement placement = LinkPlacement::None;
    Text href {};
    Text anchor {};
    std::int64_t links = 0;
    // The page's canonical address when it names another page; empty otherwise.
    Text canonical {};
    // Links to hosts other than the partner's own, their distinct hosts, and
    // how many of them carry nofollow, sponsored or ugc.
    std::int64_t outbound = 0;
    std::int64_t outboundHosts = 0;
    std::int64_t outboundNofollow = 0;
    PageKind page = PageKind::Unseen;
    // What robots.txt and the spider's own fetch say of the page.
    RobotsTxtAnswer robotsTxt = RobotsTxtAnswer::NotChecked;
    SpiderView spider = SpiderView::NotAsked;
    // Whether the operator's own pages link back, and that link's anchor text.
    BackLink back = BackLink::NotChecked;
    Text backAnchor {};
    // How many fetches the outcome took: more than one when a failed one was tried again.
    int tries = 1;

    friend bool operator==(const CheckOutcome&, const CheckOutcome&) = default;
};

// The machine-readable names: "found", "missing", "unreachable".
const char* OutcomeName(CheckOutcomeKind kind);
// "gbk", "utf8"; null for None.
const char* QueryMatchName(QueryMatch match);
// "none", "nofollow", "sponsored", "ugc"; null for NotInLink.
const char* LinkRelName(LinkRel rel);
// "nofollow", "noindex", "none"; null for Absent.
const char* RobotsDirectiveName(RobotsDirective robots);

// "link", "text", "comment", "script", "noscript", "textarea", "style",
// "hidden", "jump"; null for None.
const char* LinkPlacementName(LinkPlacement placement);
// "ok", "challenge", "script"; null for Unseen.
const char* PageKindName(PageKind page);
// "yes", "no", "unknown".
const char* LinkCountsName(LinkCounts counts);

// "allowed", "disallowed", "unknown"; null for NotChecked.
const char* RobotsTxtAnswerName(RobotsTxtAnswer answer);
// "same", "hidden", "only", "unreachable"; null for NotAsked.
const char* SpiderViewName(SpiderView view);
// "yes", "nofollow", "no", "unknown"; null for NotChecked.
const char* BackLinkName(BackLink back);

// text cut to OutcomeTextLimit bytes without splitting a GBK character.
Text CappedOutcomeText(const Text& text);

// A short Chinese sentence, GBK bytes, at most OutcomeTextLimit of them, that says why the fetch ended as it
// did: "HTTP 404 Not Found", "连接被拒绝 (10061)", "页面已转到 https://…",
// "找到链接，但带 rel=nofollow", "找到链接，但页面标注 noindex",
// "页面有指向本站的链接: https://… (https 而非 http)", …
Text OutcomeReason(const CheckOutcome& outcome);
// OutcomeReason without the note that the exchange is one-sided: what the fetch alone tells.
Text FetchReason(const CheckOutcome& outcome);
