#include "check/robots_txt_cache.h"
#include "support/loopback_http_server.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using Answer = RobotsTxtAnswer;
constexpr Answer allowed = Answer::Allowed;
constexpr Answer disallowed = Answer::Disallowed;
constexpr Answer unknown = Answer::Unknown;

std::string reply(const std::string& status, const std::string& body, const std::string& headers = "")
{
    return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

std::string ok(const std::string& body) { return reply("200 OK", body); }
std::string forAll(const std::string& rules) { return ok("User-agent: *\n" + rules); }
std::string moved(const std::string& to) { return reply("301 Moved", "", "Location: " + to + "\r\n"); }

std::string repeated(const std::string& piece, std::size_t times)
{
    std::string text;
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
    { .name = "StarGroup", .robots = forAll("Disallow: /page\n"), .answer = disallowed },
    { .name = "OwnGroupBeatsStar", .robots = forAll("Disallow: /\n\nUser-agent: Baiduspider\nAllow: /\n"), .answer = allowed },
    { .name = "OwnGroupAlone", .robots = ok("User-agent: Baiduspider\nDisallow: /private\nUser-agent: *\nDisallow: /\n"), .answer = allowed },
    { .name = "NamesIgnoreCaseAndVersion", .robots = ok("User-agent: BAIDUSPIDER/2.0\nDisallow: /p\n"), .answer = disallowed },
    { .name = "ConsecutiveAgentsShareAGroup", .robots = ok("User-agent: Googlebot\n\nuser-agent: baiduspider\nDisallow: /pa\n"), .answer = disallowed },
    { .name = "AnotherSpidersGroupIsNotOurs", .robots = ok("User-agent: Baiduspider-image\nDisallow: /\n"), .answer = allowed },
    { .name = "GroupsOfOneNameJoin", .robots = ok("User-agent: baiduspider\nAllow: /a\nUser-agent: *\nDisallow: /\n"
        "User-agent: Baiduspider\nDisallow: /pag\n"), .answer = disallowed },
    { .name = "LongestMatchWins", .robots = forAll("Disallow: /\nAllow: /pa\n"), .answer = allowed },
    { .name = "LongerDisallowBeatsAllow", .robots = forAll("Allow: /p\nDisallow: /page\n"), .answer = disallowed },
    { .name = "AllowWinsATie", .robots = forAll("Disallow: /page\nAllow: /page\n"), .answer = allowed },
    { .name = "WildcardInTheMiddle", .robots = forAll("Disallow: /*/links*.html\n"), .page = "/a/b/links-2.html", .answer = disallowed },
    { .name = "DollarEndsTheAddress", .robots = forAll("Disallow: /*.php$\n"), .page = "/index.php?x=1", .answer = allowed },
    { .name = "DollarAtTheEnd", .robots = forAll("Disallow: /*.php$\n"), .page = "/a.php", .answer = disallowed },
    { .name = "EscapedUnreservedIsDecoded", .robots = forAll("Disallow: /%7Euser/\n"), .page = "/~user/a", .answer = disallowed },
    { .name = "EscapesCompareInEitherCase", .robots = forAll("Disallow: /a%2fb\n"), .page = "/a%2Fb", .answer = disallowed },
    { .name = "Utf8PathMatchesItsEscapes", .robots = forAll("Disallow: /\xE9\x93\xBE\n"), .page = "/%e9%93%be%E6", .answer = disallowed },
    { .name = "EmptyDisallowAllows", .robots = ok("User-agent: Baiduspider\nDisallow:\n\nUser-agent: *\nDisallow: /\n"), .answer = allowed },
    { .name = "ByteOrderMark", .robots = ok("\xEF\xBB\xBFUser-agent: *\nDisallow: /\n"), .answer = disallowed },
    { .name = "CrLfLines", .robots = ok("User-agent: Baiduspider\r\nDisallow: /pag\r\n"), .answer = disallowed },
    { .name = "CrLines", .robots = ok("User-agent: *\rAllow: /\rUser-agent: Baiduspider\rDisallow: /page\r"), .answer = disallowed },
    { .name = "Comments", .robots = ok("# all\nUser-agent: * # every spider\nDisallow: /page # x\n"), .answer = disallowed },
    { .name = "RulesBeforeAnyAgentAreNone", .robots = ok("Disallow: /\n"), .answer = allowed },
    { .name = "NotFoundAllowsAll", .robots = reply("404 Not Found", "User-agent: *\nDisallow: /\n"), .answer = allowed },
    { .name = "ServiceUnavailableIsUnknown", .robots = reply("503 Service Unavailable", ""), .answer = unknown },
    { .name = "TenMegabytesIsUnknown", .robots = ok(repeated("Disallow: /page\n", 640 << 10)), .answer = unknown },
    { .name = "BinaryIsUnknown", .robots = ok(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)), .answer = unknown },
    { .name = "ManyLinesWithinTheLimit", .robots = ok(repeated("#\n", 200000) + "User-agent: *\nDisallow: /\n"), .answer = disallowed },
    { .name = "MillionLinesIsUnknown", .robots = ok(repeated("\n", 1 << 20)), .answer = unknown },
    { .name = "OverlongLineIsPassedOver", .robots = forAll("Allow: /page #" + std::string(100000, 'x') + "\nDisallow: /p\n"),
        .answer = disallowed },
    { .name = "MegabyteLineIsUnknown", .robots = forAll("Disallow: /" + std::string(1 << 20, 'p')), .answer = unknown },
    { .name = "StarsDoNotBacktrack", .robots = forAll("Disallow: /" + repeated("*a", 3000) + "*b\n"), .page = "/" + std::string(2000, 'a'), .answer = allowed },
    { .name = "RedirectWithinTheSite", .robots = moved("/rules.txt"), .answer = disallowed, .requests = 2 },
    { .name = "RedirectToItselfIsUnknown", .robots = moved("/robots.txt"), .answer = unknown, .requests = 5 },
    { .name = "RedirectElsewhereIsUnknown", .robots = moved("http://other.invalid/robots.txt"), .answer = unknown },
    { .name = "EndlessFileIsUnknown", .robots = "HTTP/1.1 200 OK\r\n\r\nUser-agent: *\n", .answer = unknown, .endless = true },
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
    EXPECT_EQ(cache.AnswerFor("http://127.0.0.1:" + server.PortText() + testCase.page), testCase.answer);
    EXPECT_TRUE(server.WaitFinished(testCase.requests));
    EXPECT_EQ(server.Accepted(), testCase.requests);
    EXPECT_NE(server.ReceivedBy(0).find("User-Agent: Mozilla/5.0 (compatible; Baiduspider/2.0;"),
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
