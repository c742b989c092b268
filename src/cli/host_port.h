#pragma once

#include <optional>
#include <string>

// A server's address as linkwatch-cli's --proxy, --socks5 and --socks4 take
// it: HOST:PORT, [IPv6]:PORT, or either without the port, which leaves the
// route's default. An IPv6 address is bracketed to carry a port; without
// brackets all of it is the address (::1 is host ::1, not host : on port 1).
// Reads text only; nothing here throws but for want of memory.

struct HostPort {
    std::string host;
    std::string port; // decimal, 1 to 65535; empty: the route's default
};

// The address, or nothing when text is none of the forms above.
std::optional<HostPort> readHostPort(const std::string& text);
