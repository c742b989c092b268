#pragma once

#include <string>

// Ports on 127.0.0.1: for servers the tests start as separate programs, and
// for addresses where nothing must answer.

// A port the system just handed out and took back, for a server program to
// listen on.
int FreeLoopbackPort();

// Whether a connection to the port on 127.0.0.1 is accepted right now.
bool LoopbackPortAccepting(int port);

// A port on 127.0.0.1 that is bound but not listening, so a connect to it is
// refused. The port stays reserved while the object lives.
class RefusingPort
{
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    const std::string& Port() const { return m_port; }

private:
    int m_fd;
    std::string m_port;
};
