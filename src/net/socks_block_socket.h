#pragma once

#include "net/block_socket.h"

#include <cstdint>

// SOCKS protocol version of a route: ST_Socks4 covers SOCKS4 and SOCKS4a.
enum TSocksType : std::uint8_t {
    ST_Socks5 = 0,
    ST_Socks4 = 1,
};

// A blocking socket that can reach its target through a SOCKS server. The
// settings below select and configure that route; the exchange itself runs
// inside Connect of the stream socket built on this class.
//
// Thread, blocking and errors: as TBlockSocket.
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

protected:
    // The SOCKS route of Connect: connect to the server and ask it for Host:Port.
    void SocksConnect(const Text& Host, const Text& Port);

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
