#pragma once

#include <cstdint>
#include <string>

// Ports on 127.0.0.1: for servers the tests start as separate programs, and
// for addresses where nothing must answer.

// Listens on 127.0.0.1, on a port the system picks, with typeFlags added to
// the socket's type (SOCK_NONBLOCK, say) and room for queue connections
// waiting to be accepted; gives the socket and sets port. Throws
// std::runtime_error, naming who, when it cannot.
int ListenOnLoopback(int typeFlags, int queue, const char* who, std::uint16_t& port);

// A port the system just handed out and took back, for a server program to
// listen on.
int FreeLoopbackPort();

// Whether a connection to the port on 127.0.0.1 is accepted right now.
bool LoopbackPortAccepting(int port);

// How a connect to a RefusingPort fails: refused at once, or never answered,
// as by a server whose queue of connections waiting to be accepted is full.
enum class PortRefusal { Refuses, Ignores };

// A port on 127.0.0.1 that is bound but not listening, so a connect to it is
// refused, or that listens with that queue full. The port stays reserved
// while the object lives.
class RefusingPort
{
public:
    explicit RefusingPort(PortRefusal refusal = PortRefusal::Refuses);
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    const std::string& Port() const { return m_port; }

private:
    int m_fd;
    int m_fillerFd = -1;
    std::string m_port;
};
