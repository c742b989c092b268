#pragma once

#include "net/socks_block_socket.h"

#include <cstdint>

// The TCP stream connection the HTTP client uses. Connect picks the route from
// the settings each time: through the SOCKS server when SocksIP is set, else
// through the HTTP CONNECT tunnel when HTTPTunnelIP is set, else directly.
// CloseConnection is the graceful close: the sending side is shut down and
// what the peer still sends is drained before the handle is closed.
//
// TLS: SSLActive switches TLS for the connection. No TLS library is bound in
// this build, so switching it on fails with 10043 ("Protocol not supported")
// and TLS stays off. The TLS layer branches off in TransportReceive,
// TransportSend and BytesWaiting, where it carries the bytes while TLS is on
// and neither SSLBypass nor PlainExchange asks for the plain bytes.
//
// Thread, blocking and errors: as TBlockSocket.
class TTCPBlockSocket : public TSocksBlockSocket
{
public:
    TTCPBlockSocket() = default;
    ~TTCPBlockSocket() override;

    Text HTTPTunnelIP; // non-empty (with SocksIP empty) selects the tunnel route
    Text HTTPTunnelPort;
    Text HTTPTunnelUser; // non-empty adds a Proxy-Authorization line
    Text HTTPTunnelPass;
    std::int32_t HTTPTunnelTimeout = 30000; // ms, for every reply line read
    bool SSLBypass = false; // reads and writes bypass TLS although it is on

    bool TunnelActive() const { return m_tunnelActive; }
    const Text& TunnelRemoteAddress() const { return m_tunnelRemoteAddress; }
    const Text& TunnelRemotePort() const { return m_tunnelRemotePort; }

    bool SSLActive() const { return m_sslActive; }
    void SetSSLActive(bool Value);

    void CloseConnection() override;
    void Connect(const Text& Host, const Text& Port) override;
    // Passive open: listen with the largest backlog and refresh the addresses.
    virtual void Listen();

    // While a SOCKS or tunnel route is in use these answer from its exchange.
    Text LocalAddressText() const override;
    Text RemoteAddressText() const override;
    std::int32_t LocalPortNumber() const override;
    std::int32_t RemotePortNumber() const override;

    std::int32_t SocketKind() const override; // 1, stream
    std::int32_t SocketProtocol() const override; // 6, TCP

protected:
    // The tunnel route of Connect: connect to the proxy and ask it for Host:Port.
    void TunnelConnect(const Text& Host, const Text& Port);

    bool m_tunnelActive = false;
    Text m_tunnelRemoteAddress;
    Text m_tunnelRemotePort;
    bool m_sslActive = false;
};
