#include "net/tcp_block_socket.h"

#include "net/base64_codec.h"
#include "net/exchange_scope.h"
#include "net/socket_error.h"
#include "net/socket_library.h"
#include "net/text_util.h"

#include <netinet/in.h>

namespace {

// Bound of the whole answer of a proxy to a tunnel request.
constexpr std::int32_t maxTunnelAnswer = 1 << 20;
constexpr int largestBacklog = 0x7FFFFFFF;

}

TTCPBlockSocket::~TTCPBlockSocket()
{
    // Destroying the object closes it gracefully. A destructor must not throw,
    // so errors met while closing stay in LastErrorCode.
    RaiseExcept = false;
    try {
        TTCPBlockSocket::CloseConnection();
    } catch (...) {
        m_lastErrorCode = 0;
    }
}

std::int32_t TTCPBlockSocket::SocketKind() const { return SOCK_STREAM; }

std::int32_t TTCPBlockSocket::SocketProtocol() const { return IPPROTO_TCP; }

void TTCPBlockSocket::Connect(const Text& Host, const Text& Port)
{
    // The route is chosen afresh each time; SOCKS wins over the tunnel. TLS
    // starts once the route is up; a failed route switches TLS off again.
    m_tlsHostName = Host;
    if (!SocksIP.empty())
        SocksConnect(Host, Port);
    else if (!HTTPTunnelIP.empty())
        TunnelConnect(Host, Port);
    else
        TSocksBlockSocket::Connect(Host, Port);
    if (!m_sslActive)
        return;
    if (m_lastErrorCode == 0) {
        TLSHandshake();
    } else {
        const std::int32_t code = m_lastErrorCode;
        SetSSLActive(false);
        m_lastErrorCode = code;
    }
}

void TTCPBlockSocket::TunnelConnect(const Text& Host, const Text& Port)
{
    const Text port = std::to_string(ResolvePortNumber(Port));
    ExchangeScope scope(m_plainExchange, InterPacketTimeout);
    TBlockSocket::Connect(HTTPTunnelIP, HTTPTunnelPort);
    if (m_lastErrorCode != 0)
        return;
    m_tunnelActive = false;
    const Text host = IsIPv6Text(Host) ? "[" + Host + "]" : Host;
    Text request = "CONNECT " + host + ":" + port + " HTTP/1.0\r\n";
    if (!HTTPTunnelUser.empty())
        request += "Proxy-Authorization: Basic " + Base64EncodeText(HTTPTunnelUser + ":" + HTTPTunnelPass)
            + "\r\n";
    SendText(request + "\r\n");
    if (m_lastErrorCode == 0)
        TunnelReadReply();
    if (m_lastErrorCode == 0 && !m_tunnelActive)
        m_lastErrorCode = SE_SubsystemUnusable;
    m_tunnelRemoteAddress = host;
    m_tunnelRemotePort = port;
    ReportError();
}

void TTCPBlockSocket::TunnelReadReply()
{
    // Lines end at LF alone and keep their CR. Every status line decides
    // afresh, so the last one before the empty line counts. The answer as a
    // whole is bounded, so a proxy cannot hold the exchange with endless lines.
    const std::int32_t savedMaxLineLength = MaxLineLength;
    if (MaxLineLength <= 0 || MaxLineLength > maxTunnelAnswer)
        MaxLineLength = maxTunnelAnswer;
    std::int64_t answerSize = 0;
    for (;;) {
        const Text line = ReceiveUntil(HTTPTunnelTimeout, "\n");
        if (m_lastErrorCode != 0)
            break;
        answerSize += static_cast<std::int64_t>(line.size()) + 1;
        if (answerSize > maxTunnelAnswer) {
            m_tunnelActive = false;
            break;
        }
        if (line.size() > 11 && line.compare(0, 5, "HTTP/") == 0)
            m_tunnelActive = line[9] == '2';
        if (line.empty() || line == "\r")
            break;
    }
    MaxLineLength = savedMaxLineLength;
}

void TTCPBlockSocket::CloseConnection()
{
    // TLS closes first. Shutting down the sending side tells the peer we are
    // done; draining what it still sends lets the close end in order instead
    // of with a reset.
    if (m_sslActive)
        TLSShutdown();
    if (m_socketHandle != -1) {
        SocketLibrary().Shutdown(m_socketHandle, SHUT_WR);
        DrainInput();
    }
    AbortConnection();
}

void TTCPBlockSocket::Listen()
{
    if (!SocksIP.empty())
        socksListen();
    else {
        CheckResult(SocketLibrary().Listen(m_socketHandle, largestBacklog));
        ReadAddresses();
    }
    ReportError();
    ReportStatus(HR_Listen, {});
}

void TTCPBlockSocket::socksListen()
{
    // The SOCKS server listens on our behalf (BIND) and names the address it
    // bound; that address is where the peer must connect.
    Text address = TSocksBlockSocket::LocalAddressText();
    if (address == "0.0.0.0")
        address = LocalHostName();
    const Text port = std::to_string(TSocksBlockSocket::LocalPortNumber());
    TBlockSocket::Connect(SocksIP, SocksPort);
    if (m_lastErrorCode == 0) {
        const bool ok = SocksNegotiate() && SocksSendRequest(2, address, port) && SocksReadReply();
        // A listen the SOCKS server refused is reported as a lookup that
        // failed for good.
        if (!ok && m_lastErrorCode == 0)
            m_lastErrorCode = SE_NoRecovery;
    }
    m_socksLocalAddress = m_socksBoundAddress == "0.0.0.0" ? SocksIP : m_socksBoundAddress;
    m_socksLocalPort = m_socksBoundPort;
    m_socksRemoteAddress.clear();
    m_socksRemotePort.clear();
}

Text TTCPBlockSocket::LocalAddressText() const
{
    return m_usingSocks ? m_socksLocalAddress : TSocksBlockSocket::LocalAddressText();
}

std::int32_t TTCPBlockSocket::LocalPortNumber() const
{
    return m_usingSocks ? IntFromText(m_socksLocalPort, 0) : TSocksBlockSocket::LocalPortNumber();
}

Text TTCPBlockSocket::RemoteAddressText() const
{
    if (m_usingSocks)
        return m_socksRemoteAddress;
    if (m_tunnelActive)
        return m_tunnelRemoteAddress;
    return TSocksBlockSocket::RemoteAddressText();
}

std::int32_t TTCPBlockSocket::RemotePortNumber() const
{
    if (m_usingSocks)
        return ResolvePortNumber(m_socksRemotePort);
    if (m_tunnelActive)
        return IntFromText(m_tunnelRemotePort, 0);
    return TSocksBlockSocket::RemotePortNumber();
}
