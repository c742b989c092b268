#include "net/tcp_block_socket.h"

#include "net/socket_library.h"
#include "net/text_util.h"

#include <netinet/in.h>

namespace {

constexpr std::int32_t codeProtocolNotSupported = 10043;
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
    // The CONNECT exchange is not part of this build. Rather than connecting
    // directly, which would bypass the proxy the caller asked for, the route
    // fails without touching the network.
    static_cast<void>(Host);
    static_cast<void>(Port);
    m_lastErrorCode = codeProtocolNotSupported;
    ReportError();
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
    if (!SocksIP.empty()) {
        // The passive open through a SOCKS server is not part of this build.
        m_lastErrorCode = codeProtocolNotSupported;
    } else {
        CheckResult(SocketLibrary().Listen(m_socketHandle, largestBacklog));
        ReadAddresses();
    }
    ReportError();
    ReportStatus(HR_Listen, {});
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
