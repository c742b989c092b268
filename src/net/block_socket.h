#pragma once

#include "base/memory_stream.h"
#include "base/text.h"
#include "base/text_list.h"
#include "net/pending_bytes.h"
#include "net/socket_option.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <sys/socket.h>
#include <vector>

class TBlockSocket;

// Progress reasons passed to OnStatus, with the value text each one carries.
enum THookSocketReason : std::uint8_t {
    HR_ResolvingBegin, // host:port
    HR_ResolvingEnd, // host:port
    HR_SocketCreate, // "IPv4" or "IPv6"
    HR_SocketClose, // empty
    HR_Bind, // host:port
    HR_Connect, // host:port of the requested target
    HR_CanRead, // empty
    HR_CanWrite, // empty
    HR_Listen, // empty
    HR_Accept, // never reported
    HR_ReadCount, // decimal result of one OS receive (-1 when it failed)
    HR_WriteCount, // decimal byte count of one OS send
    HR_Wait, // decimal milliseconds of a bandwidth wait
    HR_Error, // "<code>,<description>"
};

// Address family for the next socket.
enum TSocketFamily : std::uint8_t {
    SF_Any,
    SF_IP4,
    SF_IP6,
};

using THookSocketStatus
    = std::function<void(TBlockSocket* Sender, THookSocketReason Reason, const Text& Value)>;
// May rewrite Value; a result longer than the bytes it was given is cut back.
using THookDataFilter = std::function<void(TBlockSocket* Sender, Text& Value)>;
using THookCreateSocket = std::function<void(TBlockSocket* Sender)>;

// A blocking socket: one object per connection, with its own name resolution,
// a buffer of received-but-unconsumed bytes (PendingData), line and counted
// reads with millisecond time-outs, optional bandwidth limits, status and
// filter callbacks, and deferred socket options.
//
// Thread: owned and used by one thread; it has no lock and its callbacks run on
// that thread. Only StopFlag may be set from another thread; it is looked at
// when a send or receive starts, not during a wait.
// Blocking: name resolution blocks until the OS answers; a connect, every wait
// and every read is bounded by its time-out in milliseconds (-1 = no limit:
// the OS's own limit for a connect), and by the deadline while one is set.
// Errors: every operation leaves LastErrorCode (0 = success, Windows Sockets
// numbering) and LastErrorText. A failure is reported to OnStatus as HR_Error
// and, only when RaiseExcept is set, raised as ESocketError (never for
// SE_WouldBlock and SE_InProgress). Nothing else throws.
// Reuse: the same object serves any number of connections one after another;
// the OS socket is created lazily by the first Connect or Bind.
class TBlockSocket
{
public:
    TBlockSocket();
    virtual ~TBlockSocket();
    TBlockSocket(const TBlockSocket&) = delete;
    TBlockSocket& operator=(const TBlockSocket&) = delete;

    // Settings and callbacks.
    THookSocketStatus OnStatus;
    THookDataFilter OnReadFilter;
    THookDataFilter OnWriteFilter;
    THookCreateSocket OnCreateSocket;
    std::int32_t Tag = 0;
    bool RaiseExcept = false;
    std::int32_t MaxLineLength = 0; // 0 = no limit on unconsumed data while a line is sought
    std::int32_t MaxSendBandwidth = 0; // bytes per second; 0 or less = unlimited
    std::int32_t MaxRecvBandwidth = 0;
    bool ConvertLineEnd = false; // line reads accept CR LF, LF CR, CR or LF
    bool PreferIP4 = true;
    bool InterPacketTimeout = true; // a read's time-out restarts with every packet
    std::int32_t SendMaxChunk = 65535;
    // Milliseconds a connect may take (negative: as long as the OS lets it),
    // cut to what is left of the deadline; once they are used up the connect
    // fails with SE_TimedOut.
    std::int32_t ConnectTimeout = -1;
    // Set by anyone: the next send or receive fails with SE_ConnectionAborted.
    std::atomic<bool> StopFlag { false };

    // Sets both bandwidth limits.
    void SetMaxBandwidth(std::int32_t Value);
    // Write-only: queue a buffer-size option that reaches the next OS socket created.
    void SetReceiveBufferSize(std::int32_t Value);
    void SetSendBufferSize(std::int32_t Value);
    TSocketFamily Family() const { return m_family; }
    // Sets Family and FamilyDefault.
    virtual void SetFamily(TSocketFamily Value);

    // State.
    std::int32_t LastErrorCode() const { return m_lastErrorCode; }
    const Text& LastErrorText() const { return m_lastErrorText; }
    int SocketHandle() const { return m_socketHandle; }
    Text PendingData() const { return Text(m_pendingData.View()); }
    bool LastWasCR() const { return m_lastWasCR; }
    bool LastWasLF() const { return m_lastWasLF; }
    bool UsesIPv6() const { return m_usesIPv6; }
    TSocketFamily FamilyDefault() const { return m_familyDefault; }
    const sockaddr_storage& LocalAddress() const { return m_localAddress; }
    const sockaddr_storage& RemoteAddress() const { return m_remoteAddress; }

    static Text GetErrorDesc(std::int32_t Code);

    // Connection.
    virtual void AdoptSocket(int Handle);
    virtual void CloseConnection();
    virtual void AbortConnection();
    virtual void Connect(const Text& Host, const Text& Port);
    void Bind(const Text& Host, const Text& Port);

    // Sending; each returns the bytes actually sent where it returns anything.
    virtual std::int32_t SendBytes(const void* Buffer, std::int32_t Length);
    virtual void SendOneByte(std::uint8_t Value);
    virtual void SendText(const Text& Value);
    virtual void SendInt32(std::int32_t Value);
    virtual void SendSizedText(const Text& Value);
    virtual void SendStreamData(MemoryStream& Stream);
    virtual void SendSizedStream(MemoryStream& Stream);
    virtual void SendSizedStreamNet(MemoryStream& Stream);

    // Receiving. Every read takes PendingData first.
    virtual std::int32_t ReceiveRaw(void* Buffer, std::int32_t Length);
    virtual std::int32_t ReceiveExact(void* Buffer, std::int32_t Count, std::int32_t Timeout);
    virtual Text ReceiveExactText(std::int32_t Count, std::int32_t Timeout);
    virtual std::uint8_t ReceiveOneByte(std::int32_t Timeout);
    virtual std::int32_t ReceiveInt32(std::int32_t Timeout);
    virtual Text ReceiveLine(std::int32_t Timeout);
    virtual Text ReceiveUntil(std::int32_t Timeout, const Text& Terminator);
    virtual Text ReceiveAvailable(std::int32_t Timeout);
    virtual Text ReceiveSizedText(std::int32_t Timeout);
    virtual void ReceiveAllToStream(MemoryStream& Stream, std::int32_t Timeout);
    // One read as ReceiveAvailable makes it, the bytes written at Stream's
    // position instead of returned: straight into the stream's own storage
    // unless PendingData holds them. BeforeWrite is told how many bytes are
    // about to be written just before the stream grows by them. Returns how
    // many were written; none when the read failed.
    std::int64_t ReceiveAvailableToStream(
        MemoryStream& Stream, std::int32_t Timeout, const std::function<void(std::int64_t)>& BeforeWrite);
    void ReceiveCountToStream(MemoryStream& Stream, std::int32_t Timeout, std::int64_t Count);
    virtual void ReceiveSizedStream(MemoryStream& Stream, std::int32_t Timeout);
    virtual void ReceiveSizedStreamNet(MemoryStream& Stream, std::int32_t Timeout);
    virtual std::int32_t PeekRaw(void* Buffer, std::int32_t Length);
    virtual std::uint8_t PeekOneByte(std::int32_t Timeout);
    virtual std::int32_t BytesWaiting();

    // Waiting.
    virtual bool WaitReadable(std::int32_t Timeout);
    virtual bool ReadableOrBuffered(std::int32_t Timeout);
    virtual bool WaitWritable(std::int32_t Timeout);
    // Reads and discards what has arrived, then clears LastErrorCode.
    void DrainInput();
    // A deadline for everything the connection waits for, Milliseconds from
    // now (negative: none). While it is set no wait lasts beyond it, and once
    // it has passed a read that has to wait for the network fails at once
    // with SE_TimedOut; bytes already received are still handed out.
    void SetDeadline(std::int32_t Milliseconds);
    bool DeadlinePassed() const;

    // Ends the caller's operation with Code as the connection's own failures
    // end: LastErrorCode and LastErrorText, HR_Error, ESocketError with RaiseExcept.
    void FailWith(std::int32_t Code);
    // Puts Code and its description back as the outcome of the last
    // operation, reporting nothing: for an owner that closes the connection
    // after a failure (the close clears the code) and keeps that failure.
    void RestoreError(std::int32_t Code);

    // Datagram counterparts of SendBytes and ReceiveRaw: the peer address is
    // taken from / stored into RemoteAddress.
    virtual std::int32_t SendBytesTo(const void* Buffer, std::int32_t Length);
    virtual std::int32_t ReceiveBytesFrom(void* Buffer, std::int32_t Length);

    // Addresses and names.
    virtual Text LocalAddressText() const;
    virtual Text RemoteAddressText() const;
    virtual std::int32_t LocalPortNumber() const;
    virtual std::int32_t RemotePortNumber() const;
    void ResolveAll(const Text& Name, TextList& List) const;
    Text ResolveFirst(const Text& Name) const;
    std::uint16_t ResolvePortNumber(const Text& Port) const;
    Text LocalHostName() const;

    // Socket type and protocol numbers for the OS socket (0 and 0 here).
    virtual std::int32_t SocketKind() const;
    virtual std::int32_t SocketProtocol() const;

protected:
    // Error model.
    void ClearError();
    // r = -1 takes the OS's last socket error, anything else clears the code.
    std::int32_t CheckResult(std::int64_t Result);
    void ReportError();
    bool CheckStopFlag();
    void ReportStatus(THookSocketReason Reason, const Text& Value);

    // The transport steps under ReceiveRaw and SendBytes: one OS receive into
    // Buffer after the MaxRecvBandwidth wait (-1 with LastErrorCode set on
    // failure, SE_ConnectionReset when the peer closed) and one OS send of one
    // piece. A layer that carries the bytes differently (TLS) overrides these
    // two and BytesWaiting.
    virtual std::int32_t TransportReceive(void* Buffer, std::int32_t Length);
    virtual std::int32_t TransportSend(const char* Buffer, std::int32_t Length);

    sockaddr_storage ResolveAddress(const Text& Host, const Text& Port);
    void OpenSocket(const sockaddr_storage& Address);
    void ReadAddresses();
    void QueueOption(const TSocketOption& Option);
    void ApplyQueuedOptions();
    void ThrottleBandwidth(std::int32_t Length, std::int32_t Max, std::uint32_t& NextTime);
    // Timeout (ms, negative = no limit) cut to what is left of the deadline.
    std::int32_t DeadlineBound(std::int32_t Timeout) const;

    std::int32_t m_lastErrorCode = 0;
    Text m_lastErrorText;
    int m_socketHandle = -1;
    PendingBytes m_pendingData;
    bool m_lastWasCR = false;
    bool m_lastWasLF = false;
    bool m_usesIPv6 = false;
    TSocketFamily m_family = SF_Any;
    TSocketFamily m_familyDefault = SF_Any;
    sockaddr_storage m_localAddress {};
    sockaddr_storage m_remoteAddress {};
    std::uint32_t m_nextSendTime = 0;
    std::uint32_t m_nextReceiveTime = 0;
    std::int32_t m_deadlineSpan = -1;
    std::uint32_t m_deadlineStart = 0;
    // Options waiting for the socket to exist, in the order they were queued.
    std::vector<TSocketOption> m_queuedOptions;
    // Handles the readable/writable waits watch: the own socket once it exists.
    std::vector<int> m_readSet;

private:
    bool waitFor(short Events, std::int32_t Timeout, THookSocketReason Reason);
    Text receiveWaiting(std::int32_t Count);
    // Whether First is the second byte of a line end split across reads; the
    // split is forgotten either way.
    bool splitLineEndPartner(char First);
    bool dropSplitLineEnd(Text& Data);
    void dropPendingSplitLineEnd();
    bool lineTooLong(std::size_t Position, std::size_t Available) const;
    std::int32_t waitForData(std::int32_t Timeout);
    Text receiveAvailableOnce(std::int32_t Timeout);
    // One read of what is waiting, at most Room bytes of it handed on; the
    // rest stays pending. Both return how many bytes were handed on.
    std::int64_t receiveAvailableToSink(
        std::int64_t Room, std::int32_t Timeout, const std::function<void(const char*, std::size_t)>& Sink);
    std::int64_t receiveAvailableToStream(MemoryStream& Stream, std::int64_t Room, std::int32_t Timeout);
    // Repeats a one-read step until Count bytes came, an error, or the time-out.
    using PieceReader = std::function<std::int64_t(std::int64_t Room, std::int32_t Timeout)>;
    std::int64_t receiveExactWith(std::int64_t Count, std::int32_t Timeout, const PieceReader& ReadPiece);
    std::int64_t receiveExactInto(
        std::int64_t Count, std::int32_t Timeout, const std::function<void(const char*, std::size_t)>& Sink);
    Text filterBytes(const THookDataFilter& Filter, const char* Data, std::size_t Length);
    std::int32_t readFiltered(void* Buffer, std::int32_t Length);
    const char* writeFiltered(const void* Buffer, std::int32_t& Length, Text& Storage);
};
