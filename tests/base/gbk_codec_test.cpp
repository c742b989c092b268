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

TEST(GbkCodec, ExactPairGivesBackEveryByteAndStillMarksWhatGbkLacks)
{
    // Every pair that starts at or above 0x80, each after a NUL so that it starts a character.
    Text all;
    for (int first = 0x80; first < 256; ++first)
        for (int second = 0; second < 256; ++second)
            all += { static_cast<char>(first), static_cast<char>(second), '\0' };
    EXPECT_EQ(Utf8ToGbkExact(GbkToUtf8Exact(all)), all);
    // U+1F600, and U+F77F and U+F800 on either side of the range U+F780 .. U+F7FF that carries bytes.
    EXPECT_EQ(Utf8ToGbkExact("\xF0\x9F\x98\x80|\xEF\x9D\xBF|\xEF\xA0\x80"), "?|?|?");
}

}
