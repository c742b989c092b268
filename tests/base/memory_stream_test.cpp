#include "base/memory_stream.h"

#include <gtest/gtest.h>

namespace {

TEST(MemoryStream, WritesExtendAndReadsFollowPosition)
{
    MemoryStream stream;
    EXPECT_EQ(stream.Write("hello", 5), 5);
    EXPECT_EQ(stream.Size(), 5);
    stream.SetPosition(0);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 5);
    EXPECT_EQ(Text(buffer, 5), "hello");
    EXPECT_EQ(stream.Read(buffer, 8), 0);
}

TEST(MemoryStream, WritePastEndFillsGapWithZeros)
{
    MemoryStream stream;
    stream.SetPosition(3);
    stream.Write("x", 1);
    EXPECT_EQ(stream.ToText(), Text("\0\0\0x", 4));
}

TEST(MemoryStream, SetSizeTruncatesAndClampsPosition)
{
    MemoryStream stream;
    stream.Write("abcdef", 6);
    stream.SetSize(2);
    EXPECT_EQ(stream.Position(), 2);
    EXPECT_EQ(stream.ToText(), "ab");
    stream.SetSize(4);
    EXPECT_EQ(stream.ToText(), Text("ab\0\0", 4));
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.ToText(), "");
}

TEST(MemoryStream, ManySmallWritesKeepEveryByte)
{
    MemoryStream stream;
    Text expected;
    for (int i = 0; i < 100000; ++i) {
        const char c = static_cast<char>(i % 251);
        stream.Write(&c, 1);
        expected += c;
    }
    EXPECT_EQ(stream.ToText(), expected);
}

}
