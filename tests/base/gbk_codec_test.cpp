#include "base/gbk_codec.h"

#include <gtest/gtest.h>

namespace {

// 正常 in GBK and in UTF-8.
const Text normalGbk = "\xD5\xFD\xB3\xA3";
const std::string normalUtf8 = "\xE6\xAD\xA3\xE5\xB8\xB8";

TEST(GbkCodec, RoundTripsChineseText)
{
    EXPECT_EQ(GbkToUtf8(normalGbk), normalUtf8);
    EXPECT_EQ(Utf8ToGbk(normalUtf8), normalGbk);
    EXPECT_EQ(GbkToUtf8("plain ascii"), "plain ascii");
}

TEST(GbkCodec, CharactersGbkLacksBecomeOneQuestionMarkEach)
{
    // U+1F600 (four UTF-8 bytes) has no GBK form.
    EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                        "b"),
        "a?b");
    EXPECT_EQ(Utf8ToGbk("a\xFF"
                        "b"),
        "a?b");
}

TEST(GbkCodec, InvalidGbkBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(GbkToUtf8("a\xFF"), "a\xEF\xBF\xBD");
    EXPECT_EQ(GbkToUtf8(Text("x\0y", 3)), Text("x\0y", 3));
}

struct ExactCase {
    const char* name;
    Text gbk;
    std::string utf8;
};

class GbkCodecExact : public testing::TestWithParam<ExactCase>
{
};

TEST_P(GbkCodecExact, CarriesBytesThatAreNotGbkAsReservedCharacters)
{
    EXPECT_EQ(GbkToUtf8Exact(GetParam().gbk), GetParam().utf8);
    EXPECT_EQ(Utf8ToGbkExact(GetParam().utf8), GetParam().gbk);
}

// A byte b comes as U+F700 + b: 0x81 as U+F781 (EF 9E 81), 0xFF as U+F7FF (EF 9F BF).
INSTANTIATE_TEST_SUITE_P(Bytes, GbkCodecExact,
    testing::Values(ExactCase { "ValidText", normalGbk + "\x80", normalUtf8 + "\xE2\x82\xAC" },
        ExactCase { "ByteFF", "a\xFFz", "a\xEF\x9F\xBFz" },
        ExactCase { "UnfinishedUtf8Dash", "\xE2\x80\x93", "\xE9\x88\xA5\xEF\x9E\x93" },
        ExactCase { "TrailingLeadByte", "x\xA0", "x\xEF\x9E\xA0" },
        ExactCase { "LeadBeforeSpace", "\x81 ", "\xEF\x9E\x81 " }),
    [](const testing::TestParamInfo<ExactCase>& info) { return std::string(info.param.name); });

TEST(GbkCodec, ExactPairGivesBackEveryPairOfBytes)
{
    // Every pair that starts with a byte at or above 0x80, each after a NUL so
    // that it starts a character; ASCII bytes come as their second bytes.
    Text all;
    for (int first = 0x80; first < 256; ++first)
        for (int second = 0; second < 256; ++second)
            all += { static_cast<char>(first), static_cast<char>(second), '\0' };
    EXPECT_EQ(Utf8ToGbkExact(GbkToUtf8Exact(all)), all);
}

TEST(GbkCodec, ExactPairStillTurnsCharactersGbkLacksIntoQuestionMarks)
{
    // U+1F600, and U+F77F and U+F800 just outside the reserved range.
    EXPECT_EQ(Utf8ToGbkExact("\xF0\x9F\x98\x80|\xEF\x9D\xBF|\xEF\xA0\x80"), "?|?|?");
}

}
