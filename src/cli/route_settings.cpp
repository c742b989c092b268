#include "cli/route_settings.h"

#include "base/gbk_codec.h"
#include "net/http_send.h"
#include "net/tcp_block_socket.h"

void applyRoute(
    THTTPSend& http, const std::string& proxyHost, const std::string& proxyPort, const SocksArguments& socks)
{
    if (!proxyHost.empty()) {
        http.ProxyHost = Utf8ToGbk(proxyHost);
        if (!proxyPort.empty())
            http.ProxyPort = proxyPort;
    }
    if (socks.version == 0)
        return;
    TTCPBlockSocket& sock = http.Sock();
    sock.SocksIP = Utf8ToGbk(socks.host);
    if (!socks.port.empty())
        sock.SocksPort = socks.port;
    sock.SocksType = socks.version == 4 ? ST_Socks4 : ST_Socks5;
    sock.SocksUsername = Utf8ToGbk(socks.user);
    sock.SocksPassword = Utf8ToGbk(socks.password);
}
