#include "check/link_rel.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct RelCase {
    const char* name;
    std::string page;
    std::string query;
    LinkRel rel;
};

void PrintTo(const RelCase& testCase, std::ostream* out) { *out << testCase.name; }

const RelCase relCases[] = {
    { "HrefMatch", "<p><a href=\"http://me/\">us</a>", "http://me/", LinkRel::None },
    { "TextMatch", "<a href=\"/x\"><b>me</b> here</a>", "me", LinkRel::None },
    { "MatchIsTheTag", "<a href=\"http://me/\" rel=ugc>", "<a href=\"http://me/\"", LinkRel::Ugc },
    { "NofollowAmongOthers", "<a rel=\"noopener nofollow\" href=\"http://me/\">", "me", LinkRel::NoFollow },
    { "FirstOfTheThree", "<a href=me rel='noopener sponsored nofollow'>", "me", LinkRel::Sponsored },
    { "UpperCase", "<A HREF='http://me/' REL='UGC'>", "me", LinkRel::Ugc },
    { "Unquoted", "<a rel=nofollow href=http://me/>", "me", LinkRel::NoFollow },
    { "TokenOnlyLooksAlike", "<a rel=\"nofollowed\" href=\"http://me/\">", "me", LinkRel::None },
    { "QuotedBracketDoesNotEndTheTag", "<a title=\"a>b\" rel=ugc href=me>", "me", LinkRel::Ugc },
    { "FirstRelCounts", "<a rel=noopener rel=nofollow href=me>", "me", LinkRel::None },
    { "RelWithoutEnd", "<a href=\"http://me/\" rel=\"nofollow", "me", LinkRel::NoFollow },
    { "NotInALink", "<p>me</p>", "me", LinkRel::NotInLink },
    { "AfterTheLinkEnded", "<a rel=nofollow href=/x>x</a> me", "me", LinkRel::NotInLink },
    { "OtherTagStartingWithA", "<abbr rel=nofollow>me</abbr>", "me", LinkRel::NotInLink },
    // Markup is read simply: a link inside a comment counts as a link.
    { "InsideAComment", "<!-- <a rel=nofollow href=me> -->", "me", LinkRel::NoFollow },
};

class LinkRelOfMatchTest : public ::testing::TestWithParam<RelCase>
{
};

TEST_P(LinkRelOfMatchTest, ReadsTheRelOfTheEnclosingLink)
{
    const RelCase& testCase = GetParam();
    EXPECT_EQ(LinkRelOfMatch(testCase.page, testCase.page.find(testCase.query)), testCase.rel);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkRelOfMatchTest, ::testing::ValuesIn(relCases),
    [](const ::testing::TestParamInfo<RelCase>& info) { return std::string(info.param.name); });

}
