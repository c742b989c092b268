#include "cli/result_table.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// A name with a quote, a comma, control bytes (SOH, ESC, DEL), 友 in GBK and a byte that is not GBK;
// one that a spreadsheet would read as a formula, with a tab and a line break; a found link with
// rel=nofollow on a page marked noindex; a redirect; a missing link with one to the site in another form on
// a bot check page.
// clang-format off
const std::vector<SiteResult> results {
    { .n = 1, .name = "A \"q\"\x01\x1b\x7f,\xD3\xD1\xFF", .address = "http://a/", .verdict = "OK!",
        .outcome = CheckOutcome { .kind = CheckOutcomeKind::Found, .status = 200, .reasonPhrase = "OK",
            .location = "", .errorText = "", .bytes = 120, .ms = 7, .match = QueryMatch::Gbk,
            .rel = LinkRel::NoFollow, .robots = RobotsDirective::NoIndex, .placement = LinkPlacement::Link,
            .href = "http://me/", .anchor = "\xD3\xD1\xC7\xE9 me", .links = 2, .outbound = 5, .outboundHosts = 3,
            .outboundNofollow = 1, .page = PageKind::Ok, .robotsTxt = RobotsTxtAnswer::Allowed,
            .spider = SpiderView::Same, .back = BackLink::NoFollow, .backAnchor = "\xD3\xD1 a", .tries = 2 } },
    { .n = 2, .name = "=B\tx\r\n", .address = "http://b/", .verdict = "\xC3\xBB\xD3\xD0",
        .outcome = CheckOutcome { .kind = CheckOutcomeKind::Missing, .status = 301, .reasonPhrase = "Moved",
            .location = "https://b/,2", .errorText = "" } },
    { .n = 3, .name = "C", .address = "http://c/", .verdict = "\xC3\xBB\xD3\xD0",
        .outcome = CheckOutcome { .kind = CheckOutcomeKind::Missing, .status = 200, .reasonPhrase = "OK",
            .location = "", .errorText = "", .near = "https://c/a,b",
            .nearDifference = "https \xB6\xF8\xB7\xC7 http", .canonical = "http://c/main",
            .page = PageKind::Challenge } },
};
// clang-format on

struct WriterCase {
    const char* name;
    OutputFormat format;
    OutputEncoding encoding;
    std::string expected;
};

void PrintTo(const WriterCase& testCase, std::ostream* out) { *out << testCase.name; }

// clang-format off
const WriterCase writerCases[] = {
    { .name = "Tsv", .format = OutputFormat::Tsv, .encoding = OutputEncoding::Utf8, .expected =
        "n\tname\taddress\tverdict\toutcome\tstatus\treason\tlocation\terror\tbytes\tms\tmatch\trel\tnear\trobots"
        "\tcounts\tplacement\thref\tanchor\tlinks\tcanonical\toutbound\toutbound_hosts\toutbound_nofollow\tpage"
        "\trobots_txt\tspider\tback\tback_anchor\ttries\n"
        "1\tA \"q\"   ,友\uFFFD\thttp://a/\tOK!\tfound\t200\t单向链接: 对方没有有效链接，我方仍链接对方；找到链接，但带 rel=nofollow，页面标注 noindex\t\t\t120\t7"
        "\tgbk\tnofollow\t\tnoindex\tno\tlink\thttp://me/\t友情 me\t2\t\t5\t3\t1\tok\tallowed\tsame\tnofollow\t友 a\t2\n"
        "2\t'=B x  \thttp://b/\t没有\tmissing\t301\t页面已转到 https://b/,2\thttps://b/,2\t\t0\t0\t\t\t\t\tno\t\t\t\t0\t\t0\t0"
        "\t0\t\t\t\t\t\t1\n"
        "3\tC\thttp://c/\t没有\tmissing\t200\t页面有指向本站的链接: https://c/a,b (https 而非 http)\t\t\t0\t0\t\t"
        "\thttps://c/a,b\t\tunknown\t\t\t\t0\thttp://c/main\t0\t0\t0\tchallenge\t\t\t\t\t1\n" },
    { .name = "Text", .format = OutputFormat::Text, .encoding = OutputEncoding::Utf8, .expected =
        "1\tA \"q\"\\x01\\x1b\\x7f,友\uFFFD\thttp://a/\tOK!\n2\t=B x  \thttp://b/\t没有\n3\tC\thttp://c/\t没有\n" },
    { .name = "CsvUtf8", .format = OutputFormat::Csv, .encoding = OutputEncoding::Utf8, .expected =
        "\xEF\xBB\xBFn,name,address,verdict,outcome,status,reason,location,error,bytes,ms,match,rel,near,robots,counts,"
        "placement,href,anchor,links,canonical,outbound,outbound_hosts,outbound_nofollow,page,robots_txt,spider,back,"
        "back_anchor,tries\r\n"
        "1,\"A \"\"q\"\"   ,友\uFFFD\",http://a/,OK!,found,200,单向链接: 对方没有有效链接，我方仍链接对方；找到链接，但带 rel=nofollow，页面标注 noindex,,,120,7,gbk,"
        "nofollow,,noindex,no,link,http://me/,友情 me,2,,5,3,1,ok,allowed,same,nofollow,友 a,2\r\n"
        "2,\"'=B\tx\r\n\",http://b/,没有,missing,301,\"页面已转到 https://b/,2\",\"https://b/,2\",,0,0,,,,,no,,,,0,,0,0,0,,,,,,1\r\n"
        "3,C,http://c/,没有,missing,200,\"页面有指向本站的链接: https://c/a,b (https 而非 http)\",,,0,0,,,"
        "\"https://c/a,b\",,unknown,,,,0,http://c/main,0,0,0,challenge,,,,,1\r\n" },
    { .name = "CsvGbk", .format = OutputFormat::Csv, .encoding = OutputEncoding::Gbk, .expected =
        "n,name,address,verdict,outcome,status,reason,location,error,bytes,ms,match,rel,near,robots,counts,"
        "placement,href,anchor,links,canonical,outbound,outbound_hosts,outbound_nofollow,page,robots_txt,spider,back,"
        "back_anchor,tries\r\n"
        "1,\"A \"\"q\"\"   ,\xD3\xD1?\",http://a/,OK!,found,200,"
        "\xB5\xA5\xCF\xF2\xC1\xB4\xBD\xD3\x3A\x20\xB6\xD4\xB7\xBD\xC3\xBB\xD3\xD0\xD3\xD0\xD0\xA7\xC1\xB4\xBD\xD3\xA3\xAC\xCE\xD2\xB7\xBD\xC8\xD4\xC1\xB4\xBD\xD3\xB6\xD4\xB7\xBD\xA3\xBB"
        "\xD5\xD2\xB5\xBD\xC1\xB4\xBD\xD3\xA3\xAC\xB5\xAB\xB4\xF8 rel=nofollow\xA3\xAC\xD2\xB3\xC3\xE6\xB1\xEA\xD7\xA2"
        " noindex,,,120,7,gbk,nofollow,,noindex,no,link,http://me/,\xD3\xD1\xC7\xE9 me,2,,5,3,1,ok,allowed,same,nofollow,\xD3\xD1 a,2\r\n"
        "2,\"'=B\tx\r\n\",http://b/,\xC3\xBB\xD3\xD0,missing,301,"
        "\"\xD2\xB3\xC3\xE6\xD2\xD1\xD7\xAA\xB5\xBD https://b/,2\",\"https://b/,2\",,0,0,,,,,no,,,,0,,0,0,0,,,,,,1\r\n"
        "3,C,http://c/,\xC3\xBB\xD3\xD0,missing,200,\"\xD2\xB3\xC3\xE6\xD3\xD0\xD6\xB8\xCF\xF2\xB1\xBE\xD5\xBE\xB5\xC4"
        "\xC1\xB4\xBD\xD3: https://c/a,b (https \xB6\xF8\xB7\xC7 http)\",,,0,0,,,\"https://c/a,b\",,unknown,,,,0,"
        "http://c/main,0,0,0,challenge,,,,,1\r\n" },
    { .name = "Json", .format = OutputFormat::Json, .encoding = OutputEncoding::Utf8, .expected =
        "[\n{\"n\":1,\"name\":\"A \\\"q\\\"\\u0001\\u001b\x7f,友\uFFFD\",\"address\":\"http://a/\",\"verdict\":\"OK!\","
        "\"outcome\":\"found\",\"status\":200,\"reason\":\"单向链接: 对方没有有效链接，我方仍链接对方；找到链接，但带 rel=nofollow，页面标注 noindex\","
        "\"location\":null,\"error\":null,\"bytes\":120,\"ms\":7,\"match\":\"gbk\",\"rel\":\"nofollow\","
        "\"near\":null,\"robots\":\"noindex\",\"counts\":\"no\",\"placement\":\"link\",\"href\":\"http://me/\","
        "\"anchor\":\"友情 me\",\"links\":2,\"canonical\":null,\"outbound\":5,\"outbound_hosts\":3,"
        "\"outbound_nofollow\":1,\"page\":\"ok\",\"robots_txt\":\"allowed\",\"spider\":\"same\","
        "\"back\":\"nofollow\",\"back_anchor\":\"友 a\",\"tries\":2},\n"
        "{\"n\":2,\"name\":\"=B\\tx\\r\\n\",\"address\":\"http://b/\",\"verdict\":\"没有\","
        "\"outcome\":\"missing\","
        "\"status\":301,\"reason\":\"页面已转到 https://b/,2\",\"location\":\"https://b/,2\",\"error\":null,"
        "\"bytes\":0,\"ms\":0,\"match\":null,\"rel\":null,\"near\":null,\"robots\":null,\"counts\":\"no\","
        "\"placement\":null,\"href\":null,\"anchor\":null,\"links\":0,\"canonical\":null,\"outbound\":0,"
        "\"outbound_hosts\":0,\"outbound_nofollow\":0,\"page\":null,\"robots_txt\":null,\"spider\":null,"
        "\"back\":null,\"back_anchor\":null,\"tries\":1},\n"
        "{\"n\":3,\"name\":\"C\",\"address\":\"http://c/\",\"verdict\":\"没有\",\"outcome\":\"missing\","
        "\"status\":200,\"reason\":\"页面有指向本站的链接: https://c/a,b (https 而非 http)\",\"location\":null,"
        "\"error\":null,\"bytes\":0,\"ms\":0,\"match\":null,\"rel\":null,\"near\":\"https://c/a,b\","
        "\"robots\":null,\"counts\":\"unknown\",\"placement\":null,\"href\":null,\"anchor\":null,\"links\":0,"
        "\"canonical\":\"http://c/main\",\"outbound\":0,\"outbound_hosts\":0,\"outbound_nofollow\":0,"
        "\"page\":\"challenge\",\"robots_txt\":null,\"spider\":null,\"back\":null,\"back_anchor\":null,"
        "\"tries\":1}\n]\n" },
};
// clang-format on

class ResultTable : public testing::TestWithParam<WriterCase>
{
};

TEST_P(ResultTable, WritesExactBytes)
{
    std::ostringstream out;
    writeResultTable(results, GetParam().format, GetParam().encoding, out);
    EXPECT_EQ(out.str(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, ResultTable, testing::ValuesIn(writerCases),
    [](const testing::TestParamInfo<WriterCase>& info) { return std::string(info.param.name); });

// The table's found link carries nofollow: it fails a run as a missing one only when asked to, also beside
// an unreachable site; a link whose placement was not judged fails nothing.
TEST(ResultExitStatus, ALinkThatDoesNotCountFailsOnlyWhenAsked)
{
    const SiteResult unjudged { 2, "", "", "OK!", CheckOutcome { .kind = CheckOutcomeKind::Found } };
    EXPECT_EQ(resultsExitStatus({ results[0] }), 0);
    EXPECT_EQ(resultsExitStatus({ SiteResult {}, results[0] }, FailOn::NotCounted), 1);
    EXPECT_EQ(resultsExitStatus({ unjudged, SiteResult {} }, FailOn::NotCounted), 3);
}

// JSON escapes every C0 control byte; DEL, which JSON allows, stays.
TEST(ResultTableJson, EscapesEveryControlByte)
{
    SiteResult result { .n = 1, .name = std::string(1, '\0'), .address = "", .verdict = "", .outcome = {} };
    for (char byte = 1; byte < 0x20; ++byte)
        result.name += byte;
    std::ostringstream out;
    writeResultTable({ result }, OutputFormat::Json, OutputEncoding::Utf8, out);
    const std::string object = out.str().substr(out.str().find('{'));
    for (char byte = 0; byte < 0x20; ++byte)
        EXPECT_EQ(object.substr(0, object.rfind('}')).find(byte), std::string::npos) << int { byte };
}

}
