#include "net/socks_block_socket.h"

namespace {

constexpr std::int32_t codeProtocolNotSupported = 10043;

}

void TSocksBlockSocket::SocksConnect(const Text& Host, const Text& Port)
{
    // The SOCKS exchange is not part of this build. Rather than connecting
    // directly, which would bypass the server the caller asked for, the route
    // fails without touching the network.
    static_cast<void>(Host);
    static_cast<void>(Port);
    m_lastErrorCode = codeProtocolNotSupported;
    ReportError();
}
