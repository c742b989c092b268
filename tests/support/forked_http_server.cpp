#include "support/forked_http_server.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The child's life: serve, held, until the control pipe says release; end
// when the pipe closes.
[[noreturn]] void serveInChild(const LoopbackHttpServer::Responder& responder, int portPipe, int control)
{
    LoopbackHttpServer server(responder);
    server.Hold();
    const std::uint16_t port = server.Port();
    if (::write(portPipe, &port, sizeof(port)) != sizeof(port))
        ::_exit(1);
    char command = 0;
    while (::read(control, &command, 1) == 1)
        server.Release();
    ::_exit(0);
}

}

ForkedHttpServer::ForkedHttpServer(LoopbackHttpServer::Responder responder)
{
    int portPipe[2];
    int controlPipe[2];
    if (::pipe2(portPipe, O_CLOEXEC) != 0)
        return;
    if (::pipe2(controlPipe, O_CLOEXEC) != 0) {
        ::close(portPipe[0]);
        ::close(portPipe[1]);
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::close(portPipe[0]);
        ::close(controlPipe[1]);
        serveInChild(responder, portPipe[1], controlPipe[0]);
    }
    ::close(portPipe[1]);
    ::close(controlPipe[0]);
    m_control = controlPipe[1];
    if (m_pid < 0 || ::read(portPipe[0], &m_port, sizeof(m_port)) != sizeof(m_port))
        m_port = 0;
    ::close(portPipe[0]);
}

ForkedHttpServer::~ForkedHttpServer()
{
    ::close(m_control);
    if (m_pid > 0)
        ::waitpid(m_pid, nullptr, 0);
}

std::string ForkedHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void ForkedHttpServer::Release()
{
    const char command = 'r';
    [[maybe_unused]] const auto written = ::write(m_control, &command, 1);
}
