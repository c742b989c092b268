// Feeds arbitrary bytes to THTTPSend::ExecuteRequest as a server's whole reply
// and checks what must hold for every reply: the client returns, Document
// never holds more than the server sent (plus the CR LF of a missing status
// line) nor more than MaxBodySize, response lines hold no line breaks, and
// cookies come only from Set-Cookie lines.
//
// The first input byte picks the request: method, protocol, Status100 and the
// optional limits; the rest is the reply. The server is a listening socket on
// 127.0.0.1 in this same thread: once the client has sent its request, the
// client socket's status hook accepts the connection, writes the reply and
// shuts the sending side, so every read of the client ends at the reply's end
// without a wait and without a second thread.
#include "net/http_send.h"
#include "net/http_text.h"
#include "net/tcp_block_socket.h"
#include "net/text_util.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// More than this is not sent, so the writes never wait for the client.
constexpr std::size_t largestReply = 256 << 10;
constexpr std::int64_t smallBodyLimit = 300;
constexpr std::int32_t smallLineLimit = 4096;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

class ReplyServer
{
public:
    ReplyServer()
    {
        m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        require(::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), length) == 0);
        require(::listen(m_listenFd, 16) == 0);
        require(::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        m_port = std::to_string(ntohs(address.sin_port));
    }

    const Text& Port() const { return m_port; }

    // Accepts the waiting connection, sends what fits of reply and ends the
    // sending side; returns the bytes sent.
    std::size_t Serve(const Text& reply)
    {
        pollfd ready { m_listenFd, POLLIN, 0 };
        if (::poll(&ready, 1, 1000) != 1)
            return 0;
        m_connectionFd = ::accept(m_listenFd, nullptr, nullptr);
        if (m_connectionFd < 0)
            return 0;
        const int bufferSize = 4 << 20;
        ::setsockopt(m_connectionFd, SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof(bufferSize));
        std::size_t sent = 0;
        while (sent < reply.size()) {
            const ssize_t n = ::send(
                m_connectionFd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        ::shutdown(m_connectionFd, SHUT_WR);
        return sent;
    }

    // Closes the served connection with a reset, so no closed connection
    // lingers, and drops any connection that was never served.
    void EndExchange()
    {
        const linger abort { 1, 0 };
        for (int fd = m_connectionFd; fd >= 0; fd = ::accept(m_listenFd, nullptr, nullptr)) {
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
            ::close(fd);
        }
        m_connectionFd = -1;
    }

private:
    int m_listenFd = -1;
    int m_connectionFd = -1;
    Text m_port;
};

struct Request {
    Text method;
    Text protocol;
    bool status100;
    bool limits;
};

Request requestFor(std::uint8_t selector)
{
    static const char* const methods[] = { "GET", "HEAD", "POST" };
    static const char* const protocols[] = { "1.1", "1.0", "0.9" };
    return { methods[selector % 3], protocols[selector / 3 % 3], (selector & 0x20) != 0,
        (selector & 0x40) != 0 };
}

std::size_t countSetCookieLines(const TextList& headers)
{
    return static_cast<std::size_t>(std::count_if(headers.Lines().begin(), headers.Lines().end(),
        [](const Text& line) { return StartsWith(LowerAscii(line), "set-cookie:"); }));
}

void checkResponse(THTTPSend& http, const Request& request, std::size_t sent)
{
    const MemoryStream& document = http.Document();
    require(document.Position() == 0);
    require(static_cast<std::size_t>(document.Size()) <= sent + 2);
    if (request.limits)
        require(document.Size() <= smallBodyLimit);
    std::size_t headerBytes = 0;
    for (const Text& line : http.Headers().Lines()) {
        require(line.find_first_of("\r\n") == Text::npos);
        require(!request.limits || line.size() <= static_cast<std::size_t>(smallLineLimit));
        headerBytes += line.size();
    }
    require(headerBytes <= sent);
    if (http.Headers().Empty()) {
        // No status line: what came in its place starts the body.
        require(http.ResultCode() == 0);
        require(document.Size() >= 2 || request.limits);
    } else {
        require(StartsWith(UpperAscii(http.Headers()[0]), "HTTP/"));
        const std::int32_t code = http.ResultCode();
        if (request.method == "HEAD" || code == 204 || code == 304)
            require(document.Size() == 0);
    }
    require(http.Cookies().Count() <= countSetCookieLines(http.Headers()));
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ReplyServer server;
    if (size == 0)
        return 0;
    const Request request = requestFor(data[0]);
    const Text reply(reinterpret_cast<const char*>(data) + 1, std::min(size - 1, largestReply));

    THTTPSend http;
    http.Timeout = 2000;
    http.Protocol = request.protocol;
    http.Status100 = request.status100;
    if (request.limits) {
        http.MaxBodySize = smallBodyLimit;
        http.Sock().MaxLineLength = smallLineLimit;
    }
    if (request.method == "POST")
        AppendToStream(http.Document(), "a=1");
    std::size_t sent = 0;
    bool served = false;
    http.Sock().OnStatus = [&](TBlockSocket*, THookSocketReason reason, const Text&) {
        if (reason == HR_WriteCount && !served) {
            served = true;
            sent = server.Serve(reply);
        }
    };
    http.ExecuteRequest(request.method, "http://127.0.0.1:" + server.Port() + "/p");
    http.Sock().OnStatus = nullptr;
    checkResponse(http, request, sent);
    http.Sock().CloseConnection();
    server.EndExchange();
    return 0;
}
