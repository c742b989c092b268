#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "support/loopback_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Parts = std::vector<std::string>;

// A connection to a scripted loopback peer. The peer keeps its side open until
// the client closes, unless the script ends it earlier.
struct ConnectedSocket {
    explicit ConnectedSocket(LoopbackServer::Script script)
        : server(std::move(script))
    {
        sock.Connect("127.0.0.1", server.PortText());
    }
    LoopbackServer server;
    TTCPBlockSocket sock;
};

// Sends the parts one by one. Before each further part it waits for the
// client's one-byte acknowledgement, or for gap when the client is still
// inside a read that cannot acknowledge.
LoopbackServer::Script sendParts(Parts parts, std::chrono::milliseconds gap = 50ms)
{
    return [parts = std::move(parts), gap](LoopbackServer::Connection& connection) {
        for (std::size_t index = 0; index < parts.size(); ++index) {
            if (index > 0)
                connection.ReadExactly(1, gap);
            connection.Send(parts[index]);
        }
        connection.WaitForPeerClose();
    };
}

LoopbackServer::Script sendThenClose(std::string bytes)
{
    return [bytes = std::move(bytes)](LoopbackServer::Connection& connection) {
        connection.Send(bytes);
        connection.ShutdownSend();
        connection.WaitForPeerClose();
    };
}

// ---- Line ends ----

struct LineCase {
    Parts parts;
    bool convert;
    std::vector<std::string> lines;
};

void PrintTo(const LineCase& value, std::ostream* out)
{
    *out << ::testing::PrintToString(value.parts) << (value.convert ? " converted" : " exact");
}

class BlockSocketLines : public ::testing::TestWithParam<LineCase>
{
};

TEST_P(BlockSocketLines, ReadsExpectedLines)
{
    ConnectedSocket peer(sendParts(GetParam().parts));
    ASSERT_EQ(peer.sock.LastErrorCode(), 0);
    peer.sock.ConvertLineEnd = GetParam().convert;
    for (const std::string& expected : GetParam().lines) {
        EXPECT_EQ(peer.sock.ReceiveLine(2000), expected);
        EXPECT_EQ(peer.sock.LastErrorCode(), 0);
        peer.sock.SendText("k");
    }
    EXPECT_EQ(peer.sock.PendingData(), "");
    EXPECT_EQ(peer.sock.ReceiveLine(30), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_TimedOut);
}

INSTANTIATE_TEST_SUITE_P(Packets, BlockSocketLines,
    ::testing::Values(
        LineCase { .parts = { "abc\r", "\ndef\r\n" }, .convert = true, .lines = { "abc", "def" } },
        LineCase { .parts = { "abc\n", "\rdef\n\r" }, .convert = true, .lines = { "abc", "def" } },
        LineCase { .parts = { "abc\n\rdef\r\n" }, .convert = true, .lines = { "abc", "def" } },
        LineCase { .parts = { "a\rb\nc\r\n" }, .convert = true, .lines = { "a", "b", "c" } },
        LineCase { .parts = { "abc\r\r\n" }, .convert = true, .lines = { "abc", "" } },
        LineCase { .parts = { "\r\n\r\n" }, .convert = true, .lines = { "", "" } },
        LineCase { .parts = { "ab", "c\r", "\n", "d\r\n" }, .convert = true, .lines = { "abc", "d" } },
        LineCase { .parts = { "abc\ndef\r\n" }, .convert = false, .lines = { "abc\ndef" } },
        LineCase { .parts = { "abc\rdef\r\n" }, .convert = false, .lines = { "abc\rdef" } },
        LineCase { .parts = { "abc\r", "\ndef\r\n" }, .convert = false, .lines = { "abc", "def" } }));

struct FollowCase {
    Parts parts;
    std::string line;
    std::string after;
};

void PrintTo(const FollowCase& value, std::ostream* out) { *out << ::testing::PrintToString(value.parts); }

class BlockSocketSplitLineEnd : public ::testing::TestWithParam<FollowCase>
{
};

// The partner byte of a line end cut across packets must not reach the data
// read after the line.
TEST_P(BlockSocketSplitLineEnd, PartnerByteNotInFollowingData)
{
    ConnectedSocket peer(sendParts(GetParam().parts));
    peer.sock.ConvertLineEnd = true;
    EXPECT_EQ(peer.sock.ReceiveLine(2000), GetParam().line);
    peer.sock.SendText("k");
    std::string after;
    while (after.size() < GetParam().after.size() && peer.sock.LastErrorCode() == 0)
        after += peer.sock.ReceiveAvailable(2000);
    EXPECT_EQ(after, GetParam().after);
    EXPECT_FALSE(peer.sock.LastWasCR());
    EXPECT_FALSE(peer.sock.LastWasLF());
}

INSTANTIATE_TEST_SUITE_P(Packets, BlockSocketSplitLineEnd,
    ::testing::Values(FollowCase { { "5\r", "\nhello" }, "5", "hello" },
        FollowCase { { "5\n", "\rhello" }, "5", "hello" },
        FollowCase { { "5\r", "\n", "hello" }, "5", "hello" },
        FollowCase { { "5\r", "hello" }, "5", "hello" }, FollowCase { { "5\r", "\rhello" }, "5", "\rhello" },
        FollowCase { { "5\r\n", "\nhello" }, "5", "\nhello" }));

TEST(BlockSocket, ChunkBodyAfterSplitLineEndIsIntact)
{
    ConnectedSocket peer(sendParts({ "5\r", "\nhello\r\n" }));
    peer.sock.ConvertLineEnd = true;
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "5");
    peer.sock.SendText("k");
    MemoryStream body;
    peer.sock.ReceiveCountToStream(body, 2000, 5);
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
    EXPECT_EQ(body.ToText(), "hello");
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
}

TEST(BlockSocket, ByteTakenFromPendingDataEndsSplitLineEnd)
{
    ConnectedSocket peer(sendParts({ "x\rY\n" }));
    peer.sock.ConvertLineEnd = true;
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "x");
    EXPECT_TRUE(peer.sock.LastWasCR());
    EXPECT_EQ(peer.sock.ReceiveOneByte(2000), 'Y');
    EXPECT_EQ(peer.sock.ReceiveAvailable(2000), "\n");
}

TEST(BlockSocket, ManyLinesOfOnePacketComeOutInOrderWithTheBytesAfterThem)
{
    std::string packet;
    for (int index = 0; index < 2000; ++index)
        packet += "line " + std::to_string(index) + (index % 2 == 0 ? "\r\n" : "\n");
    ConnectedSocket peer(sendParts({ packet + "tail" }));
    peer.sock.ConvertLineEnd = true;
    for (int index = 0; index < 2000; ++index)
        ASSERT_EQ(peer.sock.ReceiveLine(2000), "line " + std::to_string(index));
    EXPECT_EQ(peer.sock.ReceiveOneByte(2000), 't');
    EXPECT_EQ(peer.sock.PendingData(), "ail");
    EXPECT_EQ(peer.sock.ReceiveExactText(3, 2000), "ail");
    EXPECT_EQ(peer.sock.PendingData(), "");
}

// ---- Closes, time-outs and limits ----

TEST(BlockSocket, PeerClosingMidLineKeepsPartialLine)
{
    ConnectedSocket peer(sendThenClose("partial"));
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionReset);
    EXPECT_EQ(peer.sock.LastErrorText(), "Connection reset by peer");
    EXPECT_EQ(peer.sock.PendingData(), "partial");
    EXPECT_EQ(peer.sock.ReceiveAvailable(2000), "partial");
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
    EXPECT_EQ(peer.sock.ReceiveAvailable(2000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionReset);
}

TEST(BlockSocket, TimeOutKeepsReceivedData)
{
    ConnectedSocket peer(sendParts({ "abc" }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(peer.sock.ReceiveLine(100), "");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 90ms);
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_TimedOut);
    EXPECT_EQ(peer.sock.LastErrorText(), "Connection timed out");
    EXPECT_EQ(peer.sock.PendingData(), "abc");

    char buffer[10] = {};
    EXPECT_EQ(peer.sock.ReceiveExact(buffer, 10, 50), 3);
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_TimedOut);
    EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST(BlockSocket, WaitReadableAnswersTrueOnceThePeerHasClosed)
{
    ConnectedSocket peer([](LoopbackServer::Connection&) {});
    ASSERT_TRUE(peer.server.WaitFinished(1));
    EXPECT_TRUE(WaitUntil([&] { return peer.sock.WaitReadable(0); }, 5s));
    EXPECT_EQ(peer.sock.ReceiveAvailable(1000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionReset);
}

LoopbackServer::Script trickle(int count, std::chrono::milliseconds pause)
{
    return [count, pause](LoopbackServer::Connection& connection) {
        // The pacing is the peer behaviour under test, not a synchronisation.
        for (int index = 0; index < count && !connection.Stopping(); ++index) {
            connection.Send("x");
            std::this_thread::sleep_for(pause);
        }
        connection.Send("\r\n");
        connection.WaitForPeerClose();
    };
}

TEST(BlockSocket, InterPacketTimeoutRestartsWithEveryPacket)
{
    ConnectedSocket peer(trickle(8, 40ms));
    EXPECT_EQ(peer.sock.ReceiveLine(150), "xxxxxxxx");
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
}

TEST(BlockSocket, OverallTimeoutEndsTricklingRead)
{
    ConnectedSocket peer(trickle(8, 40ms));
    peer.sock.InterPacketTimeout = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(peer.sock.ReceiveLine(150), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_TimedOut);
    EXPECT_NE(peer.sock.PendingData(), "");
}

TEST(BlockSocket, MaxLineLengthKeepsData)
{
    ConnectedSocket peer(sendParts({ "abcdefgh\r\n" }));
    peer.sock.MaxLineLength = 5;
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_NoBufferSpace);
    EXPECT_EQ(peer.sock.PendingData(), "abcdefgh\r\n");
    peer.sock.MaxLineLength = 0;
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "abcdefgh");
}

TEST(BlockSocket, MaxLineLengthAppliesToALineAlreadyPending)
{
    ConnectedSocket peer(sendParts({ "ab\r\nabcdefgh\r\n" }));
    peer.sock.MaxLineLength = 5;
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "ab");
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_NoBufferSpace);
    EXPECT_EQ(peer.sock.PendingData(), "abcdefgh\r\n");
}

TEST(BlockSocket, MaxLineLengthCountsTheLineNotTheDataAfterIt)
{
    const std::string body(100, 'b');
    ConnectedSocket peer(sendParts({ "ab\r\n" + body }));
    ASSERT_TRUE(WaitUntil([&] { return peer.sock.WaitReadable(0) && peer.sock.BytesWaiting() >= 104; }, 5s));
    peer.sock.MaxLineLength = 5;
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "ab");
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
    EXPECT_EQ(peer.sock.PendingData(), body);
}

TEST(BlockSocket, StopFlagAbortsNextSendAndReceive)
{
    ConnectedSocket peer([](LoopbackServer::Connection& connection) {
        connection.Send("data");
        connection.WaitForPeerClose();
    });
    peer.sock.StopFlag = true;
    peer.sock.SendText("lost");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionAborted);
    EXPECT_FALSE(peer.sock.StopFlag);
    peer.sock.SendText("kept");
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
    EXPECT_TRUE(WaitUntil([&] { return peer.server.ReceivedBy(0) == "kept"; }, 5s));

    ASSERT_TRUE(peer.sock.WaitReadable(2000));
    std::thread other([&] { peer.sock.StopFlag = true; });
    other.join();
    EXPECT_EQ(peer.sock.ReceiveAvailable(2000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionAborted);
    EXPECT_EQ(peer.sock.ReceiveAvailable(2000), "data");
}

// ---- Counted reads ----

TEST(BlockSocket, ReceiveExactTextZeroReadsNothingButReceiveExactZeroWaits)
{
    ConnectedSocket peer(sendParts({ "abc" }));
    ASSERT_TRUE(peer.sock.WaitReadable(2000));
    EXPECT_EQ(peer.sock.ReceiveExactText(0, 2000), "");
    EXPECT_EQ(peer.sock.PendingData(), "");
    EXPECT_TRUE(WaitUntil([&] { return peer.sock.BytesWaiting() == 3; }, 5s));
    char buffer[1];
    EXPECT_EQ(peer.sock.ReceiveExact(buffer, 0, 2000), 0);
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
    EXPECT_EQ(peer.sock.PendingData(), "abc");
}

TEST(BlockSocket, ReceiveCountToStreamKeepsPieceCutShort)
{
    ConnectedSocket peer(sendThenClose("hello"));
    peer.sock.SendMaxChunk = 4;
    MemoryStream body;
    peer.sock.ReceiveCountToStream(body, 2000, 10);
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionReset);
    EXPECT_EQ(body.ToText(), "hello");
}

TEST(BlockSocket, ReceiveCountToStreamKeepsPieceCutByTimeOut)
{
    ConnectedSocket peer(sendParts({ "hel" }));
    MemoryStream body;
    peer.sock.ReceiveCountToStream(body, 50, 5);
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_TimedOut);
    EXPECT_EQ(body.ToText(), "hel");
}

TEST(BlockSocket, ReceiveExactTextDropsPartialPiece)
{
    ConnectedSocket peer(sendThenClose("hel"));
    EXPECT_EQ(peer.sock.ReceiveExactText(5, 2000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionReset);
}

TEST(BlockSocket, SizedTextRoundTrip)
{
    ConnectedSocket peer([](LoopbackServer::Connection& connection) {
        const std::string size = connection.ReadExactly(4);
        connection.Send(size + connection.ReadExactly(static_cast<unsigned char>(size[0])));
        connection.WaitForPeerClose();
    });
    peer.sock.SendSizedText("payload");
    EXPECT_EQ(peer.sock.ReceiveSizedText(2000), "payload");
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
}

TEST(BlockSocket, HugeAnnouncedSizeReservesNothing)
{
    ConnectedSocket peer(sendThenClose(std::string("\xFF\xFF\xFF\x7F", 4) + "tiny"));
    EXPECT_EQ(peer.sock.ReceiveSizedText(2000), "");
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionReset);
}

TEST(BlockSocket, StreamSentWholeAndReceivedToClose)
{
    std::string data(200000, '\0');
    for (std::size_t index = 0; index < data.size(); ++index)
        data[index] = static_cast<char>(index * 7);
    ConnectedSocket peer([size = data.size()](LoopbackServer::Connection& connection) {
        connection.Send(connection.ReadExactly(size));
        connection.ShutdownSend();
        connection.WaitForPeerClose();
    });
    MemoryStream out;
    out.Write(data.data(), static_cast<std::int64_t>(data.size()));
    out.SetPosition(0);
    peer.sock.SendStreamData(out);
    EXPECT_EQ(peer.sock.LastErrorCode(), 0);
    MemoryStream in;
    peer.sock.ReceiveAllToStream(in, 2000);
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_ConnectionReset);
    EXPECT_EQ(in.ToText(), data);
}

TEST(BlockSocket, PeekLeavesByteForReceive)
{
    ConnectedSocket peer(sendParts({ "AB" }));
    EXPECT_EQ(peer.sock.PeekOneByte(2000), 'A');
    EXPECT_EQ(peer.sock.ReceiveOneByte(2000), 'A');
    EXPECT_EQ(peer.sock.ReceiveOneByte(2000), 'B');
    EXPECT_EQ(peer.sock.ReceiveOneByte(30), 0);
    EXPECT_EQ(peer.sock.LastErrorCode(), SE_TimedOut);
}

// ---- Filters ----

TEST(BlockSocket, ReadFilterMayDropButNeverAddBytes)
{
    ConnectedSocket peer(sendParts({ "axbxc\r\n", "abcd" }));
    peer.sock.OnReadFilter = [](TBlockSocket*, Text& value) { std::erase(value, 'x'); };
    EXPECT_EQ(peer.sock.ReceiveLine(2000), "abc");
    peer.sock.SendText("k");
    peer.sock.OnReadFilter = [](TBlockSocket*, Text& value) { value = "LONGER-" + value; };
    EXPECT_EQ(peer.sock.ReceiveAvailable(2000), "LONG");
}

TEST(BlockSocket, WriteFilterMayDropButNeverAddBytes)
{
    ConnectedSocket peer([](LoopbackServer::Connection& connection) { connection.WaitForPeerClose(); });
    peer.sock.OnWriteFilter = [](TBlockSocket*, Text& value) { value.erase(0, 1); };
    EXPECT_EQ(peer.sock.SendBytes("abcd", 4), 3);
    peer.sock.OnWriteFilter = [](TBlockSocket*, Text& value) { value += "!!!"; };
    EXPECT_EQ(peer.sock.SendBytes("efgh", 4), 4);
    EXPECT_TRUE(WaitUntil([&] { return peer.server.ReceivedBy(0).size() >= 7; }, 5s));
    EXPECT_EQ(peer.server.ReceivedBy(0), "bcdefgh");
}

TEST(BlockSocket, SendThrottleWaitsBetweenChunks)
{
    int waits = 0;
    std::vector<std::string> writes;
    ConnectedSocket peer([](LoopbackServer::Connection& connection) { connection.WaitForPeerClose(); });
    peer.sock.OnStatus = [&](TBlockSocket*, THookSocketReason reason, const Text& value) {
        waits += reason == HR_Wait ? 1 : 0;
        if (reason == HR_WriteCount)
            writes.push_back(value);
    };
    peer.sock.SendMaxChunk = 100;
    peer.sock.MaxSendBandwidth = 2000;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(peer.sock.SendBytes(std::string(300, 'z').data(), 300), 300);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 80ms);
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(writes, std::vector<std::string>({ "100", "100", "100" }));
}

}
