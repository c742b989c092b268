#include "support/forked_http_server.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

ForkedHttpServer::ForkedHttpServer(const LoopbackHttpServer::Responder& responder)
{
    // The child reports its port on one pipe and reads commands from the
    // other: a byte releases the server, the end of the pipe ends the child.
    int portPipe[2];
    int controlPipe[2];
    if (::pipe2(portPipe, O_CLOEXEC) != 0 || ::pipe2(controlPipe, O_CLOEXEC) != 0)
        return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::close(controlPipe[1]);
        LoopbackHttpServer server(responder);
        server.Hold();
        const std::uint16_t port = server.Port();
        char command = 0;
        if (::write(portPipe[1], &port, sizeof(port)) == sizeof(port)) {
            while (::read(controlPipe[0], &command, 1) == 1)
                server.Release();
        }
        ::_exit(0);
    }
    std::uint16_t port = 0;
    ::close(portPipe[1]);
    ::close(controlPipe[0]);
    m_control = controlPipe[1];
    if (m_pid > 0 && ::read(portPipe[0], &port, sizeof(port)) == sizeof(port))
        m_port = std::to_string(port);
    ::close(portPipe[0]);
}

ForkedHttpServer::~ForkedHttpServer()
{
    ::close(m_control);
    if (m_pid > 0)
        ::waitpid(m_pid, nullptr, 0);
}

void ForkedHttpServer::Release() { [[maybe_unused]] const auto written = ::write(m_control, "r", 1); }
