#pragma once

#include "support/loopback_http_server.h"

#include <sys/types.h>

// A held LoopbackHttpServer in a child process of its own, for tests that
// lower this process's open-file limit: the server's connections count
// against the child's limit. Requests wait unanswered until Release. The
// child ends with this object, or by itself when the test process dies.
class ForkedHttpServer
{
public:
    explicit ForkedHttpServer(const LoopbackHttpServer::Responder& responder);
    ~ForkedHttpServer();
    ForkedHttpServer(const ForkedHttpServer&) = delete;
    ForkedHttpServer& operator=(const ForkedHttpServer&) = delete;

    // "http://127.0.0.1:<port>" + path; port 0 when the child did not start.
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + m_port + path; }
    void Release();

private:
    pid_t m_pid = -1;
    int m_control = -1;
    std::string m_port = "0";
};
