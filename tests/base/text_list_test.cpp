#include "base/text_list.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    Text text;
    std::vector<Text> lines;
};

class TextListSplit : public testing::TestWithParam<SplitCase>
{
};

TEST_P(TextListSplit, SplitsAtEveryLineEndAndStopsAtNul)
{
    TextList list;
    list.Add("stale");
    list.SetText(GetParam().text);
    EXPECT_EQ(list.Lines(), GetParam().lines);
}

// The text form made from pieces is the list's, wherever the text is cut.
TEST_P(TextListSplit, TextFormOfPiecesMatchesTheList)
{
    const std::string_view text = GetParam().text;
    Text expected;
    for (const Text& line : GetParam().lines)
        expected += line + "\r\n";
    for (std::size_t cut = 0; cut <= text.size(); ++cut)
        EXPECT_EQ(TextList::TextFormOf({ text.substr(0, cut), "", text.substr(cut) }), expected) << cut;
}

INSTANTIATE_TEST_SUITE_P(TextList, TextListSplit,
    testing::Values(SplitCase { "", {} }, SplitCase { "a", { "a" } },
        SplitCase { "a\r\nb\r\n", { "a", "b" } }, SplitCase { "a\rb\nc", { "a", "b", "c" } },
        SplitCase { "a\n\rb", { "a", "", "b" } }, SplitCase { "\r\n\r\n", { "", "" } },
        SplitCase { Text("ab\0cd\r\nef", 9), { "ab" } }, SplitCase { Text("\0x", 2), {} },
        SplitCase { "x\r", { "x" } }, SplitCase { "a\r\r\nb\n", { "a", "", "b" } }));

TEST(TextList, TextFormEndsEveryLineWithCrLf)
{
    TextList list;
    EXPECT_EQ(list.GetText(), "");
    list.Add("a");
    list.Add("");
    EXPECT_EQ(list.GetText(), "a\r\n\r\n");
}

TEST(TextList, NameValueLookupIgnoresCaseOfName)
{
    TextList list;
    list.Add("plain line");
    list.Add("Name=first");
    list.Add("NAME=second");
    EXPECT_EQ(list.Values("name"), "first");
    EXPECT_EQ(list.IndexOfName("nAmE"), 1);
    EXPECT_EQ(list.IndexOfName("plain line"), -1);
    EXPECT_EQ(list.Values("missing"), "");

    list.SetValue("name", "third");
    EXPECT_EQ(list[1], "name=third");
    EXPECT_EQ(list[2], "NAME=second");
    list.SetValue("new", "v=w");
    EXPECT_EQ(list[3], "new=v=w");
    EXPECT_EQ(list.Values("NEW"), "v=w");
    list.SetValue("NAME", "");
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list[1], "NAME=second");
}

}
