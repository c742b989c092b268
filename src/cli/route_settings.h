#pragma once

#include "cli/cli_arguments.h"

class THTTPSend;

// Puts the route chosen on the command line into an HTTP client before its
// request: the HTTP proxy (a plain proxy for http, a CONNECT tunnel for
// https, which the client decides itself) and the SOCKS server on its socket.
// SOCKS wins over the proxy when both are given, as the socket decides.
// Host names and credentials are converted from the terminal's UTF-8 to GBK.
// Touches no network; safe on the thread that owns the client.
void applyRoute(
    THTTPSend& http, const std::string& proxyHost, const std::string& proxyPort, const SocksArguments& socks);
