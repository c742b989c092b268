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

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, MemoryStreamInPlace,
    testing::Values(
        InPlaceCase { .name = "all", .start = 2, .room = 3, .reported = 3, .kept = 3, .contents = "abwxy" },
        InPlaceCase { .name = "part", .start = 2, .room = 3, .reported = 1, .kept = 1, .contents = "abw" },
        InPlaceCase { .name = "none", .start = 2, .room = 3, .reported = 0, .kept = 0, .contents = "ab" },
        InPlaceCase { .name = "failed", .start = 2, .room = 3, .reported = -1, .kept = 0, .contents = "ab" },
        InPlaceCase { .name = "overstated", .start = 2, .room = 2, .reported = 5, .kept = 2,
            .contents = "abwx" },
        InPlaceCase { .name = "over", .start = 1, .room = 3, .reported = 2, .kept = 2, .contents = "awx" },
        InPlaceCase { .name = "gap", .start = 4, .room = 2, .reported = 1, .kept = 1,
            .contents = Text("ab\0\0w", 5) },
        InPlaceCase { .name = "gapNone", .start = 4, .room = 2, .reported = 0, .kept = 0, .contents = "ab" },
        InPlaceCase { .name = "noRoom", .start = 2, .room = 0, .reported = 3, .kept = 0, .contents = "ab" }),
    [](const testing::TestParamInfo<InPlaceCase>& info) { return info.param.name; });
// clang-format on

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
