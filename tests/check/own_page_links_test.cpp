#include "check/own_page_links.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// An own page, a partner's address, and what the page says of the partner.
struct BackCase {
    const char* name;
    std::string page;
    BackLink back;
    std::string anchor = "";
    std::string partner = "http://www.partner.test/links.html";
};

void PrintTo(const BackCase& testCase, std::ostream* out) { *out << testCase.name; }

// clang-format off
const BackCase backCases[] = {
    { "AnyPath", "<a href=\"http://www.partner.test/\">P &amp; Co</a>", BackLink::Yes, "P & Co" },
    { "WwwAndCaseIgnored", "<a href=\"HTTPS://Partner.TEST/x\">P</a>", BackLink::Yes, "P" },
    { "DefaultPortWritten", "<a href=\"http://partner.test:80/\">P</a>", BackLink::Yes, "P" },
    { "OtherPort", "<a href=\"http://partner.test:8080/\">P</a>", BackLink::No },
    { "PartnerWithPort", "<a href=\"//partner.test:8080/\">P</a>", BackLink::Yes, "P", "http://partner.test:8080/" },
    { "PartnerWithoutScheme", "<a href=\"http://partner.test/\">P</a>", BackLink::Yes, "P", " www.partner.test/x " },
    { "NoFollowOnly", "<a rel=\"sponsored\" href=\"http://partner.test/\">P</a>", BackLink::NoFollow, "P" },
    { "FollowedLinkBeatsNoFollow", "<a rel=nofollow href=http://partner.test/>N</a><a href=http://partner.test/b>F</a>",
        BackLink::Yes, "F" },
    { "FirstFollowedAnchorKept", "<a href=http://partner.test/>F</a><a href=http://partner.test/b>G</a>",
        BackLink::Yes, "F" },
    { "AreaGivesAlt", "<map><area href=\"http://partner.test/\" alt=\"P\"></map>", BackLink::Yes,
        "[\xCD\xBC\xC6\xAC] P" },
    { "ReferenceInHost", "<a href=\"http://partner&#46;test/\">P</a>", BackLink::Yes, "P" },
    { "UnclosedLinkReadToTheEnd", "<a href=\"http://partner.test/\">P <b>bold", BackLink::Yes, "P bold" },
    { "InComment", "<!-- <a href=\"http://partner.test/\">P</a> -->", BackLink::No },
    { "InScript", "<script>document.write('<a href=\"http://partner.test/\">P</a>')</script>", BackLink::No },
    { "RelativeLink", "<a href=\"/partner.test/\">P</a>", BackLink::No },
    { "OtherSiteEndingAlike", "<a href=\"http://mypartner.test/\">P</a>", BackLink::No },
    { "PartnerWithoutHost", "<a href=\"http://partner.test/\">P</a>", BackLink::Unknown, "", "http:///links.html" },
};
// clang-format on

class OwnPageBack : public testing::TestWithParam<BackCase>
{
};

TEST_P(OwnPageBack, FollowsTheHostRules)
{
    OwnPageLinks links;
    links.Read(GetParam().page, "http://www.mine.test/friends.html", false);
    Text anchor = "stale";
    EXPECT_EQ(links.BackOf(GetParam().partner, anchor), GetParam().back);
    EXPECT_EQ(anchor, GetParam().anchor);
}

INSTANTIATE_TEST_SUITE_P(OwnPageLinks, OwnPageBack, testing::ValuesIn(backCases),
    [](const testing::TestParamInfo<BackCase>& info) { return std::string(info.param.name); });

TEST(OwnPageLinks, UnreadPageMakesAnUnlinkedPartnerUnknownAndLeavesTheOwnSiteOut)
{
    OwnPageLinks links;
    links.Read("<a href=\"http://mine.test/a\">self</a><a href=\"http://a.test/\">A</a>",
        "http://www.mine.test/", false);
    Text anchor;
    EXPECT_EQ(links.BackOf("http://b.test/", anchor), BackLink::No);
    links.MarkUnread();
    EXPECT_EQ(links.BackOf("http://b.test/", anchor), BackLink::Unknown);
    EXPECT_EQ(links.BackOf("http://a.test/", anchor), BackLink::Yes);
    ASSERT_EQ(links.Sites().size(), 1u);
    EXPECT_EQ(links.Sites()[0].key, "a.test");
}

// 64 MiB of a million links, each to a host of its own, with a long anchor.
TEST(OwnPageLinks, MillionLinksKeepABoundedTableAndUnlistedPartnersUnknown)
{
    constexpr int linkCount = 1000000;
    std::string page;
    page.reserve(std::size_t { 64 } << 20);
    const std::string anchor(30, 'x');
    for (int link = 0; link < linkCount; ++link)
        page += "<a href=\"http://h" + std::to_string(link) + ".test/\">" + anchor + "</a>\n";
    page.resize(std::size_t { 64 } << 20, ' ');
    OwnPageLinks links;
    links.Read(page, "http://mine.test/", false);
    EXPECT_TRUE(links.Full());
    EXPECT_EQ(links.Sites().size(), OwnPageLinks::SiteLimit);
    Text shown;
    EXPECT_EQ(links.BackOf("http://h1.test/", shown), BackLink::Yes);
    EXPECT_EQ(links.BackOf("http://h999999.test/", shown), BackLink::Unknown);
}

}
