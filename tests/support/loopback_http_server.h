#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP peer for tests that run many fetches at once. It listens on
// 127.0.0.1 on a port the OS picks and serves every connection concurrently
// from one thread with poll: it reads one request head, answers it with the
// bytes the responder returns for it, and closes the connection. While held,
// complete requests wait unanswered until Release, so a test controls when a
// page arrives. Responders run on the server thread and must not assert.
// Every wait is bounded; the destructor stops and joins the thread.
class LoopbackHttpServer
{
public:
    // The whole reply (status line, header lines, body) for one request head.
    using Responder = std::function<std::string(const std::string& requestHead)>;

    explicit LoopbackHttpServer(Responder responder);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::uint16_t Port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path
    std::string Url(const std::string& path) const;

    void Hold() { m_held = true; }
    void Release() { m_held = false; }
    // Complete request heads received so far, and replies fully sent.
    int Requests() const { return m_requests.load(); }
    int Answered() const { return m_answered.load(); }

    // A reply with the given status ("200 OK") and body, and a Content-Length.
    static std::string Reply(const std::string& status, const std::string& body);

private:
    struct Peer;
    void run();
    void acceptPeers(std::vector<Peer>& peers);
    // Reads, answers and writes as events allow; false when the peer is done.
    bool servePeer(Peer& peer, short events);

    Responder m_responder;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping { false };
    std::atomic<bool> m_held { false };
    std::atomic<int> m_requests { 0 };
    std::atomic<int> m_answered { 0 };
    std::thread m_thread;
};
