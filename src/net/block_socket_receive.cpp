// The receive operations of TBlockSocket (declared in block_socket.h). Every
// read starts from PendingData: bytes that arrived earlier but were not handed
// out are returned before the network is touched again.

#include "base/tick.h"
#include "net/block_socket.h"
#include "net/line_end_search.h"
#include "net/socket_error.h"
#include "net/socket_library.h"
#include "net/text_util.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <utility>

namespace {

constexpr std::int32_t defaultPieceSize = 65535;
// One OS receive takes what is waiting, but at most this much: on loopback the
// kernel can hold tens of megabytes, and a body read should not need a second
// copy of that size beside the stream it fills.
constexpr std::int32_t largestSingleRead = 4 * 1024 * 1024;

}

std::int32_t TBlockSocket::TransportReceive(void* Buffer, std::int32_t Length)
{
    ThrottleBandwidth(Length, MaxRecvBandwidth, m_nextReceiveTime);
    const ssize_t result = SocketLibrary().Recv(m_socketHandle, Buffer, static_cast<std::size_t>(Length), 0);
    if (result == 0) {
        // The peer has closed; the layer reports that as a reset.
        m_lastErrorText.clear();
        m_lastErrorCode = SE_ConnectionReset;
    } else {
        CheckResult(result);
    }
    return static_cast<std::int32_t>(result);
}

std::int32_t TBlockSocket::readFiltered(void* Buffer, std::int32_t Length)
{
    if (Length <= 0 || !OnReadFilter)
        return Length;
    const Text filtered
        = filterBytes(OnReadFilter, static_cast<const char*>(Buffer), static_cast<std::size_t>(Length));
    std::memcpy(Buffer, filtered.data(), filtered.size());
    return static_cast<std::int32_t>(filtered.size());
}

std::int32_t TBlockSocket::ReceiveRaw(void* Buffer, std::int32_t Length)
{
    if (CheckStopFlag())
        return 0;
    // A read of nothing is no sign of a closed peer; it simply reads nothing.
    if (Length <= 0) {
        m_lastErrorCode = 0;
        return 0;
    }
    const std::int32_t result = TransportReceive(Buffer, Length);
    ReportError();
    ReportStatus(HR_ReadCount, std::to_string(result));
    return readFiltered(Buffer, result);
}

Text TBlockSocket::receiveWaiting(std::int32_t Count)
{
    Text data(static_cast<std::size_t>(Count), '\0');
    const std::int32_t received = ReceiveRaw(data.data(), Count);
    if (m_lastErrorCode != 0 || received <= 0)
        return {};
    data.resize(static_cast<std::size_t>(received));
    return data;
}

std::int32_t TBlockSocket::waitForData(std::int32_t Timeout)
{
    // Past the deadline nothing more is taken from the network, however fast
    // it comes: a peer that never stops sending cannot hold the read either.
    if (DeadlinePassed()) {
        m_lastErrorCode = SE_TimedOut;
        return 0;
    }
    std::int32_t waiting = std::min(BytesWaiting(), largestSingleRead);
    if (waiting > 0)
        return waiting;
    if (!WaitReadable(Timeout)) {
        m_lastErrorCode = SE_TimedOut;
        return 0;
    }
    waiting = std::min(BytesWaiting(), largestSingleRead);
    if (waiting > 0)
        return waiting;
    // Readable with nothing to read: the peer has closed.
    m_lastErrorCode = SE_ConnectionReset;
    return 0;
}

Text TBlockSocket::receiveAvailableOnce(std::int32_t Timeout)
{
    if (!m_pendingData.Empty())
        return m_pendingData.Take();
    const std::int32_t waiting = waitForData(Timeout);
    return waiting > 0 ? receiveWaiting(waiting) : Text();
}

bool TBlockSocket::splitLineEndPartner(char First)
{
    // A line that ended with a lone CR (LF) at the very end of the data may see
    // the LF (CR) of the same line end arrive first in the next data; it
    // belongs to that line end, not to what follows.
    const bool partner = (m_lastWasCR && First == '\n') || (m_lastWasLF && First == '\r');
    m_lastWasCR = false;
    m_lastWasLF = false;
    return partner;
}

bool TBlockSocket::dropSplitLineEnd(Text& Data)
{
    if (Data.empty() || !splitLineEndPartner(Data.front()))
        return false;
    Data.erase(0, 1);
    return true;
}

void TBlockSocket::dropPendingSplitLineEnd()
{
    if (!m_pendingData.Empty() && splitLineEndPartner(m_pendingData.View().front()))
        m_pendingData.Skip(1);
}

bool TBlockSocket::lineTooLong(std::size_t Position, std::size_t Available) const
{
    // The limit is on the line: data that follows a line end already found
    // (a body arriving with the header) does not count against it.
    const std::size_t lineLength = Position == Text::npos ? Available : Position;
    return MaxLineLength != 0 && static_cast<std::int64_t>(lineLength) > MaxLineLength;
}

Text TBlockSocket::ReceiveAvailable(std::int32_t Timeout)
{
    m_lastErrorCode = 0;
    const std::uint32_t start = TickNow();
    Text result = receiveAvailableOnce(Timeout);
    if (dropSplitLineEnd(result) && result.empty() && m_lastErrorCode == 0)
        result = receiveAvailableOnce(TickRemaining(Timeout, start));
    if (m_lastErrorCode != 0)
        result.clear();
    ReportError();
    return result;
}

Text TBlockSocket::ReceiveUntil(std::int32_t Timeout, const Text& Terminator)
{
    m_lastErrorCode = 0;
    if (Terminator.empty())
        return {};
    LineEndSearch search(Terminator, ConvertLineEnd && Terminator == "\r\n");
    // The line is sought in the pending bytes where they lie; what arrives is
    // added to them, and the line is handed out from their front.
    dropPendingSplitLineEnd();
    Text result;
    std::uint32_t start = 0;
    bool waited = false;
    for (;;) {
        const std::string_view pending = m_pendingData.View();
        const std::size_t position = search.Find(pending);
        if (lineTooLong(position, pending.size())) {
            // Reported as out of buffer space. Nothing is consumed: all of it
            // stays in PendingData.
            m_lastErrorCode = SE_NoBufferSpace;
            break;
        }
        if (position != Text::npos) {
            result = Text(pending.substr(0, position));
            m_lastWasCR = search.LoneCR();
            m_lastWasLF = search.LoneLF();
            m_pendingData.Skip(position + search.TerminatorLength());
            break;
        }
        if (waited && !InterPacketTimeout) {
            Timeout = TickRemaining(Timeout, start);
            if (Timeout == 0) {
                m_lastErrorCode = SE_TimedOut;
                break;
            }
        }
        start = TickNow();
        waited = true;
        Text work = m_pendingData.Take();
        work += ReceiveAvailable(Timeout);
        m_pendingData.Keep(std::move(work));
        if (m_lastErrorCode != 0)
            break;
    }
    ReportError();
    return result;
}

Text TBlockSocket::ReceiveLine(std::int32_t Timeout)
{
    Text line = ReceiveUntil(Timeout, "\r\n");
    return m_lastErrorCode == 0 ? line : Text();
}

std::int64_t TBlockSocket::receiveAvailableToSink(
    std::int64_t Room, std::int32_t Timeout, const std::function<void(const char*, std::size_t)>& Sink)
{
    // Bytes are handed on from the pending bytes where they lie, so that many
    // small pieces out of one large packet (the chunks of a chunked body) do
    // not copy the rest of the packet once per piece.
    dropPendingSplitLineEnd();
    if (m_pendingData.Empty())
        m_pendingData.Keep(ReceiveAvailable(Timeout));
    else
        m_lastErrorCode = 0;
    const std::string_view pending = m_pendingData.View();
    const auto take = static_cast<std::size_t>(
        std::min(static_cast<std::int64_t>(pending.size()), std::max<std::int64_t>(Room, 0)));
    if (take > 0)
        Sink(pending.data(), take);
    m_pendingData.Skip(take);
    return static_cast<std::int64_t>(take);
}

std::int64_t TBlockSocket::receiveAvailableToStream(
    MemoryStream& Stream, std::int64_t Room, std::int32_t Timeout)
{
    // Pending data, and a line end whose second byte may lead the next data,
    // take the general way; a plain read goes straight into the stream.
    if (!m_pendingData.Empty() || m_lastWasCR || m_lastWasLF) {
        return receiveAvailableToSink(Room, Timeout, [&Stream](const char* data, std::size_t size) {
            Stream.Write(data, static_cast<std::int64_t>(size));
        });
    }
    m_lastErrorCode = 0;
    const std::int32_t waiting = waitForData(Timeout);
    std::int64_t received = 0;
    if (waiting > 0) {
        const auto room
            = static_cast<std::int32_t>(std::min<std::int64_t>(waiting, std::max<std::int64_t>(Room, 0)));
        received = Stream.WriteInPlace(room, [this, room](char* into) {
            const std::int32_t got = ReceiveRaw(into, room);
            return m_lastErrorCode == 0 ? got : 0;
        });
    }
    ReportError();
    return received;
}

std::int64_t TBlockSocket::ReceiveAvailableToStream(
    MemoryStream& Stream, std::int32_t Timeout, const std::function<void(std::int64_t)>& BeforeWrite)
{
    // Pending data, and a line end whose second byte may lead the next data,
    // take ReceiveAvailable's own way; a plain read goes straight into the stream.
    if (!m_pendingData.Empty() || m_lastWasCR || m_lastWasLF) {
        const Text piece = ReceiveAvailable(Timeout);
        const auto size = static_cast<std::int64_t>(piece.size());
        if (size > 0)
            BeforeWrite(size);
        return Stream.Write(piece.data(), size);
    }
    m_lastErrorCode = 0;
    const std::int32_t waiting = waitForData(Timeout);
    std::int64_t received = 0;
    if (waiting > 0) {
        BeforeWrite(waiting);
        received = Stream.WriteInPlace(waiting, [this, waiting](char* into) {
            const std::int32_t got = ReceiveRaw(into, waiting);
            return m_lastErrorCode == 0 ? got : 0;
        });
    }
    ReportError();
    return received;
}

std::int64_t TBlockSocket::receiveExactWith(
    std::int64_t Count, std::int32_t Timeout, const PieceReader& ReadPiece)
{
    m_lastErrorCode = 0;
    std::int64_t got = 0;
    for (;;) {
        const std::uint32_t start = TickNow();
        got += ReadPiece(Count - got, Timeout);
        if (m_lastErrorCode != 0 || got >= Count)
            break;
        if (!InterPacketTimeout) {
            Timeout = TickRemaining(Timeout, start);
            if (Timeout == 0) {
                m_lastErrorCode = SE_TimedOut;
                break;
            }
        }
    }
    m_lastErrorText = GetErrorDesc(m_lastErrorCode);
    return got;
}

std::int64_t TBlockSocket::receiveExactInto(
    std::int64_t Count, std::int32_t Timeout, const std::function<void(const char*, std::size_t)>& Sink)
{
    return receiveExactWith(Count, Timeout, [this, &Sink](std::int64_t Room, std::int32_t Wait) {
        return receiveAvailableToSink(Room, Wait, Sink);
    });
}

std::int32_t TBlockSocket::ReceiveExact(void* Buffer, std::int32_t Count, std::int32_t Timeout)
{
    char* cursor = static_cast<char*>(Buffer);
    const auto got
        = receiveExactInto(std::max(Count, 0), Timeout, [&cursor](const char* data, std::size_t size) {
              std::memcpy(cursor, data, size);
              cursor += size;
          });
    return static_cast<std::int32_t>(got);
}

Text TBlockSocket::ReceiveExactText(std::int32_t Count, std::int32_t Timeout)
{
    m_lastErrorCode = 0;
    if (Count < 1)
        return {};
    // The text grows with what arrives, so a size announced by the peer never
    // reserves more memory than the bytes that really came.
    Text result;
    receiveExactInto(
        Count, Timeout, [&result](const char* data, std::size_t size) { result.append(data, size); });
    return m_lastErrorCode == 0 ? result : Text();
}

std::uint8_t TBlockSocket::ReceiveOneByte(std::int32_t Timeout)
{
    std::uint8_t result = 0;
    receiveAvailableToSink(
        1, Timeout, [&result](const char* data, std::size_t) { result = static_cast<std::uint8_t>(*data); });
    ReportError();
    return result;
}

std::int32_t TBlockSocket::ReceiveInt32(std::int32_t Timeout)
{
    const Text bytes = ReceiveExactText(4, Timeout);
    if (m_lastErrorCode != 0 || bytes.size() != 4)
        return 0;
    std::uint32_t value = 0;
    for (int index = 3; index >= 0; --index)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(index)]);
    return static_cast<std::int32_t>(value);
}

Text TBlockSocket::ReceiveSizedText(std::int32_t Timeout)
{
    const std::int32_t count = ReceiveInt32(Timeout);
    return m_lastErrorCode == 0 ? ReceiveExactText(count, Timeout) : Text();
}

void TBlockSocket::ReceiveAllToStream(MemoryStream& Stream, std::int32_t Timeout)
{
    do
        receiveAvailableToStream(Stream, largestSingleRead, Timeout);
    while (m_lastErrorCode == 0);
}

void TBlockSocket::ReceiveCountToStream(MemoryStream& Stream, std::int32_t Timeout, std::int64_t Count)
{
    // Pieces of SendMaxChunk bytes, each with the full time-out. What arrived of
    // a piece cut short by an error or a time-out is written all the same, so a
    // body that breaks off is kept as far as it came. When the time-out restarts
    // with every packet anyway, the pieces wait exactly as one read of the whole
    // count does, and one read avoids handing the unread rest of every large
    // packet back and forth once per piece.
    const std::int64_t pieceSize = InterPacketTimeout ? std::max<std::int64_t>(Count, 1)
                                                      : (SendMaxChunk > 0 ? SendMaxChunk : defaultPieceSize);
    m_lastErrorCode = 0;
    for (std::int64_t rest = Count; rest > 0;) {
        const std::int64_t size = std::min(rest, pieceSize);
        receiveExactWith(size, Timeout, [this, &Stream](std::int64_t Room, std::int32_t Wait) {
            return receiveAvailableToStream(Stream, Room, Wait);
        });
        if (m_lastErrorCode != 0)
            return;
        rest -= size;
    }
}

void TBlockSocket::ReceiveSizedStream(MemoryStream& Stream, std::int32_t Timeout)
{
    const std::int32_t count = ReceiveInt32(Timeout);
    if (m_lastErrorCode == 0)
        ReceiveCountToStream(Stream, Timeout, count);
}

void TBlockSocket::ReceiveSizedStreamNet(MemoryStream& Stream, std::int32_t Timeout)
{
    const std::int32_t count = ReceiveInt32(Timeout);
    if (m_lastErrorCode == 0)
        ReceiveCountToStream(
            Stream, Timeout, static_cast<std::int32_t>(ntohl(static_cast<std::uint32_t>(count))));
}

std::int32_t TBlockSocket::PeekRaw(void* Buffer, std::int32_t Length)
{
    const ssize_t result = SocketLibrary().Recv(
        m_socketHandle, Buffer, static_cast<std::size_t>(std::max(Length, 0)), MSG_PEEK);
    CheckResult(result);
    ReportError();
    return static_cast<std::int32_t>(result);
}

std::uint8_t TBlockSocket::PeekOneByte(std::int32_t Timeout)
{
    m_lastErrorCode = 0;
    std::uint8_t result = 0;
    if (WaitReadable(Timeout)) {
        if (SocketLibrary().Recv(m_socketHandle, &result, 1, MSG_PEEK) != 1)
            result = 0;
    } else {
        m_lastErrorCode = SE_TimedOut;
    }
    ReportError();
    return result;
}

std::int32_t TBlockSocket::ReceiveBytesFrom(void* Buffer, std::int32_t Length)
{
    if (CheckStopFlag())
        return 0;
    Length = std::max(Length, 0);
    ThrottleBandwidth(Length, MaxRecvBandwidth, m_nextReceiveTime);
    sockaddr_storage sender {};
    socklen_t senderLength = sizeof(sender);
    const ssize_t received = SocketLibrary().RecvFrom(m_socketHandle, Buffer,
        static_cast<std::size_t>(Length), 0, reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (CheckResult(received) == 0)
        m_remoteAddress = sender;
    ReportError();
    ReportStatus(HR_ReadCount, std::to_string(received));
    return readFiltered(Buffer, static_cast<std::int32_t>(received));
}
