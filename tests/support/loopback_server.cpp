#include "support/loopback_server.h"

#include "support/loopback_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool pollFor(int fd, short events, int timeoutMs)
{
    pollfd entry { fd, events, 0 };
    return ::poll(&entry, 1, timeoutMs) > 0;
}

}

LoopbackServer::Connection::Connection(LoopbackServer& server, int fd, int index)
    : m_server(server)
    , m_fd(fd)
    , m_index(index)
{
}

bool LoopbackServer::Connection::Send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string LoopbackServer::Connection::ReadSome(std::chrono::milliseconds timeout)
{
    if (!m_buffered.empty())
        return std::exchange(m_buffered, {});
    const auto deadline = Clock::now() + timeout;
    while (!Stopping()) {
        const int wait = std::min(remainingMs(deadline), 50);
        if (pollFor(m_fd, POLLIN, wait)) {
            char buffer[65536];
            const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), 0);
            if (n <= 0)
                return {};
            std::string data(buffer, static_cast<std::size_t>(n));
            m_server.record(m_index, data);
            return data;
        }
        if (remainingMs(deadline) == 0)
            break;
    }
    return {};
}

std::string LoopbackServer::Connection::ReadUntil(
    const std::string& terminator, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::string data = std::exchange(m_buffered, {});
    while (data.find(terminator) == std::string::npos && remainingMs(deadline) > 0) {
        std::string piece = ReadSome(std::chrono::milliseconds(remainingMs(deadline)));
        if (piece.empty())
            break;
        data += piece;
    }
    const auto end = data.find(terminator);
    if (end != std::string::npos) {
        m_buffered = data.substr(end + terminator.size());
        data.resize(end + terminator.size());
    }
    return data;
}

std::string LoopbackServer::Connection::ReadExactly(std::size_t count, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    std::string data = std::exchange(m_buffered, {});
    while (data.size() < count && remainingMs(deadline) > 0) {
        std::string piece = ReadSome(std::chrono::milliseconds(remainingMs(deadline)));
        if (piece.empty())
            break;
        data += piece;
    }
    if (data.size() > count) {
        m_buffered = data.substr(count);
        data.resize(count);
    }
    return data;
}

bool LoopbackServer::Connection::WaitForPeerClose(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!Stopping() && remainingMs(deadline) > 0) {
        if (!pollFor(m_fd, POLLIN, std::min(remainingMs(deadline), 50)))
            continue;
        char buffer[65536];
        const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return true;
        m_server.record(m_index, std::string(buffer, static_cast<std::size_t>(n)));
    }
    return false;
}

void LoopbackServer::Connection::ShutdownSend() { ::shutdown(m_fd, SHUT_WR); }

void LoopbackServer::Connection::Reset()
{
    linger hard { 1, 0 };
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    ::shutdown(m_fd, SHUT_RD);
}

bool LoopbackServer::Connection::Stopping() const { return m_server.m_stopping.load(); }

LoopbackServer::LoopbackServer(Script script, int maxConnections)
    : m_script(std::move(script))
{
    m_listenFd = ListenOnLoopback(0, 64, "loopback server", m_port);
    m_thread = std::thread([this, maxConnections] { run(maxConnections); });
}

LoopbackServer::~LoopbackServer()
{
    m_stopping = true;
    const int active = m_activeFd.load();
    if (active >= 0)
        ::shutdown(active, SHUT_RDWR);
    m_thread.join();
    ::close(m_listenFd);
}

void LoopbackServer::run(int maxConnections)
{
    for (int index = 0; index < maxConnections && !m_stopping;) {
        if (!pollFor(m_listenFd, POLLIN, 20))
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        {
            std::lock_guard lock(m_mutex);
            m_received.emplace_back();
        }
        m_activeFd = fd;
        Connection connection(*this, fd, index);
        m_script(connection);
        m_activeFd = -1;
        ::close(fd);
        {
            std::lock_guard lock(m_mutex);
            ++m_finished;
        }
        m_changed.notify_all();
        ++index;
    }
}

void LoopbackServer::record(int connection, const std::string& bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_received[static_cast<std::size_t>(connection)] += bytes;
    }
    m_changed.notify_all();
}

std::vector<std::string> LoopbackServer::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::string LoopbackServer::ReceivedBy(int connection) const
{
    std::lock_guard lock(m_mutex);
    return connection < static_cast<int>(m_received.size()) ? m_received[static_cast<std::size_t>(connection)]
                                                            : std::string();
}

int LoopbackServer::Accepted() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_received.size());
}

bool LoopbackServer::WaitFinished(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_finished >= count; });
}

bool WaitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!predicate()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
