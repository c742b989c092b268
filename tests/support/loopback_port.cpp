#include "support/loopback_port.h"

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopbackAddress(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// Binds fd to a port of 127.0.0.1 the system picks and returns the port.
int bindAnyPort(int fd)
{
    sockaddr_in address = loopbackAddress(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}

int ListenOnLoopback(int typeFlags, int queue, const char* who, std::uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | typeFlags, 0);
    if (fd < 0 || (port = static_cast<std::uint16_t>(bindAnyPort(fd))) == 0 || ::listen(fd, queue) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error(std::string(who) + ": cannot listen on 127.0.0.1");
    }
    return fd;
}

int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int port = bindAnyPort(fd);
    ::close(fd);
    return port;
}

bool LoopbackPortAccepting(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopbackAddress(port);
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

RefusingPort::RefusingPort(PortRefusal refusal)
    : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    , m_port(std::to_string(bindAnyPort(m_fd)))
{
    if (refusal == PortRefusal::Refuses)
        return;
    // A queue of length 0 holds one connection, which the filler takes; the
    // OS drops every further connection request.
    ::listen(m_fd, 0);
    m_fillerFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopbackAddress(std::stoi(m_port));
    ::connect(m_fillerFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

RefusingPort::~RefusingPort()
{
    ::close(m_fd);
    if (m_fillerFd != -1)
        ::close(m_fillerFd);
}
