#include "net/socks_block_socket.h"

#include "net/exchange_scope.h"
#include "net/socket_address.h"
#include "net/socket_error.h"
#include "net/text_util.h"

#include <cstring>
#include <netinet/in.h>

namespace {

constexpr std::size_t maxSocks5Field = 255;
constexpr char socks4aMarker[] = "0.0.0.1";

std::uint8_t byteAt(const Text& Value, std::size_t Position) // 1-based
{
    return static_cast<std::uint8_t>(Value[Position - 1]);
}

Text dottedText(const Text& Reply, std::size_t From) // 1-based, four bytes
{
    return std::to_string(byteAt(Reply, From)) + "." + std::to_string(byteAt(Reply, From + 1)) + "."
        + std::to_string(byteAt(Reply, From + 2)) + "." + std::to_string(byteAt(Reply, From + 3));
}

// The 16 bytes of a numeric IPv6 address; 16 zero bytes when it does not convert.
Text ipv6Bytes(const Text& Host)
{
    addrinfo hints {};
    hints.ai_family = AF_INET6;
    hints.ai_flags = AI_NUMERICHOST;
    sockaddr_storage address {};
    if (LookupAddress(Host, "0", hints, address) != 0 || address.ss_family != AF_INET6)
        return Text(16, '\0');
    const auto& record = reinterpret_cast<const sockaddr_in6&>(address);
    return Text(reinterpret_cast<const char*>(record.sin6_addr.s6_addr), 16);
}

// The numeric text of the 16 address bytes starting at From (1-based).
Text ipv6Text(const Text& Reply, std::size_t From)
{
    sockaddr_storage address {};
    auto& record = reinterpret_cast<sockaddr_in6&>(address);
    record.sin6_family = AF_INET6;
    std::memcpy(record.sin6_addr.s6_addr, Reply.data() + From - 1, 16);
    return AddressText(address);
}

}

void TSocksBlockSocket::SocksConnect(const Text& Host, const Text& Port)
{
    TBlockSocket::Connect(SocksIP, SocksPort);
    if (m_lastErrorCode == 0) {
        bool ok = SocksNegotiate();
        if (ok)
            ok = SocksSendRequest(1, Host, Port);
        if (ok)
            ok = SocksReadReply();
        if (!ok && m_lastErrorCode == 0)
            m_lastErrorCode = SE_SubsystemUnusable;
        m_socksLocalAddress = m_socksBoundAddress;
        m_socksLocalPort = m_socksBoundPort;
        m_socksRemoteAddress = Host;
        m_socksRemotePort = Port;
    }
    ReportError();
    ReportStatus(HR_Connect, Host + ":" + Port);
}

bool TSocksBlockSocket::SocksNegotiate()
{
    ExchangeScope scope(m_plainExchange, InterPacketTimeout);
    m_usingSocks = false;
    if (SocksType != ST_Socks5) {
        m_usingSocks = true;
        return true;
    }
    // A user name or password over 255 bytes has no length byte to travel with.
    if (SocksUsername.size() > maxSocks5Field || SocksPassword.size() > maxSocks5Field)
        return false;
    SendText(SocksUsername.empty() ? Text("\x05\x01\x00", 3) : Text("\x05\x02\x02\x00", 4));
    if (m_lastErrorCode != 0)
        return false;
    Text reply = ReceiveExactText(2, SocksTimeout);
    if (reply.size() < 2 || reply[0] != '\x05')
        return false;
    if (reply[1] == '\x02') {
        // Without a user name nothing was offered to authenticate with, so
        // the password is not handed out either.
        const Text password = SocksUsername.empty() ? Text() : SocksPassword;
        SendText(Text(1, '\x01') + static_cast<char>(SocksUsername.size()) + SocksUsername
            + static_cast<char>(password.size()) + password);
        if (m_lastErrorCode != 0)
            return false;
        reply = ReceiveExactText(2, SocksTimeout);
        if (reply.size() < 2 || reply[1] != '\x00')
            return false;
    } else if (reply[1] != '\x00') {
        return false;
    }
    m_usingSocks = true;
    return true;
}

bool TSocksBlockSocket::SocksSendRequest(std::uint8_t Command, const Text& Host, const Text& Port)
{
    ExchangeScope scope(m_plainExchange, InterPacketTimeout);
    const Text address = SocksEncodeAddress(Host, Port);
    if (address.empty())
        return false;
    const char command = static_cast<char>(Command);
    if (SocksType == ST_Socks5)
        SendText(Text("\x05", 1) + command + '\x00' + address);
    else
        SendText(Text("\x04", 1) + command + address);
    return m_lastErrorCode == 0;
}

Text TSocksBlockSocket::SocksEncodeAddress(const Text& Host, const Text& Port)
{
    const Text port = Word16ToBytes(ResolvePortNumber(Port));
    const Text host = SocksResolver ? Host : ResolveFirst(Host);
    if (SocksType != ST_Socks5) {
        // User id and name end at a 00 byte, so they cannot contain one.
        if (SocksUsername.find('\0') != Text::npos)
            return {};
        if (IsIPv4Text(host))
            return port + IPv4ToBytes(host) + SocksUsername + '\0';
        if (host.find('\0') != Text::npos)
            return {};
        return port + IPv4ToBytes(socks4aMarker) + SocksUsername + '\0' + host + '\0';
    }
    if (IsIPv4Text(host))
        return '\x01' + IPv4ToBytes(host) + port;
    if (IsIPv6Text(host))
        return '\x04' + ipv6Bytes(host) + port;
    if (host.size() > maxSocks5Field)
        return {};
    return Text(1, '\x03') + static_cast<char>(host.size()) + host + port;
}

bool TSocksBlockSocket::SocksReadReply()
{
    ExchangeScope scope(m_plainExchange, InterPacketTimeout);
    m_socksBoundAddress.clear();
    m_socksBoundPort.clear();
    m_socksReplyCode = -1;
    Text reply;
    if (SocksType != ST_Socks5) {
        reply = ReceiveExactText(8, SocksTimeout);
        if (m_lastErrorCode != 0 || reply[0] != '\x00')
            return false;
    } else {
        reply = ReceiveExactText(4, SocksTimeout);
        if (m_lastErrorCode != 0 || reply[0] != '\x05')
            return false;
        Text address;
        if (reply[3] == '\x01') {
            address = ReceiveExactText(4, SocksTimeout);
        } else if (reply[3] == '\x03') {
            const std::uint8_t length = ReceiveOneByte(SocksTimeout);
            if (m_lastErrorCode != 0)
                return false;
            address = static_cast<char>(length) + ReceiveExactText(length, SocksTimeout);
        } else if (reply[3] == '\x04') {
            address = ReceiveExactText(16, SocksTimeout);
        } else {
            return false;
        }
        // A broken address read fails here, before the port is waited for.
        if (m_lastErrorCode != 0)
            return false;
        reply += address + ReceiveExactText(2, SocksTimeout);
        if (m_lastErrorCode != 0)
            return false;
    }
    m_socksReplyCode = byteAt(reply, 2);
    if (m_socksReplyCode != 0 && m_socksReplyCode != 90)
        return false;
    SocksDecodeReply(reply);
    return true;
}

std::int32_t TSocksBlockSocket::SocksDecodeReply(const Text& Reply)
{
    m_socksBoundPort = "0";
    if (SocksType != ST_Socks5) {
        if (Reply.size() < 8)
            return 0;
        m_socksBoundPort = std::to_string(BytesToWord16(Reply, 3));
        m_socksBoundAddress = dottedText(Reply, 5);
        return 9;
    }
    if (Reply.size() < 4)
        return 0;
    std::size_t index = 0;
    switch (byteAt(Reply, 4)) {
    case 1:
        if (Reply.size() < 10)
            return 5;
        m_socksBoundAddress = dottedText(Reply, 5);
        index = 9;
        break;
    case 3: {
        const std::size_t length = byteAt(Reply, 5);
        if (Reply.size() < length + 7)
            return 5;
        m_socksBoundAddress = Reply.substr(5, length);
        index = length + 6;
        break;
    }
    case 4:
        if (Reply.size() < 22)
            return 5;
        m_socksBoundAddress = ipv6Text(Reply, 5);
        index = 21;
        break;
    default:
        return 5;
    }
    m_socksBoundPort = std::to_string(BytesToWord16(Reply, static_cast<int>(index)));
    return static_cast<std::int32_t>(index + 2);
}
