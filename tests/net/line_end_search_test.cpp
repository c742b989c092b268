#include "net/line_end_search.h"
#include "net/text_util.h"

#include <gtest/gtest.h>

namespace {

struct SearchCase {
    const char* text;
    bool convert;
    std::size_t position; // Text::npos when no line end
    std::size_t terminatorLength;
};

class LineEndSearchSplit : public ::testing::TestWithParam<SearchCase>
{
};

// The text arrives in two parts, split at every offset: the line end must be
// found at the same place. Converting, a pair cut after its first byte is
// taken as a lone end at once (the connection drops the partner byte later).
TEST_P(LineEndSearchSplit, SameAnswerAtEverySplit)
{
    const Text whole = GetParam().text;
    for (std::size_t split = 0; split <= whole.size(); ++split) {
        LineEndSearch search("\r\n", GetParam().convert);
        std::size_t found = search.Find(whole.substr(0, split));
        if (found == Text::npos)
            found = search.Find(whole);
        ASSERT_EQ(found, GetParam().position) << "split " << split;
        if (found == Text::npos)
            continue;
        const bool pairCut = GetParam().convert && GetParam().terminatorLength == 2 && split == found + 1;
        EXPECT_EQ(search.TerminatorLength(), pairCut ? 1u : GetParam().terminatorLength) << "split " << split;
    }
}

INSTANTIATE_TEST_SUITE_P(Terminators, LineEndSearchSplit,
    ::testing::Values(
        SearchCase { .text = "abc\r\ndef", .convert = true, .position = 3, .terminatorLength = 2 },
        SearchCase { .text = "abc\n\rdef", .convert = true, .position = 3, .terminatorLength = 2 },
        SearchCase { .text = "abc\rdef", .convert = true, .position = 3, .terminatorLength = 1 },
        SearchCase { .text = "abc\ndef", .convert = true, .position = 3, .terminatorLength = 1 },
        SearchCase { .text = "abcdef", .convert = true, .position = Text::npos, .terminatorLength = 0 },
        SearchCase { .text = "abc\r\ndef", .convert = false, .position = 3, .terminatorLength = 2 },
        SearchCase { .text = "abc\ndef\r\n", .convert = false, .position = 7, .terminatorLength = 2 },
        SearchCase { .text = "abc\rdef", .convert = false, .position = Text::npos, .terminatorLength = 2 },
        SearchCase { .text = "\r\n", .convert = false, .position = 0, .terminatorLength = 2 },
        SearchCase { .text = "\r\r\n", .convert = true, .position = 0, .terminatorLength = 1 }));

TEST(LineEndSearch, AgreesWithFindLineEndOnEveryPrefix)
{
    const Text text = "ab\rc\n\r\nd\n\re\r";
    for (std::size_t length = 0; length <= text.size(); ++length) {
        const Text prefix = text.substr(0, length);
        Text terminator;
        const int expected = FindLineEnd(prefix, terminator);
        LineEndSearch search("\r\n", true);
        Text work;
        std::size_t found = Text::npos;
        // Byte by byte, the way a trickling peer delivers it.
        for (std::size_t index = 0; index < prefix.size() && found == Text::npos; ++index) {
            work += prefix[index];
            found = search.Find(work);
        }
        if (expected == 0) {
            EXPECT_EQ(found, Text::npos) << length;
        } else {
            EXPECT_EQ(found, static_cast<std::size_t>(expected - 1)) << length;
            EXPECT_EQ(search.LoneCR(), work.size() == found + 1 && work.back() == '\r') << length;
        }
    }
}

TEST(LineEndSearch, LoneEndsAreFlagged)
{
    LineEndSearch cr("\r\n", true);
    EXPECT_EQ(cr.Find("abc\r"), 3u);
    EXPECT_TRUE(cr.LoneCR());
    EXPECT_FALSE(cr.LoneLF());
    LineEndSearch lf("\r\n", true);
    EXPECT_EQ(lf.Find("abc\n"), 3u);
    EXPECT_TRUE(lf.LoneLF());
    LineEndSearch pair("\r\n", true);
    EXPECT_EQ(pair.Find("abc\r\n"), 3u);
    EXPECT_FALSE(pair.LoneCR());
    EXPECT_FALSE(pair.LoneLF());
}

TEST(LineEndSearch, LongTerminatorSpanningManyAppends)
{
    LineEndSearch search("END!", false);
    Text work = "xxEN";
    EXPECT_EQ(search.Find(work), Text::npos);
    work += "D";
    EXPECT_EQ(search.Find(work), Text::npos);
    work += "!tail";
    EXPECT_EQ(search.Find(work), 2u);
}

}
