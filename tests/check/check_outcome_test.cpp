#include "base/gbk_codec.h"
#include "check/check_outcome.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct ReasonCase {
    const char* name;
    CheckOutcome outcome;
    std::string reason; // UTF-8 here; the reason speaks GBK
};

void PrintTo(const ReasonCase& testCase, std::ostream* out) { *out << testCase.name; }

const std::string longLink = "https://me/" + std::string(2000, 'a');

// clang-format off
const ReasonCase reasonCases[] = {
    { "NearLink", { .kind = CheckOutcomeKind::Missing, .status = 200, .reasonPhrase = "OK", .location = "",
        .errorText = "", .near = "https://me/", .nearDifference = Utf8ToGbk("https 而非 http") },
        "页面有指向本站的链接: https://me/ (https 而非 http)" },
    { "LongNearLinkIsShortened", { .kind = CheckOutcomeKind::Missing, .status = 200, .reasonPhrase = "OK",
        .location = "", .errorText = "", .near = longLink, .nearDifference = "x" },
        "页面有指向本站的链接: " + longLink.substr(0, 160) + "… (x)" },
    { "NearLinkOfAnErrorPage", { .kind = CheckOutcomeKind::Missing, .status = 404, .reasonPhrase = "Not Found",
        .location = "", .errorText = "", .near = "https://me/", .nearDifference = "x" }, "HTTP 404 Not Found" },
    { "FoundOnHiddenPage", { .kind = CheckOutcomeKind::Found, .reasonPhrase = "", .location = "",
        .errorText = "", .robots = RobotsDirective::None }, "找到链接，但页面标注 none" },
    { "FoundInNofollowLinkOnHiddenPage", { .kind = CheckOutcomeKind::Found, .reasonPhrase = "", .location = "",
        .errorText = "", .rel = LinkRel::NoFollow, .robots = RobotsDirective::NoIndex },
        "找到链接，但带 rel=nofollow，页面标注 noindex" },
    { "DisallowedByRobotsTxtComesFirst", { .kind = CheckOutcomeKind::Found, .reasonPhrase = "", .location = "",
        .errorText = "", .placement = LinkPlacement::Hidden, .robotsTxt = RobotsTxtAnswer::Disallowed,
        .spider = SpiderView::Hidden }, "找到链接，但 robots.txt 禁止蜘蛛抓取此页，蜘蛛看不到链接，元素被隐藏" },
    { "UnreadRobotsTxtBeforeTheAnchor", { .kind = CheckOutcomeKind::Found, .reasonPhrase = "", .location = "",
        .errorText = "", .placement = LinkPlacement::Link, .anchor = "a", .robotsTxt = RobotsTxtAnswer::Unknown },
        "找到链接，robots.txt 未能读取，锚文本: a" },
    { "UnreadRobotsTxtOfAMissingLink", { .kind = CheckOutcomeKind::Missing, .status = 404, .reasonPhrase = "",
        .location = "", .errorText = "", .robotsTxt = RobotsTxtAnswer::Unknown }, "HTTP 404，robots.txt 未能读取" },
};
// clang-format on

class OutcomeReasonTest : public ::testing::TestWithParam<ReasonCase>
{
};

TEST_P(OutcomeReasonTest, SaysWhy)
{
    EXPECT_EQ(OutcomeReason(GetParam().outcome), Utf8ToGbk(GetParam().reason));
}

INSTANTIATE_TEST_SUITE_P(Cases, OutcomeReasonTest, ::testing::ValuesIn(reasonCases),
    [](const ::testing::TestParamInfo<ReasonCase>& info) { return std::string(info.param.name); });

}
