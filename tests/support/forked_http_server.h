#pragma once

#include "support/loopback_http_server.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

// A LoopbackHttpServer run in a child process of its own, for tests that
// limit this process's descriptors: the server's connections then count
// against the child's limit, not the test's. It starts held (requests wait
// unanswered) until Release. The child ends when this object goes, or by
// itself when the test process dies. A responder runs in the child.
class ForkedHttpServer
{
public:
    explicit ForkedHttpServer(LoopbackHttpServer::Responder responder);
    ~ForkedHttpServer();
    ForkedHttpServer(const ForkedHttpServer&) = delete;
    ForkedHttpServer& operator=(const ForkedHttpServer&) = delete;

    // "http://127.0.0.1:<port>" + path; the port is 0 when the child did not start.
    std::string Url(const std::string& path) const;
    // Answers every request from now on, those waiting first.
    void Release();

private:
    pid_t m_pid = -1;
    int m_control = -1;
    std::uint16_t m_port = 0;
};
