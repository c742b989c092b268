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

}
