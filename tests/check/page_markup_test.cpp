#include "base/gbk_codec.h"
#include "check/check_outcome.h"
#include "check/page_markup.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// A link to the query's site as a page may write it, and what the byte search and the near match make of it.
struct NearCase {
    const char* name;
    std::string page;
    std::string query = "http://www.mysite.com/";
    bool found = false;
    std::string near {};
    std::string difference {};
};

void PrintTo(const NearCase& testCase, std::ostream* out) { *out << testCase.name; }

const std::string hugeLink = "https://www.mysite.com/" + std::string(1 << 20, 'a');

// clang-format off
const NearCase nearCases[] = {
    { .name = "SameForm", .page = "<a href=\"http://www.mysite.com/\">", .found = true },
    { .name = "Https", .page = "<a href=\"https://www.mysite.com/\">", .near = "https://www.mysite.com/",
        .difference = "https 而非 http" },
    { .name = "NoEndingSlash", .page = "<a href=\"http://www.mysite.com\">", .near = "http://www.mysite.com",
        .difference = "少了结尾的 /" },
    { .name = "NoWww", .page = "<a href=\"http://mysite.com/\">", .near = "http://mysite.com/",
        .difference = "少了 www." },
    { .name = "LetterCase", .page = "<a href=\"HTTP://WWW.MySite.com/\">", .near = "HTTP://WWW.MySite.com/",
        .difference = "协议名大小写不同，主机名大小写不同" },
    { .name = "SchemeLeftOut", .page = "<a href=\"//www.mysite.com/\">", .near = "//www.mysite.com/",
        .difference = "用 // 省略了协议" },
    { .name = "AmpersandAsReference", .page = "<a href=\"http://www.mysite.com/?from=a&amp;b=c\">",
        .query = "http://www.mysite.com/?from=a&b=c", .near = "http://www.mysite.com/?from=a&amp;b=c",
        .difference = "& 写成 &amp;" },
    { .name = "SingleQuotes", .page = "<a class=x href='https://mysite.com'>",
        .near = "https://mysite.com", .difference = "https 而非 http，少了 www.，少了结尾的 /" },
    { .name = "UnquotedWithDefaultPort", .page = "<A HREF=http://www.mysite.com:80/>",
        .near = "http://www.mysite.com:80/", .difference = "多了端口 :80" },
    { .name = "Area", .page = "<map><area shape=rect href=\" https://www.mysite.com/ \"></map>",
        .near = "https://www.mysite.com/", .difference = "https 而非 http" },
    { .name = "CommentIsSkipped", .page = "<!-- <a href=\"https://www.mysite.com/\"> --><a href=\"//mysite.com/x\">",
        .near = "//mysite.com/x", .difference = "用 // 省略了协议，少了 www.，指向站内其他地址" },
    { .name = "Utf8PageGbkQuery", .page = "<a href=\"https://www.mysite.com/\xE5\x8F\x8B/\">",
        .query = "http://www.mysite.com/\xD3\xD1/ \xD3\xD1", .near = "https://www.mysite.com/\xD3\xD1/",
        .difference = "https 而非 http，页面用 UTF-8 编码" },
    { .name = "OnlyOtherSites", .page = "<a href=\"https://www.othersite.com/\"><a href=\"http://mysite.com.cn/\">"
        "<a href=\"/www.mysite.com/\"><a href=\"http://www.mysite.com:8080/\"><a href=\"mailto:me@mysite.com\">" },
    { .name = "NumericReferences", .page = "<a href=\"http://www.mysite.com/?from=a&#x26;b=c&#99\">",
        .query = "http://www.mysite.com/?from=a&b=cc", .near = "http://www.mysite.com/?from=a&#x26;b=c&#99",
        .difference = "用了 HTML 字符引用" },
    { .name = "QueryTextAfterTheAddress", .page = "<a href=\"http://www.mysite.com/\">",
        .query = "http://www.mysite.com/\">my site", .near = "http://www.mysite.com/",
        .difference = "查询里地址之后的文字不在页面上" },
    // Broken markup: references that name nothing, a NUL, a tag without an end, then a megabyte link,
    // kept to the outcome's limit.
    { .name = "BrokenMarkupAndHugeLink", .page = "<a href=\"&#xZZ;&#99999999999;&am\">\0<a <b"s
        + "<a href=" + hugeLink, .near = hugeLink.substr(0, OutcomeTextLimit),
        .difference = "https 而非 http，指向站内其他地址" },
};
// clang-format on

class PageMarkupNear : public ::testing::TestWithParam<NearCase>
{
};

TEST_P(PageMarkupNear, FindsTheFirstLinkToTheSiteInAnotherForm)
{
    const NearCase& testCase = GetParam();
    const bool found = testCase.page.find(testCase.query) != std::string::npos;
    EXPECT_EQ(found, testCase.found);
    const PageMarkup markup = ReadPageMarkup(testCase.page,
        { testCase.query, found ? testCase.query : std::string_view(), "http://partner.test/" });
    EXPECT_EQ(markup.near, testCase.near);
    // The table's Chinese is written in UTF-8; the outcome speaks GBK.
    EXPECT_EQ(markup.nearDifference, Utf8ToGbk(testCase.difference));
}

INSTANTIATE_TEST_SUITE_P(Cases, PageMarkupNear, ::testing::ValuesIn(nearCases),
    [](const ::testing::TestParamInfo<NearCase>& info) { return std::string(info.param.name); });

// What a response tells search engines, from its head and its page.
struct RobotsCase {
    const char* name;
    std::vector<std::string> head;
    std::string page;
    RobotsDirective robots;
};

void PrintTo(const RobotsCase& testCase, std::ostream* out) { *out << testCase.name; }

const std::string statusLine = "HTTP/1.1 200 OK";

// clang-format off
const RobotsCase robotsCases[] = {
    { "NothingSaid", { statusLine }, "<meta name=description content=noindex><p>noindex</p>", RobotsDirective::Absent },
    { "Header", { statusLine, "X-Robots-Tag: noindex" }, "", RobotsDirective::NoIndex },
    { "HeaderForOneCrawlerBeforeTheHeadEnds",
        { statusLine, "x-robots-tag: googlebot: nofollow", "", "X-Robots-Tag: noindex" }, "", RobotsDirective::NoFollow },
    { "MetaNameFirst", { statusLine }, "<meta name=\"robots\" content=\"noindex\">", RobotsDirective::NoIndex },
    { "MetaContentFirst", { statusLine }, "<meta content='nofollow' name='googlebot'/>", RobotsDirective::NoFollow },
    { "UpperCase", { statusLine }, "<META NAME=\"BaiduSpider\" CONTENT=\"NOINDEX,NOFOLLOW\">", RobotsDirective::None },
    { "SeveralValues", { statusLine }, "<meta name=robots content=\"index, nofollow, noarchive\">",
        RobotsDirective::NoFollow },
    { "NoneDirective", { statusLine }, "<meta name=\"robots\" content=\"none\">", RobotsDirective::None },
    { "HeaderAndMetaAddUp", { statusLine, "X-Robots-Tag: noindex" }, "<meta name=robots content=nofollow>",
        RobotsDirective::None },
    { "MetaInAComment", { statusLine }, "<!-- <meta name=robots content=noindex> -->", RobotsDirective::Absent },
};
// clang-format on

class PageMarkupRobots : public ::testing::TestWithParam<RobotsCase>
{
};

TEST_P(PageMarkupRobots, AddsUpHeaderAndMetaDirectives)
{
    const RobotsCase& testCase = GetParam();
    TextList head;
    for (const std::string& line : testCase.head)
        head.Add(line);
    PageMarkup markup
        = ReadPageMarkup(testCase.page, { "http://www.mysite.com/", {}, "http://partner.test/" });
    markup.robots.AddResponseHead(head);
    EXPECT_EQ(markup.robots.Result(), testCase.robots);
}

INSTANTIATE_TEST_SUITE_P(Cases, PageMarkupRobots, ::testing::ValuesIn(robotsCases),
    [](const ::testing::TestParamInfo<RobotsCase>& info) { return std::string(info.param.name); });

// Where the chosen match sits and the anchor of its link, on pages whose
// markup is broken or built to cost: each is read in one pass, within bounds.
struct PlacementCase {
    const char* name;
    std::string page;
    LinkPlacement placement;
    std::string anchor {};
};

void PrintTo(const PlacementCase& testCase, std::ostream* out) { *out << testCase.name; }

const std::string link = "<a href=\"http://www.mysite.com/\">";

std::string repeated(std::string_view piece, std::size_t times)
{
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t n = 0; n < times; ++n)
        text += piece;
    return text;
}

// clang-format off
const PlacementCase placementCases[] = {
    { .name = "AnchorFolded", .page = link + "\n My&nbsp;&amp;\xA1\xA1<b>Site</b><br>&#x4E00;&#zz; </a>",
        .placement = LinkPlacement::Link, .anchor = "My & Site 一&#zz;" },
    { .name = "Utf8AnchorFolded", .page = "<meta charset=UTF-8>" + link + "\xE5\x8F\x8B\xE3\x80\x80\xE9\x93\xBE</a>",
        .placement = LinkPlacement::Link, .anchor = "友 链" },
    { .name = "ImageOnly", .page = link + "<img src=x.png alt='My &quot;Site&quot;'></a>",
        .placement = LinkPlacement::Link, .anchor = "[图片] My \"Site\"" },
    { .name = "LinkEndsAtTheNextLink", .page = link + "first<a href=/x>second</a>", .placement = LinkPlacement::Link,
        .anchor = "first" },
    { .name = "UnclosedComment", .page = "<!-- " + link, .placement = LinkPlacement::Comment },
    { .name = "UnclosedScript", .page = "<SCRIPT>x='</scripty>" + link, .placement = LinkPlacement::Script },
    { .name = "StyleOfMegabytesHides", .page = "<div style=\"" + repeated("a:b;", 1 << 18) + "display : NONE\">"
        + link + "</a></div>", .placement = LinkPlacement::Hidden },
    { .name = "HiddenEndsWithItsElement", .page = "<div hidden><div></div></div>" + link, .placement = LinkPlacement::Link },
    { .name = "UnclosedParagraphEndsAtTheNext", .page = "<p style='visibility:hidden'>x<p>" + link,
        .placement = LinkPlacement::Link },
    { .name = "MillionNestedDivs", .page = repeated("<div>", 1000000) + link, .placement = LinkPlacement::Link },
    { .name = "HiddenUnderMillionDivs", .page = "<div hidden>" + repeated("<div>", 1000000) + link,
        .placement = LinkPlacement::Hidden },
    { .name = "HugeAttributeAndNul", .page = "<a title=\"" + std::string(64 << 20, '\0') + "\" href=\"http://www.mysite.com/\">ok",
        .placement = LinkPlacement::Link, .anchor = "ok" },
    { .name = "QuotedBracketInsideTheTag", .page = "<p title=\"<!--\">" + link, .placement = LinkPlacement::Link },
};
// clang-format on

class PageMarkupPlacement : public ::testing::TestWithParam<PlacementCase>
{
};

TEST_P(PageMarkupPlacement, JudgesWhereTheMatchSits)
{
    const PlacementCase& testCase = GetParam();
    const std::string query = "http://www.mysite.com/";
    const PageMarkup markup = ReadPageMarkup(testCase.page, { query, query, "http://partner.test/" });
    EXPECT_EQ(markup.placement, testCase.placement);
    EXPECT_EQ(markup.anchor, Utf8ToGbk(testCase.anchor));
}

INSTANTIATE_TEST_SUITE_P(Cases, PageMarkupPlacement, ::testing::ValuesIn(placementCases),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

}
