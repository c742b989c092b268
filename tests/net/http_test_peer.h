#pragma once

#include "net/block_socket.h"
#include "support/loopback_server.h"

#include <atomic>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

// Helpers for scripted HTTP peers in the client tests.

// Reads one request head and then bodyLength bytes of body.
inline std::string readRequest(LoopbackServer::Connection& connection, std::size_t bodyLength = 0)
{
    std::string request = connection.ReadUntil("\r\n\r\n");
    if (bodyLength > 0)
        request += connection.ReadExactly(bodyLength);
    return request;
}

// Counts the client socket's successful OS receives, so a peer can hold back
// the rest of a reply until the client has taken in the part before it.
class ReceiveCounter
{
public:
    void attach(TBlockSocket& socket)
    {
        socket.OnStatus = [this](TBlockSocket*, THookSocketReason reason, const Text& value) {
            if (reason == HR_ReadCount && value != "-1" && value != "0")
                ++m_reads;
        };
    }
    int count() const { return m_reads.load(); }

private:
    std::atomic<int> m_reads { 0 };
};

// Sends reply in pieces cut at the given offsets; before each further piece
// it waits until the client has received again, so each cut reaches the
// client as a separate read.
inline void sendInPieces(LoopbackServer::Connection& connection, const std::string& reply,
    const std::vector<std::size_t>& cuts, const ReceiveCounter& counter)
{
    const int noDelay = 1;
    ::setsockopt(connection.Fd(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    std::size_t from = 0;
    for (const std::size_t cut : cuts) {
        const int before = counter.count();
        connection.Send(reply.substr(from, cut - from));
        from = cut;
        WaitUntil([&] { return counter.count() > before || connection.Stopping(); }, std::chrono::seconds(5));
    }
    connection.Send(reply.substr(from));
}
