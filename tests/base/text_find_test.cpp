#include "base/text_find.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct FindCase {
    const char* name;
    std::string text;
    std::string part;
    std::size_t from;
    std::size_t expected;
};

void PrintTo(const FindCase& testCase, std::ostream* out) { *out << testCase.name; }

constexpr auto npos = std::string_view::npos;

const FindCase findCases[] = {
    { "FirstOfTwo", "hhttp://a http://a", "http://a", 0, 1 },
    { "FromPastTheFirst", "hhttp://a http://a", "http://a", 2, 10 },
    { "AtTheVeryEnd", "xxab", "ab", 0, 2 },
    { "CutByTheEnd", "xxa", "ab", 0, npos },
    { "OverlappingRepeats", "aaab", "aab", 0, 1 },
    { "NulBytesCompared", std::string("a\0b\0c", 5), std::string("b\0c", 3), 0, 2 },
    { "HighBytes", "\xD3\xD1\xC7\xE9\xD3\xD1", "\xC7\xE9", 0, 2 },
    { "EmptyPartAtFrom", "abc", "", 2, 2 },
    { "FromAtTheEnd", "abc", "c", 3, npos },
    { "FromPastTheEnd", "abc", "", 4, npos },
};

class TextFind : public testing::TestWithParam<FindCase>
{
};

TEST_P(TextFind, AnswersAsTheStandardFind)
{
    const FindCase& testCase = GetParam();
    EXPECT_EQ(FindBytes(testCase.text, testCase.part, testCase.from), testCase.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextFind, testing::ValuesIn(findCases),
    [](const testing::TestParamInfo<FindCase>& info) { return std::string(info.param.name); });

}
