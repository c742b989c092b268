#include "check/robots_txt_cache.h"
#include "support/loopback_http_server.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using Answer = RobotsTxtAnswer;

std::string reply(const std::string& status, const std::string& body, const std::string& headers = "")
{
    return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

std::string ok(const std::string& body) { return reply("200 OK", body); }

std::string repeated(const std::string& piece, std::size_t times)
{
    std::string text;
    text.reserve(piece.size() * times);
    while (times-- > 0)
        text += piece;
    return text;
}

struct RobotsCase {
    const char* name;
    std::string robots; // the reply to GET /robots.txt
    std::string page = "/page"; // the page asked about
    Answer answer;
    int requests = 1;
    bool endless = false; // after robots, the body goes on until the client leaves
};

void PrintTo(const RobotsCase& testCase, std::ostream* out) { *out << testCase.name; }

// clang-format off
const RobotsCase robotsCases[] = {
    { .name = "StarGroup", .robots = ok("User-agent: *\nDisallow: /page\n"), .answer = Answer::Disallowed },
    { .name = "OwnGroupBeatsStar", .robots = ok("User-agent: *\nDisallow: /\n\nUser-agent: Baiduspider\nAllow: /\n"),
        .answer = Answer::Allowed },
    { .name = "OwnGroupAloneApplies", .robots = ok("User-agent: Baiduspider\nDisallow: /private\nUser-agent: *\nDisallow: /\n"),
        .answer = Answer::Allowed },
    { .name = "NamesIgnoreCaseAndVersion", .robots = ok("User-agent: BAIDUSPIDER/2.0\nDisallow: /p\n"),
        .answer = Answer::Disallowed },
    { .name = "ConsecutiveAgentsShareTheGroup", .robots = ok("User-agent: Googlebot\n\nuser-agent: baiduspider\nDisallow: /pa\n"),
        .answer = Answer::Disallowed },
    { .name = "AnotherSpidersGroupIsNotOurs", .robots = ok("User-agent: Baiduspider-image\nDisallow: /\nUser-agent: Googlebot\nDisallow: /\n"),
        .answer = Answer::Allowed },
    { .name = "GroupsOfOneNameJoin", .robots = ok("User-agent: baiduspider\nAllow: /a\nUser-agent: *\nDisallow: /\nUser-agent: Baiduspider\nDisallow: /pag\n"),
        .answer = Answer::Disallowed },
    { .name = "LongestMatchWins", .robots = ok("User-agent: *\nDisallow: /\nAllow: /pa\n"), .answer = Answer::Allowed },
    { .name = "LongerDisallowBeatsAllow", .robots = ok("User-agent: *\nAllow: /p\nDisallow: /page\n"), .answer = Answer::Disallowed },
    { .name = "AllowWinsATie", .robots = ok("User-agent: *\nDisallow: /page\nAllow: /page\n"), .answer = Answer::Allowed },
    { .name = "WildcardInTheMiddle", .robots = ok("User-agent: *\nDisallow: /*/links*.html\n"), .page = "/a/b/links-2.html",
        .answer = Answer::Disallowed },
    { .name = "DollarEndsTheAddress", .robots = ok("User-agent: *\nDisallow: /*.php$\n"), .page = "/index.php?x=1",
        .answer = Answer::Allowed },
    { .name = "DollarAtTheEnd", .robots = ok("User-agent: *\nDisallow: /*.php$\n"), .page = "/a.php", .answer = Answer::Disallowed },
    { .name = "EscapedUnreservedIsDecoded", .robots = ok("User-agent: *\nDisallow: /%7Euser/\n"), .page = "/~user/a",
        .answer = Answer::Disallowed },
    { .name = "EscapesCompareInEitherCase", .robots = ok("User-agent: *\nDisallow: /a%2fb\n"), .page = "/a%2Fb",
        .answer = Answer::Disallowed },
    { .name = "Utf8PathMatchesItsEscapes", .robots = ok("User-agent: *\nDisallow: /\xE9\x93\xBE\n"), .page = "/%e9%93%be%E6",
        .answer = Answer::Disallowed },
    { .name = "EmptyDisallowAllows", .robots = ok("User-agent: Baiduspider\nDisallow:\n\nUser-agent: *\nDisallow: /\n"),
        .answer = Answer::Allowed },
    { .name = "ByteOrderMark", .robots = ok("\xEF\xBB\xBFUser-agent: *\nDisallow: /\n"), .answer = Answer::Disallowed },
    { .name = "CrLfLines", .robots = ok("User-agent: Baiduspider\r\nDisallow: /pag\r\n"), .answer = Answer::Disallowed },
    { .name = "CrLines", .robots = ok("User-agent: *\rAllow: /\rUser-agent: Baiduspider\rDisallow: /page\r"),
        .answer = Answer::Disallowed },
    { .name = "Comments", .robots = ok("# all\nUser-agent: * # every spider\nDisallow: /page # x\n"), .answer = Answer::Disallowed },
    { .name = "RulesBeforeAnyAgentAreNone", .robots = ok("Disallow: /\n"), .answer = Answer::Allowed },
    { .name = "NotFoundAllowsAll", .robots = reply("404 Not Found", "User-agent: *\nDisallow: /\n"), .answer = Answer::Allowed },
    { .name = "ServiceUnavailableIsUnknown", .robots = reply("503 Service Unavailable", ""), .answer = Answer::Unknown },
    { .name = "TenMegabytesIsUnknown", .robots = ok(repeated("Disallow: /page\n", 640 << 10)), .answer = Answer::Unknown },
    { .name = "BinaryIsUnknown", .robots = ok(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)), .answer = Answer::Unknown },
    { .name = "ManyLinesWithinTheLimit", .robots = ok(repeated("#\n", 200000) + "User-agent: *\nDisallow: /\n"),
        .answer = Answer::Disallowed },
    { .name = "MillionLinesIsUnknown", .robots = ok(repeated("\n", 1 << 20)), .answer = Answer::Unknown },
    { .name = "OverlongLineIsPassedOver",
        .robots = ok("User-agent: *\nAllow: /page #" + std::string(100000, 'x') + "\nDisallow: /p\n"),
        .answer = Answer::Disallowed },
    { .name = "MegabyteLineIsUnknown", .robots = ok("User-agent: *\nDisallow: /" + std::string(1 << 20, 'p')),
        .answer = Answer::Unknown },
    { .name = "StarsDoNotBacktrack", .robots = ok("User-agent: *\nDisallow: /" + repeated("*a", 3000) + "*b\n"),
        .page = "/" + std::string(2000, 'a'), .answer = Answer::Allowed },
    { .name = "RedirectWithinTheSite", .robots = reply("301 Moved", "", "Location: /rules.txt\r\n"), .answer = Answer::Disallowed,
        .requests = 2 },
    { .name = "RedirectToItselfIsUnknown", .robots = reply("302 Found", "", "Location: /robots.txt\r\n"), .answer = Answer::Unknown,
        .requests = 5 },
    { .name = "RedirectElsewhereIsUnknown", .robots = reply("301 Moved", "", "Location: http://other.invalid/robots.txt\r\n"),
        .answer = Answer::Unknown },
    { .name = "EndlessFileIsUnknown", .robots = "HTTP/1.1 200 OK\r\n\r\nUser-agent: *\n", .answer = Answer::Unknown,
        .endless = true },
};
// clang-format on

class RobotsTxtFetch : public testing::TestWithParam<RobotsCase>
{
};

// One site's file, read by the cache from a loopback server; any other path answers with rules that disallow
// /page.
TEST_P(RobotsTxtFetch, AnswersAsTheSpiderMayFetch)
{
    const RobotsCase& testCase = GetParam();
    LoopbackServer server(
        [&testCase](LoopbackServer::Connection& connection) {
            const std::string head = connection.ReadUntil("\r\n\r\n");
            if (head.rfind("GET /robots.txt ", 0) != 0) {
                connection.Send(ok("User-agent: *\nDisallow: /page\n"));
                return;
            }
            connection.Send(testCase.robots);
            while (testCase.endless && !connection.Stopping()
                && connection.Send(repeated("Disallow: /x\n", 4096)))
                ;
            connection.WaitForPeerClose();
        },
        8);
    RobotsTxtCache cache(RobotsTxtClient { {}, 2000 });
    const std::string base = "http://127.0.0.1:" + server.PortText();
    EXPECT_EQ(cache.AnswerFor(base + testCase.page), testCase.answer);
    EXPECT_TRUE(server.WaitFinished(testCase.requests));
    EXPECT_EQ(server.Accepted(), testCase.requests);
    ASSERT_FALSE(server.Received().empty());
    EXPECT_NE(server.Received()[0].find("User-Agent: Mozilla/5.0 (compatible; Baiduspider/2.0;"),
        std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Files, RobotsTxtFetch, testing::ValuesIn(robotsCases),
    [](const testing::TestParamInfo<RobotsCase>& info) { return std::string(info.param.name); });

// Many workers of one site asking at once: one of them fetches, the others wait for its answer.
TEST(RobotsTxtCache, OneFetchPerSiteHoweverManyAsk)
{
    LoopbackHttpServer server([](const std::string&) { return ok("User-agent: *\nDisallow: /no\n"); });
    server.Hold();
    RobotsTxtCache cache(RobotsTxtClient { {}, 5000 });
    std::vector<std::thread> askers;
    std::vector<Answer> answers(20);
    for (std::size_t asker = 0; asker < answers.size(); ++asker)
        askers.emplace_back(
            [&, asker] { answers[asker] = cache.AnswerFor(server.Url(asker % 2 ? "/no" : "/yes")); });
    EXPECT_TRUE(WaitUntil([&] { return server.Requests() == 1; }));
    server.Release();
    for (std::thread& asker : askers)
        asker.join();
    EXPECT_EQ(server.Requests(), 1);
    for (std::size_t asker = 0; asker < answers.size(); ++asker)
        EXPECT_EQ(answers[asker], asker % 2 ? Answer::Disallowed : Answer::Allowed);
    EXPECT_EQ(cache.AnswerFor("http://127.0.0.1:1/page"), Answer::Unknown);
}

}
