#include "base/memory_stream.h"

#include <algorithm>
#include <cstring>
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

// A read straight into the stream: fill may report fewer bytes than it was
// given room for, none, or (wrongly) more; only what it reports, up to the
// room, is kept, and a gap before the position is zero-filled only when
// something was written after it.
struct InPlaceCase {
    const char* name;
    std::int64_t start;
    std::int64_t room;
    std::int64_t reported;
    std::int64_t kept;
    Text contents;
};

class MemoryStreamInPlace : public testing::TestWithParam<InPlaceCase>
{
};

TEST_P(MemoryStreamInPlace, KeepsWhatFillReports)
{
    const InPlaceCase& c = GetParam();
    MemoryStream stream;
    stream.Write("ab", 2);
    stream.SetPosition(c.start);
    const std::int64_t kept = stream.WriteInPlace(c.room, [&c](char* into) {
        for (std::int64_t index = 0; index < std::min(c.reported, c.room); ++index)
            into[index] = static_cast<char>('w' + index);
        return c.reported;
    });
    EXPECT_EQ(kept, c.kept);
    EXPECT_EQ(stream.ToText(), c.contents);
    EXPECT_EQ(stream.Position(), c.kept > 0 ? c.start + c.kept : c.start);
}

INSTANTIATE_TEST_SUITE_P(Cases, MemoryStreamInPlace,
    testing::Values(InPlaceCase { "all", 2, 3, 3, 3, "abwxy" }, InPlaceCase { "part", 2, 3, 1, 1, "abw" },
        InPlaceCase { "none", 2, 3, 0, 0, "ab" }, InPlaceCase { "failed", 2, 3, -1, 0, "ab" },
        InPlaceCase { "overstated", 2, 2, 5, 2, "abwx" }, InPlaceCase { "over", 1, 3, 2, 2, "awx" },
        InPlaceCase { "gap", 4, 2, 1, 1, Text("ab\0\0w", 5) }, InPlaceCase { "gapNone", 4, 2, 0, 0, "ab" },
        InPlaceCase { "noRoom", 2, 0, 3, 0, "ab" }),
    [](const testing::TestParamInfo<InPlaceCase>& info) { return info.param.name; });

TEST(MemoryStream, LargeInPlaceWritesKeepEveryByte)
{
    // Large enough that the range about to be written is mapped ahead of the write.
    MemoryStream stream;
    Text expected;
    for (int piece = 0; piece < 12; ++piece) {
        const std::int64_t room = (std::int64_t { 1 } << 20) + piece * 4093;
        const std::int64_t kept = stream.WriteInPlace(room, [room, piece](char* into) {
            std::memset(into, 'a' + piece, static_cast<std::size_t>(room - 7));
            return room - 7;
        });
        EXPECT_EQ(kept, room - 7);
        expected.append(static_cast<std::size_t>(room - 7), static_cast<char>('a' + piece));
    }
    EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(expected.size()));
    EXPECT_TRUE(stream.ToText() == expected);
}

}
