#pragma once

#include "net/block_socket.h"

#include <cstdint>

// SOCKS protocol version of a route: ST_Socks4 covers SOCKS4 and SOCKS4a.
enum TSocksType : std::uint8_t {
    ST_Socks5 = 0,
    ST_Socks4 = 1,
};

// A blocking socket that can reach its target through a SOCKS server (SOCKS5
// with optional user/password authentication, SOCKS4, and SOCKS4a for host
// names). The settings below select and configure that route; the exchange
// itself runs inside Connect of the stream socket built on this class.
//
// Thread, blocking and errors: as TBlockSocket. Every read of the exchange is
// bounded in total by SocksTimeout. A time-out or close during the exchange
// leaves the read's own error (SE_TimedOut, SE_ConnectionReset); any other SOCKS failure (wrong
// version, no acceptable method, authentication refused, a reply code other
// than 0 and 90, an unknown address type, or a name, user or password the wire
// format cannot carry) gives SE_SubsystemUnusable. The connection to the server stays open on
// failure; the caller closes it.
class TSocksBlockSocket : public TBlockSocket
{
public:
    TSocksBlockSocket() = default;

    Text SocksIP; // non-empty selects the SOCKS route
    Text SocksPort = "1080";
    std::int32_t SocksTimeout = 60000; // ms, for every read of the exchange
    Text SocksUsername;
    Text SocksPassword;
    bool SocksResolver = true; // true: host names go to the server unresolved
    TSocksType SocksType = ST_Socks5;

    bool UsingSocks() const { return m_usingSocks; }
    // Reply code of the last request; -1 while no reply was accepted.
    std::int32_t SocksReplyCode() const { return m_socksReplyCode; }
    const Text& SocksBoundAddress() const { return m_socksBoundAddress; }
    const Text& SocksBoundPort() const { return m_socksBoundPort; }
    const Text& SocksLocalAddress() const { return m_socksLocalAddress; }
    const Text& SocksLocalPort() const { return m_socksLocalPort; }
    const Text& SocksRemoteAddress() const { return m_socksRemoteAddress; }
    const Text& SocksRemotePort() const { return m_socksRemotePort; }
    // True only while a SOCKS or tunnel exchange runs: its bytes bypass TLS.
    bool PlainExchange() const { return m_plainExchange; }

    // Reads the bound address and port of a SOCKS4 or SOCKS5 reply into
    // SocksBoundAddress and SocksBoundPort; returns the 1-based index after the
    // decoded part (0 when nothing could be decoded).
    std::int32_t SocksDecodeReply(const Text& Reply);

protected:
    // The SOCKS route of Connect: connect to the server and ask it for Host:Port.
    void SocksConnect(const Text& Host, const Text& Port);
    // Method selection (SOCKS5 greeting and user/password sub-negotiation).
    bool SocksNegotiate();
    // Sends a request: Command 1 is CONNECT, 2 is BIND.
    bool SocksSendRequest(std::uint8_t Command, const Text& Host, const Text& Port);
    // Reads the reply to a request; true for reply code 0 or 90.
    bool SocksReadReply();
    // The address part of a request; empty when Host or the user id cannot be
    // carried by the wire format (a SOCKS5 name over 255 bytes, a SOCKS4 user id
    // or name with a 00 byte).
    Text SocksEncodeAddress(const Text& Host, const Text& Port);

    bool m_usingSocks = false;
    std::int32_t m_socksReplyCode = 0;
    Text m_socksBoundAddress;
    Text m_socksBoundPort;
    Text m_socksLocalAddress;
    Text m_socksLocalPort;
    Text m_socksRemoteAddress;
    Text m_socksRemotePort;
    bool m_plainExchange = false;
};
