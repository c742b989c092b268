#pragma once

#include "net/socks_block_socket.h"

#include <cstdint>

// The TCP stream connection the HTTP client uses. Connect picks the route from
// the settings each time: through the SOCKS server when SocksIP is set, else
// through the HTTP CONNECT tunnel when HTTPTunnelIP is set, else directly.
// CloseConnection is the graceful close: the sending side is shut down and
// what the peer still sends is drained before the handle is closed.
//
// TLS: SSLActive switches TLS for the connection, through OpenSSL bound at run
// time. Switching on fails with SE_ProtocolNotSupported when the library is
// missing and with SE_InvalidArgument when a configured key file does not
// load; a failed handshake gives SE_SubsystemUnusable (SE_PermissionDenied for
// a certificate that does not verify with SSLverifyCert, or that names another host with
// SSLverifyHost) and switches TLS off, leaving the TCP connection for
// the caller to close. While TLS is on and neither SSLBypass nor PlainExchange asks for the plain bytes,
// TransportReceive, TransportSend and BytesWaiting go through the TLS
// connection. The library's calls run on the non-blocking socket, so a record
// that is only partly in reads as nothing yet and the socket's own waits bound
// how long the reader waits for the rest; outside them the socket blocks as
// the socket layer's does, also with SSLBypass. TLS reads are not throttled by
// MaxRecvBandwidth. Once the peer's close_notify is in, the connection reads
// as one the peer has closed: readable, with nothing to read (SE_ConnectionReset), even
// while the TCP connection stays open.
//
// Thread, blocking and errors: as TBlockSocket.
// Protocol choice of the TLS layer: one old version, TLS 1.0 only, or the
// library's version-negotiating method. Current OpenSSL has no SSLv2 or SSLv3,
// so those two fail with SE_ProtocolNotSupported.
enum TSSLType : std::uint8_t {
    LT_SSLv2,
    LT_SSLv3,
    LT_TLSv1,
    LT_all,
};

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
    TSSLType SSLType = LT_all;
    Text SSLPassword; // pass phrase of an encrypted private key file
    Text SSLCiphers = "DEFAULT";
    Text SSLCertificateFile; // client certificate chain (PEM)
    Text SSLPrivateKeyFile; // client private key (PEM)
    Text SSLCertCAFile; // trusted CA certificates
    bool SSLverifyCert = false; // require a verified server certificate
    // With SSLverifyCert: trust the system's certificate authorities besides
    // SSLCertCAFile, and require the certificate to name the host connected to.
    bool SSLTrustSystemCAs = false;
    bool SSLverifyHost = false;
    // ms for the whole handshake, -1 for no limit: a server that accepts the
    // connection and then stays silent must not hold the connect for ever.
    std::int32_t TLSHandshakeTimeout = 60000;
    std::int32_t TLSLastErrorCode() const { return m_tlsLastErrorCode; }
    const Text& TLSLastErrorText() const { return m_tlsLastErrorText; }
    void* TLSConnection() const { return m_tlsConnection; }
    void* TLSContext() const { return m_tlsContext; }

    // Runs the handshake on the connected socket (switching TLS on first if needed).
    void TLSHandshake();
    // Closes TLS without waiting for the peer's answer, then switches it off.
    void TLSShutdown();
    // Takes the first queued library error into TLSLastErrorCode/Text; true when none.
    bool TLSCaptureError();
    bool TLSLoadKeys();
    // The library's verification result; 1 when there is no connection object.
    std::int32_t TLSVerifyResult();
    // Hands SSLPassword of the socket given as UserData to the library.
    static int TLSPasswordCallback(char* Buffer, int Size, int Flag, void* UserData);
    std::int32_t BytesWaiting() override;
    bool WaitReadable(std::int32_t Timeout) override;

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
    // Reads the proxy's answer up to its empty line; sets TunnelActive from
    // the last status line.
    void TunnelReadReply();

    bool m_tunnelActive = false;
    Text m_tunnelRemoteAddress;
    Text m_tunnelRemotePort;
    bool m_sslActive = false;

    std::int32_t TransportReceive(void* Buffer, std::int32_t Length) override;
    std::int32_t TransportSend(const char* Buffer, std::int32_t Length) override;

private:
    void socksListen();
    bool tlsCarriesBytes() const;
    // One library read: bytes decrypted, 0 for none yet or a clean close, -1 (SE_SubsystemUnusable) on
    // failure.
    std::int32_t tlsReadOnce(void* Buffer, std::int32_t Length);
    // SSL_connect on the non-blocking socket, waiting for the server at most
    // TLSHandshakeTimeout in all; false with LastErrorCode set when it failed.
    bool tlsConnect();
    void switchTLSOn();
    void switchTLSOff();
    void freeTLSObjects();

    void* m_tlsConnection = nullptr;
    void* m_tlsContext = nullptr;
    std::int32_t m_tlsLastErrorCode = 0;
    Text m_tlsLastErrorText;
    Text m_tlsHostName; // the host of the last Connect, named to the server in the handshake
    bool m_tlsCloseReceived = false; // the peer's close_notify has been read
};
