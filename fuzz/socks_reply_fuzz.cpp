// Feeds arbitrary bytes to the connection as the answer of a SOCKS server or
// an HTTP proxy and checks what must hold for every answer: nothing crashes or
// hangs, an accepted SOCKS reply carries code 0 or 90 and a port that fits in
// 16 bits, and the exchange never leaves the plain-bytes switch on. The first
// input byte picks the reader: 0 SOCKS5, 1 SOCKS4, anything else the tunnel.
#include "net/tcp_block_socket.h"
#include "net/text_util.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The peer's bytes sit in a socket pair whose other end is already closed, so
// every read ends at the last byte with the close error instead of a wait.
constexpr std::size_t maxAnswer = 32 * 1024;
constexpr std::int32_t readTimeout = 1000;

class ReplyReader : public TTCPBlockSocket
{
public:
    using TSocksBlockSocket::SocksReadReply;
    using TTCPBlockSocket::TunnelReadReply;
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool adoptAnswer(ReplyReader& reader, const std::uint8_t* data, std::size_t size)
{
    int ends[2] = { -1, -1 };
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    const bool written = size == 0 || ::write(ends[1], data, size) == static_cast<ssize_t>(size);
    ::close(ends[1]);
    reader.AdoptSocket(ends[0]);
    return written;
}

void checkSocksReply(ReplyReader& reader, TSocksType type)
{
    reader.SocksType = type;
    reader.SocksTimeout = readTimeout;
    if (reader.SocksReadReply()) {
        require(reader.SocksReplyCode() == 0 || reader.SocksReplyCode() == 90);
        const std::int32_t port = IntFromText(reader.SocksBoundPort(), -1);
        require(port >= 0 && port <= 0xFFFF);
        require(reader.LastErrorCode() == 0);
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    ReplyReader reader;
    if (!adoptAnswer(reader, data + 1, std::min(size - 1, maxAnswer)))
        return 0;
    if (data[0] <= 1) {
        checkSocksReply(reader, data[0] == 0 ? ST_Socks5 : ST_Socks4);
    } else {
        reader.HTTPTunnelTimeout = readTimeout;
        reader.TunnelReadReply();
        require(reader.MaxLineLength == 0);
    }
    require(!reader.PlainExchange());
    require(reader.InterPacketTimeout);
    return 0;
}
