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

}
