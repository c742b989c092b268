#include "cli/change_notice.h"

#include <gtest/gtest.h>

namespace {

// clang-format off
const CheckOutcome notFound { .kind = CheckOutcomeKind::Missing, .status = 404, .reasonPhrase = "Not Found",
    .location = "", .errorText = "" };
SiteChange change(ChangeKind kind, const Text& name, const std::optional<CheckOutcome>& outcome = notFound,
    std::int64_t run = 0)
{
    return { kind, {}, { .run = run, .name = name, .address = "http://s/", .query = "", .verdict = "OK!",
        .outcome = outcome } };
}
std::string times(int count, const std::string& text) { return count ? text + times(count - 1, text) : ""; }

// A site back without an outcome, named with a quote, a backslash and control bytes; one lost, 新浪 in GBK.
const std::vector<SiteChange> twoChanges { change(ChangeKind::Back, "A\"b\\c\x01" "d\ne", std::nullopt),
    change(ChangeKind::Lost, "\xD0\xC2\xC0\xCB") };
const std::string line = R"(\n丢失链接: )" + std::string(100, 'x') + " http://s/ — HTTP 404 Not Found";
// 300 bytes: 丢失链接: and 283 of the 400 x, then an ellipsis.
const std::string cutLine = R"(\n丢失链接: )" + std::string(283, 'x') + "…";

struct NoticeCase { const char* name; std::vector<SiteChange> changes; NoticeFormat format; std::string body; };
const NoticeCase noticeCases[] = {
    { .name = "DingTalkListsLostFirst", .changes = twoChanges, .format = NoticeFormat::DingTalk,
        .body = R"({"msgtype":"text","text":{"content":"LinkWatch 检查 帐号.ini，2 个网站有变化\n丢失链接: 新浪 )"
            R"(http://s/ — HTTP 404 Not Found\n恢复链接: A\"b\\c d e http://s/ — OK!"}})" },
    { .name = "DingTalkTellsOfAnEarlierRunFirst", .changes = { change(ChangeKind::Back, "A", std::nullopt, 2),
        change(ChangeKind::Lost, "A", notFound, 3) }, .format = NoticeFormat::DingTalk,
        .body = R"({"msgtype":"text","text":{"content":"LinkWatch 检查 帐号.ini，2 个网站有变化\n恢复链接: A )"
            R"(http://s/ — OK!\n丢失链接: A http://s/ — HTTP 404 Not Found"}})" },
    { .name = "SeveralKindsShareALineAndTheDetailIsItsReason", .changes = { [] {
        SiteChange stopped = change(ChangeKind::Stopped, "A");
        stopped.kinds.add(ChangeKind::Anchor);
        stopped.detail = "\xBC\xD3\xC1\xCB rel=nofollow"; // 加了
        return stopped; }(), change(ChangeKind::Target, "B") }, .format = NoticeFormat::DingTalk,
        .body = R"({"msgtype":"text","text":{"content":"LinkWatch 检查 帐号.ini，2 个网站有变化\n不再计入、锚文本改变: A )"
            R"(http://s/ — 加了 rel=nofollow\n链接地址改变: B http://s/ — HTTP 404 Not Found"}})" },
    { .name = "FeishuListsTwentyThenCounts",
        .changes = std::vector(25, change(ChangeKind::Lost, std::string(100, 'x'))),
        .format = NoticeFormat::Feishu, .body = R"({"msg_type":"text","content":{"text":"LinkWatch 检查 )"
            R"(帐号.ini，25 个网站有变化)" + times(20, line) + R"(\n… 另有 5 个"}})" },
    { .name = "WeComCutsLinesAndText",
        .changes = std::vector(30, change(ChangeKind::Lost, std::string(400, 'x'))),
        .format = NoticeFormat::WeCom, .body = R"({"msgtype":"text","text":{"content":"LinkWatch 检查 )"
            R"(帐号.ini，30 个网站有变化)" + times(6, cutLine) + R"(\n… 另有 24 个"}})" },
};
// clang-format on

using ChangeNotice = testing::TestWithParam<NoticeCase>;
TEST_P(ChangeNotice, BodyIsTheRobotsJson)
{
    EXPECT_EQ(NoticeBody(GetParam().changes, GetParam().format, "帐号.ini"), GetParam().body);
}
INSTANTIATE_TEST_SUITE_P(Formats, ChangeNotice, testing::ValuesIn(noticeCases),
    [](const testing::TestParamInfo<NoticeCase>& info) { return std::string(info.param.name); });

}
