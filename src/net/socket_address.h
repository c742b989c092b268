#pragma once

#include "base/text.h"
#include "base/text_list.h"

#include <cstdint>
#include <netdb.h>
#include <sys/socket.h>

// Address records and the extended resolver, shared by the connection classes.
// A record is a sockaddr_storage whose family field decides its length. All of
// these are stateless and safe from any thread; none of them reports status.

// sizeof(sockaddr_in) for IPv4, sizeof(sockaddr_in6) for IPv6, 0 otherwise.
socklen_t AddressLength(const sockaddr_storage& Address);

// The port of an IPv4 or IPv6 record in host order; 0 for anything else.
std::uint16_t AddressPort(const sockaddr_storage& Address);

// The numeric host text of a record; empty when it cannot be converted.
Text AddressText(const sockaddr_storage& Address);

// Looks Host and Port up with Hints and copies the first result into Address
// (zeroed first, and left zero on failure). "0.0.0.0" and "::0" give the
// wildcard address and "127.0.0.1" and "::1" the loopback address of the hinted
// family; a raw socket type looks up the host alone. Returns the error code
// (0, or the resolver's code such as SE_HostNotFound).
std::int32_t LookupAddress(
    const Text& Host, const Text& Port, const addrinfo& Hints, sockaddr_storage& Address);

// Fills List with the numeric text of every address of Name for the socket
// type and protocol, skipping IPv4 addresses when Family is AF_INET6 and IPv6
// addresses when it is AF_INET. List is emptied first; it is left empty when
// nothing was found.
void LookupAllAddresses(const Text& Name, int Family, int Kind, int Protocol, TextList& List);

// The port number of a decimal or named port for the socket type and
// protocol, in host order; 0 when it cannot be looked up.
std::uint16_t LookupPortNumber(const Text& Port, int Kind, int Protocol);
