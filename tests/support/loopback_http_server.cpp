#include "support/loopback_http_server.h"

#include "support/loopback_port.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

struct LoopbackHttpServer::Peer {
    int fd;
    std::string received;
    std::string reply;
    std::size_t sent = 0;
    bool headComplete = false;
    bool replyReady = false;
};

namespace {

constexpr std::size_t headLimit = 64 * 1024;

bool receiveInto(int fd, std::string& received)
{
    char buffer[16384];
    const ssize_t count = ::recv(fd, buffer, sizeof(buffer), 0);
    if (count <= 0)
        return false;
    received.append(buffer, static_cast<std::size_t>(count));
    return received.size() <= headLimit;
}

}

LoopbackHttpServer::LoopbackHttpServer(Responder responder)
    : m_responder(std::move(responder))
{
    m_listenFd = ListenOnLoopback(SOCK_NONBLOCK, 4096, "loopback http server", m_port);
    m_thread = std::thread([this] { run(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_stopping = true;
    m_thread.join();
    ::close(m_listenFd);
}

std::string LoopbackHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string LoopbackHttpServer::Reply(const std::string& status, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void LoopbackHttpServer::run()
{
    std::vector<Peer> peers;
    while (!m_stopping) {
        std::vector<pollfd> polls { { m_listenFd, POLLIN, 0 } };
        for (const Peer& peer : peers) {
            // A held request waits for no event of its own; a hang-up still ends it.
            const short events = peer.replyReady ? POLLOUT : peer.headComplete ? 0 : POLLIN;
            polls.push_back({ peer.fd, events, 0 });
        }
        ::poll(polls.data(), polls.size(), 20);
        for (std::size_t index = 0; index < peers.size(); ++index) {
            if (!servePeer(peers[index], polls[index + 1].revents)) {
                ::close(peers[index].fd);
                peers[index].fd = -1;
            }
        }
        std::erase_if(peers, [](const Peer& peer) { return peer.fd < 0; });
        if (polls[0].revents & POLLIN)
            acceptPeers(peers);
    }
    for (const Peer& peer : peers)
        ::close(peer.fd);
}

void LoopbackHttpServer::acceptPeers(std::vector<Peer>& peers)
{
    while (true) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        peers.push_back(Peer { fd, {}, {}, 0, false, false });
    }
}

bool LoopbackHttpServer::servePeer(Peer& peer, short events)
{
    if (!peer.headComplete && (events & (POLLIN | POLLHUP | POLLERR))) {
        if (!receiveInto(peer.fd, peer.received))
            return false;
        if (peer.received.find("\r\n\r\n") != std::string::npos) {
            peer.headComplete = true;
            ++m_requests;
        }
    } else if (events & (POLLHUP | POLLERR)) {
        return false;
    }
    if (peer.headComplete && !peer.replyReady && !m_held) {
        peer.reply = m_responder(peer.received.substr(0, peer.received.find("\r\n\r\n") + 4));
        peer.replyReady = true;
    }
    if (!peer.replyReady || !(events & POLLOUT))
        return true;
    const ssize_t count
        = ::send(peer.fd, peer.reply.data() + peer.sent, peer.reply.size() - peer.sent, MSG_NOSIGNAL);
    if (count <= 0)
        return false;
    peer.sent += static_cast<std::size_t>(count);
    if (peer.sent < peer.reply.size())
        return true;
    ++m_answered;
    return false;
}
