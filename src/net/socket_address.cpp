#include "net/socket_address.h"

#include "net/socket_error.h"
#include "net/socket_library.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>

namespace {

constexpr int rawSocketKind = 3;

// A port text that is empty asks for no particular port.
const char* serviceOf(const Text& port) { return port.empty() ? "0" : port.c_str(); }

}

socklen_t AddressLength(const sockaddr_storage& Address)
{
    switch (Address.ss_family) {
    case AF_INET:
        return sizeof(sockaddr_in);
    case AF_INET6:
        return sizeof(sockaddr_in6);
    default:
        return 0;
    }
}

std::uint16_t AddressPort(const sockaddr_storage& Address)
{
    if (Address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(Address).sin_port);
    if (Address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(Address).sin6_port);
    return 0;
}

Text AddressText(const sockaddr_storage& Address)
{
    const socklen_t length = AddressLength(Address);
    if (length == 0)
        return {};
    char host[NI_MAXHOST] = {};
    char service[32] = {};
    const int result = SocketLibrary().GetNameInfo(reinterpret_cast<const sockaddr*>(&Address), length, host,
        sizeof(host), service, sizeof(service), NI_NUMERICHOST | NI_NUMERICSERV);
    return result == 0 ? Text(host) : Text();
}

std::int32_t LookupAddress(
    const Text& Host, const Text& Port, const addrinfo& Hints, sockaddr_storage& Address)
{
    std::memset(&Address, 0, sizeof(Address));
    addrinfo hints = Hints;
    const char* node = Host.c_str();
    const char* service = serviceOf(Port);
    if (hints.ai_socktype == rawSocketKind) {
        hints.ai_socktype = 0;
        hints.ai_protocol = 0;
        service = nullptr;
    } else if (Host == "0.0.0.0" || Host == "::0") {
        hints.ai_flags |= AI_PASSIVE;
        node = nullptr;
    } else if (Host == "127.0.0.1" || Host == "::1") {
        node = nullptr;
    }
    addrinfo* results = nullptr;
    const int result = SocketLibrary().GetAddrInfo(node, service, &hints, &results);
    const std::int32_t code = SocketErrorFromResolver(result, errno);
    if (result == 0 && results != nullptr && results->ai_addrlen <= sizeof(Address))
        std::memcpy(&Address, results->ai_addr, results->ai_addrlen);
    if (results != nullptr)
        SocketLibrary().FreeAddrInfo(results);
    return code;
}

void LookupAllAddresses(const Text& Name, int Family, int Kind, int Protocol, TextList& List)
{
    List.Clear();
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = Kind;
    hints.ai_protocol = Protocol;
    addrinfo* results = nullptr;
    if (SocketLibrary().GetAddrInfo(Name.c_str(), nullptr, &hints, &results) != 0)
        return;
    for (const addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
        const bool skipped = (Family == AF_INET6 && entry->ai_family == AF_INET)
            || (Family == AF_INET && entry->ai_family == AF_INET6);
        if (skipped || entry->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        sockaddr_storage address {};
        std::memcpy(&address, entry->ai_addr, entry->ai_addrlen);
        Text text = AddressText(address);
        if (!text.empty())
            List.Add(std::move(text));
    }
    SocketLibrary().FreeAddrInfo(results);
}

std::uint16_t LookupPortNumber(const Text& Port, int Kind, int Protocol)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = Kind;
    hints.ai_protocol = Protocol;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* results = nullptr;
    if (SocketLibrary().GetAddrInfo(nullptr, Port.c_str(), &hints, &results) != 0)
        return 0;
    std::uint16_t port = 0;
    if (results != nullptr && results->ai_addrlen <= sizeof(sockaddr_storage)) {
        sockaddr_storage address {};
        std::memcpy(&address, results->ai_addr, results->ai_addrlen);
        port = AddressPort(address);
    }
    if (results != nullptr)
        SocketLibrary().FreeAddrInfo(results);
    return port;
}
