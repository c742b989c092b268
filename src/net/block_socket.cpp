#include "net/block_socket.h"

#include "base/tick.h"
#include "net/socket_address.h"
#include "net/socket_connect.h"
#include "net/socket_error.h"
#include "net/socket_library.h"
#include "net/text_util.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>

namespace {

// A wait that would last half the tick counter's range or more is a stale
// next-send time from before the counter wrapped, not a real limit.
constexpr std::uint32_t longestThrottleWait = 0x7FFFFFFFu;

Text joinHostPort(const Text& host, const Text& port) { return host + ":" + port; }

// Keeps RaiseExcept off for a scope in which errors are an expected outcome.
class RaiseSuppressed
{
public:
    explicit RaiseSuppressed(bool& flag)
        : m_flag(flag)
        , m_saved(flag)
    {
        m_flag = false;
    }
    ~RaiseSuppressed() { m_flag = m_saved; }
    RaiseSuppressed(const RaiseSuppressed&) = delete;
    RaiseSuppressed& operator=(const RaiseSuppressed&) = delete;

private:
    bool& m_flag;
    bool m_saved;
};

}

TBlockSocket::TBlockSocket() = default;

TBlockSocket::~TBlockSocket()
{
    // A class built on this one closes in its own destructor; this is the
    // close of a plain socket. A destructor must not throw, so errors met
    // while closing stay in LastErrorCode.
    if (m_socketHandle == -1)
        return;
    RaiseExcept = false;
    try {
        TBlockSocket::AbortConnection();
    } catch (...) {
        m_lastErrorCode = 0;
    }
}

// ---- Error model ----

Text TBlockSocket::GetErrorDesc(std::int32_t Code) { return SocketErrorDescription(Code); }

void TBlockSocket::ClearError()
{
    m_lastErrorCode = 0;
    m_lastErrorText.clear();
}

std::int32_t TBlockSocket::CheckResult(std::int64_t Result)
{
    m_lastErrorText.clear();
    if (Result == -1) {
        m_lastErrorCode = SocketErrorFromErrno(errno);
        m_lastErrorText = GetErrorDesc(m_lastErrorCode);
    } else {
        m_lastErrorCode = 0;
    }
    return m_lastErrorCode;
}

void TBlockSocket::ReportError()
{
    m_lastErrorText = GetErrorDesc(m_lastErrorCode);
    if (m_lastErrorCode == 0 || m_lastErrorCode == SE_WouldBlock || m_lastErrorCode == SE_InProgress)
        return;
    ReportStatus(HR_Error, std::to_string(m_lastErrorCode) + "," + m_lastErrorText);
    if (RaiseExcept) {
        throw ESocketError("TCP/IP Socket error " + std::to_string(m_lastErrorCode) + ": " + m_lastErrorText,
            m_lastErrorCode, m_lastErrorText);
    }
}

bool TBlockSocket::CheckStopFlag()
{
    if (!StopFlag.exchange(false))
        return false;
    // A stopped operation reads as a connection aborted on this side.
    m_lastErrorCode = SE_ConnectionAborted;
    ReportError();
    return true;
}

void TBlockSocket::FailWith(std::int32_t Code)
{
    m_lastErrorCode = Code;
    ReportError();
}

void TBlockSocket::RestoreError(std::int32_t Code)
{
    m_lastErrorCode = Code;
    m_lastErrorText = GetErrorDesc(Code);
}

void TBlockSocket::ReportStatus(THookSocketReason Reason, const Text& Value)
{
    if (OnStatus)
        OnStatus(this, Reason, Value);
}

// ---- Settings and deferred options ----

void TBlockSocket::SetMaxBandwidth(std::int32_t Value)
{
    MaxSendBandwidth = Value;
    MaxRecvBandwidth = Value;
}

void TBlockSocket::SetReceiveBufferSize(std::int32_t Value)
{
    QueueOption({ OT_ReceiveBuffer, false, Value });
}

void TBlockSocket::SetSendBufferSize(std::int32_t Value) { QueueOption({ OT_SendBuffer, false, Value }); }

void TBlockSocket::SetFamily(TSocketFamily Value)
{
    m_family = Value;
    m_familyDefault = Value;
}

void TBlockSocket::QueueOption(const TSocketOption& Option)
{
    if (m_socketHandle == -1)
        m_queuedOptions.push_back(Option);
    else
        ApplySocketOption(m_socketHandle, Option, m_usesIPv6);
}

void TBlockSocket::ApplyQueuedOptions()
{
    for (const TSocketOption& option : m_queuedOptions)
        ApplySocketOption(m_socketHandle, option, m_usesIPv6);
    m_queuedOptions.clear();
}

void TBlockSocket::ThrottleBandwidth(std::int32_t Length, std::int32_t Max, std::uint32_t& NextTime)
{
    if (Max <= 0)
        return;
    const std::uint32_t now = TickNow();
    const std::uint32_t wait = NextTime - now;
    if (NextTime > now && wait < longestThrottleWait) {
        ReportStatus(HR_Wait, std::to_string(wait));
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
    const double span = static_cast<double>(Length) / Max * 1000.0;
    NextTime
        = TickNow() + static_cast<std::uint32_t>(span < longestThrottleWait ? span : longestThrottleWait);
}

// ---- Resolution and socket creation ----

sockaddr_storage TBlockSocket::ResolveAddress(const Text& Host, const Text& Port)
{
    const Text target = joinHostPort(Host, Port);
    ReportStatus(HR_ResolvingBegin, target);
    m_lastErrorCode = 0;
    int first = AF_INET;
    int second = AF_UNSPEC;
    if (m_socketHandle != -1) {
        first = m_usesIPv6 ? AF_INET6 : AF_INET;
    } else if (m_family == SF_IP6 || (m_family == SF_Any && !IsIPv4Text(Host) && IsIPv6Text(Host))) {
        first = AF_INET6;
    } else if (m_family == SF_Any && !IsIPv4Text(Host)) {
        // A name: both families, in the preferred order.
        first = PreferIP4 ? AF_INET : AF_INET6;
        second = PreferIP4 ? AF_INET6 : AF_INET;
    }
    addrinfo hints {};
    hints.ai_family = first;
    hints.ai_socktype = SocketKind();
    hints.ai_protocol = SocketProtocol();
    sockaddr_storage address {};
    m_lastErrorCode = LookupAddress(Host, Port, hints, address);
    if (m_lastErrorCode != 0 && second != AF_UNSPEC) {
        hints.ai_family = second;
        m_lastErrorCode = LookupAddress(Host, Port, hints, address);
    }
    ReportStatus(HR_ResolvingEnd, target);
    return address;
}

void TBlockSocket::OpenSocket(const sockaddr_storage& Address)
{
    StopFlag = false;
    m_lastErrorCode = 0;
    if (m_socketHandle != -1)
        return;
    m_pendingData.Clear();
    m_usesIPv6 = Address.ss_family == AF_INET6;
    m_socketHandle = SocketLibrary().Socket(Address.ss_family, SocketKind() | SOCK_CLOEXEC, SocketProtocol());
    if (m_socketHandle == -1)
        m_lastErrorCode = SocketErrorFromErrno(errno);
    m_readSet.clear();
    if (m_socketHandle != -1)
        m_readSet.push_back(m_socketHandle);
    ReportError();
    ReportStatus(HR_SocketCreate, m_usesIPv6 ? "IPv6" : "IPv4");
    ApplyQueuedOptions();
    if (OnCreateSocket)
        OnCreateSocket(this);
}

void TBlockSocket::ReadAddresses()
{
    m_localAddress = {};
    m_remoteAddress = {};
    socklen_t length = sizeof(m_localAddress);
    SocketLibrary().GetSockName(m_socketHandle, reinterpret_cast<sockaddr*>(&m_localAddress), &length);
    length = sizeof(m_remoteAddress);
    SocketLibrary().GetPeerName(m_socketHandle, reinterpret_cast<sockaddr*>(&m_remoteAddress), &length);
}

// ---- Connection ----

void TBlockSocket::Connect(const Text& Host, const Text& Port)
{
    const sockaddr_storage address = ResolveAddress(Host, Port);
    if (m_lastErrorCode == 0) {
        if (m_socketHandle == -1)
            OpenSocket(address);
        // A socket that could not be created keeps the cause of that failure.
        if (m_lastErrorCode == 0) {
            m_lastErrorCode = ConnectWithin(m_socketHandle, address, DeadlineBound(ConnectTimeout));
            m_lastErrorText = GetErrorDesc(m_lastErrorCode);
            if (m_lastErrorCode == 0)
                ReadAddresses();
        }
        m_pendingData.Clear();
        m_lastWasCR = false;
        m_lastWasLF = false;
    }
    ReportError();
    ReportStatus(HR_Connect, joinHostPort(Host, Port));
}

void TBlockSocket::Bind(const Text& Host, const Text& Port)
{
    m_lastErrorCode = 0;
    if (m_socketHandle == -1 && m_family == SF_Any && Host == "0.0.0.0" && Port == "0")
        return;
    const sockaddr_storage address = ResolveAddress(Host, Port);
    if (m_lastErrorCode == 0) {
        if (m_socketHandle == -1)
            OpenSocket(address);
        if (m_lastErrorCode == 0) {
            const int result = SocketLibrary().Bind(
                m_socketHandle, reinterpret_cast<const sockaddr*>(&address), AddressLength(address));
            CheckResult(result);
            m_localAddress = {};
            socklen_t length = sizeof(m_localAddress);
            SocketLibrary().GetSockName(
                m_socketHandle, reinterpret_cast<sockaddr*>(&m_localAddress), &length);
        }
        m_pendingData.Clear();
    }
    ReportError();
    ReportStatus(HR_Bind, joinHostPort(Host, Port));
}

void TBlockSocket::AbortConnection()
{
    if (m_socketHandle != -1)
        SocketLibrary().CloseSocket(m_socketHandle);
    m_socketHandle = -1;
    // The closed handle's number may soon belong to another file, so the waits
    // must not watch it any more.
    m_readSet.clear();
    m_queuedOptions.clear();
    m_family = m_familyDefault;
    m_lastErrorCode = 0;
    ReportStatus(HR_SocketClose, {});
}

void TBlockSocket::CloseConnection() { AbortConnection(); }

void TBlockSocket::AdoptSocket(int Handle)
{
    m_socketHandle = Handle;
    m_readSet.assign(1, Handle);
    ReadAddresses();
    m_usesIPv6 = m_remoteAddress.ss_family == AF_INET6;
}

void TBlockSocket::DrainInput()
{
    // The drain ends on its first error (normally the time-out or the peer's
    // close), so that error is no failure of the caller. A peer that keeps
    // sending cannot hold the close up for longer than drainLimit bytes.
    constexpr std::size_t drainLimit = 1 << 20;
    {
        RaiseSuppressed quiet(RaiseExcept);
        std::size_t drained = 0;
        do {
            drained += ReceiveAvailable(0).size();
        } while (m_lastErrorCode == 0 && drained < drainLimit);
    }
    m_lastErrorCode = 0;
}

// ---- Sending ----

Text TBlockSocket::filterBytes(const THookDataFilter& Filter, const char* Data, std::size_t Length)
{
    Text value(Data, Length);
    Filter(this, value);
    if (value.size() > Length)
        value.resize(Length);
    return value;
}

const char* TBlockSocket::writeFiltered(const void* Buffer, std::int32_t& Length, Text& Storage)
{
    if (!OnWriteFilter || Length <= 0)
        return static_cast<const char*>(Buffer);
    Storage = filterBytes(OnWriteFilter, static_cast<const char*>(Buffer), static_cast<std::size_t>(Length));
    Length = static_cast<std::int32_t>(Storage.size());
    return Storage.data();
}

std::int32_t TBlockSocket::TransportSend(const char* Buffer, std::int32_t Length)
{
    const ssize_t result
        = SocketLibrary().Send(m_socketHandle, Buffer, static_cast<std::size_t>(Length), MSG_NOSIGNAL);
    CheckResult(result);
    return result > 0 ? static_cast<std::int32_t>(result) : 0;
}

std::int32_t TBlockSocket::SendBytes(const void* Buffer, std::int32_t Length)
{
    if (CheckStopFlag())
        return 0;
    Text filtered;
    const char* data = writeFiltered(Buffer, Length, filtered);
    std::int32_t total = 0;
    while (total < Length) {
        const std::int32_t chunk = std::min(Length - total, SendMaxChunk);
        if (chunk <= 0)
            break;
        ThrottleBandwidth(chunk, MaxSendBandwidth, m_nextSendTime);
        const std::int32_t sent = TransportSend(data + total, chunk);
        if (m_lastErrorCode != 0)
            break;
        total += sent;
        ReportStatus(HR_WriteCount, std::to_string(sent));
    }
    ReportError();
    return total;
}

void TBlockSocket::SendOneByte(std::uint8_t Value) { SendBytes(&Value, 1); }

void TBlockSocket::SendText(const Text& Value)
{
    SendBytes(Value.data(), static_cast<std::int32_t>(Value.size()));
}

void TBlockSocket::SendInt32(std::int32_t Value)
{
    const auto bits = static_cast<std::uint32_t>(Value);
    const char bytes[4] = { static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
        static_cast<char>((bits >> 16) & 0xFF), static_cast<char>((bits >> 24) & 0xFF) };
    SendBytes(bytes, 4);
}

void TBlockSocket::SendSizedText(const Text& Value)
{
    SendInt32(static_cast<std::int32_t>(Value.size()));
    SendText(Value);
}

void TBlockSocket::SendStreamData(MemoryStream& Stream)
{
    if (SendMaxChunk <= 0)
        return;
    Text piece;
    for (;;) {
        piece.resize(static_cast<std::size_t>(SendMaxChunk));
        const std::int64_t count = Stream.Read(piece.data(), SendMaxChunk);
        if (count <= 0)
            break;
        piece.resize(static_cast<std::size_t>(count));
        SendText(piece);
        // Sending on after a failed piece would leave a gap in the data.
        if (m_lastErrorCode != 0)
            break;
    }
}

void TBlockSocket::SendSizedStream(MemoryStream& Stream)
{
    const std::int64_t rest = std::max<std::int64_t>(Stream.Size() - Stream.Position(), 0);
    SendInt32(static_cast<std::int32_t>(rest));
    SendStreamData(Stream);
}

void TBlockSocket::SendSizedStreamNet(MemoryStream& Stream)
{
    const std::int64_t rest = std::max<std::int64_t>(Stream.Size() - Stream.Position(), 0);
    SendInt32(static_cast<std::int32_t>(htonl(static_cast<std::uint32_t>(rest))));
    SendStreamData(Stream);
}

std::int32_t TBlockSocket::SendBytesTo(const void* Buffer, std::int32_t Length)
{
    if (CheckStopFlag())
        return 0;
    Text filtered;
    const char* data = writeFiltered(Buffer, Length, filtered);
    Length = std::max(Length, 0);
    ThrottleBandwidth(Length, MaxSendBandwidth, m_nextSendTime);
    const ssize_t sent = SocketLibrary().SendTo(m_socketHandle, data, static_cast<std::size_t>(Length),
        MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&m_remoteAddress), AddressLength(m_remoteAddress));
    CheckResult(sent);
    ReportError();
    ReportStatus(HR_WriteCount, std::to_string(sent));
    return sent > 0 ? static_cast<std::int32_t>(sent) : 0;
}

// ---- Waiting ----

void TBlockSocket::SetDeadline(std::int32_t Milliseconds)
{
    m_deadlineSpan = Milliseconds;
    m_deadlineStart = TickNow();
}

bool TBlockSocket::DeadlinePassed() const
{
    return m_deadlineSpan >= 0 && TickRemaining(m_deadlineSpan, m_deadlineStart) == 0;
}

std::int32_t TBlockSocket::DeadlineBound(std::int32_t Timeout) const
{
    const std::int32_t left = TickRemaining(m_deadlineSpan, m_deadlineStart);
    if (left < 0)
        return Timeout;
    return Timeout < 0 ? left : std::min(Timeout, left);
}

bool TBlockSocket::waitFor(short Events, std::int32_t Timeout, THookSocketReason Reason)
{
    std::vector<pollfd> watched;
    for (const int handle : m_readSet)
        watched.push_back({ handle, Events, 0 });
    bool ready = false;
    if (watched.empty()) {
        m_lastErrorCode = SE_NotSocket;
    } else {
        const std::int32_t wait = DeadlineBound(Timeout);
        const int result = SocketLibrary().Poll(watched.data(), watched.size(), wait < 0 ? -1 : wait);
        CheckResult(result);
        for (const pollfd& entry : watched) {
            if ((entry.revents & POLLNVAL) != 0)
                m_lastErrorCode = SE_NotSocket;
        }
        ready = m_lastErrorCode == 0 && result > 0;
    }
    ReportError();
    if (ready)
        ReportStatus(Reason, {});
    return ready;
}

bool TBlockSocket::WaitReadable(std::int32_t Timeout) { return waitFor(POLLIN, Timeout, HR_CanRead); }

bool TBlockSocket::WaitWritable(std::int32_t Timeout) { return waitFor(POLLOUT, Timeout, HR_CanWrite); }

bool TBlockSocket::ReadableOrBuffered(std::int32_t Timeout)
{
    return !m_pendingData.Empty() || WaitReadable(Timeout);
}

std::int32_t TBlockSocket::BytesWaiting()
{
    int count = 0;
    if (SocketLibrary().IoctlSocket(m_socketHandle, FIONREAD, &count) != 0)
        return 0;
    return count;
}

// ---- Addresses and names ----

Text TBlockSocket::LocalAddressText() const { return AddressText(m_localAddress); }

Text TBlockSocket::RemoteAddressText() const { return AddressText(m_remoteAddress); }

std::int32_t TBlockSocket::LocalPortNumber() const { return AddressPort(m_localAddress); }

std::int32_t TBlockSocket::RemotePortNumber() const { return AddressPort(m_remoteAddress); }

void TBlockSocket::ResolveAll(const Text& Name, TextList& List) const
{
    const int family = m_family == SF_IP4 ? AF_INET : (m_family == SF_IP6 ? AF_INET6 : AF_UNSPEC);
    LookupAllAddresses(Name, family, SocketKind(), SocketProtocol(), List);
    if (List.Empty())
        List.Add("0.0.0.0");
}

Text TBlockSocket::ResolveFirst(const Text& Name) const
{
    TextList list;
    ResolveAll(Name, list);
    return list[0];
}

std::uint16_t TBlockSocket::ResolvePortNumber(const Text& Port) const
{
    return LookupPortNumber(Port, SocketKind(), SocketProtocol());
}

Text TBlockSocket::LocalHostName() const
{
    char name[256] = {};
    SocketLibrary().GetHostName(name, 255);
    name[255] = '\0';
    return name[0] != '\0' ? Text(name) : Text("127.0.0.1");
}

std::int32_t TBlockSocket::SocketKind() const { return 0; }

std::int32_t TBlockSocket::SocketProtocol() const { return 0; }
