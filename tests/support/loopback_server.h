#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A scripted TCP peer for tests. It listens on 127.0.0.1 on a port the OS picks,
// accepts connections one after another on its own thread and runs the script
// for each. Everything a connection receives through its Read* calls is
// recorded; tests read the record from their own thread. Scripts never assert:
// they record and the test checks. Every wait is bounded, and the destructor
// unblocks and joins the thread.
class LoopbackServer
{
public:
    class Connection
    {
    public:
        Connection(LoopbackServer& server, int fd, int index);
        int Index() const { return m_index; }
        int Fd() const { return m_fd; }
        // Writes all bytes; false when the peer is gone.
        bool Send(const std::string& bytes);
        // Reads what arrives within timeout (empty on close, error or time-out).
        std::string ReadSome(std::chrono::milliseconds timeout = std::chrono::seconds(5));
        // Reads until terminator has arrived (included in the result) or the time is up.
        std::string ReadUntil(
            const std::string& terminator, std::chrono::milliseconds timeout = std::chrono::seconds(5));
        std::string ReadExactly(
            std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
        // Waits until the client closes its side; true when it did within timeout.
        bool WaitForPeerClose(std::chrono::milliseconds timeout = std::chrono::seconds(5));
        // Orderly close of the sending side (the client reads end of stream).
        void ShutdownSend();
        // Close with a reset (RST) instead of an orderly close.
        void Reset();
        // True once the server is being destroyed; long scripts poll it.
        bool Stopping() const;

    private:
        LoopbackServer& m_server;
        int m_fd;
        int m_index;
        std::string m_buffered;
    };
    using Script = std::function<void(Connection&)>;

    // Runs script for each of up to maxConnections accepted connections.
    explicit LoopbackServer(Script script, int maxConnections = 1);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t Port() const { return m_port; }
    std::string PortText() const { return std::to_string(m_port); }
    // Bytes received so far by each connection, in accept order.
    std::vector<std::string> Received() const;
    std::string ReceivedBy(int connection) const;
    int Accepted() const;
    // Waits until count scripts have returned.
    bool WaitFinished(int count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    void run(int maxConnections);
    void record(int connection, const std::string& bytes);

    Script m_script;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping { false };
    std::atomic<int> m_activeFd { -1 };
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_received;
    int m_finished = 0;
    std::thread m_thread;
};

// Waits for predicate with a bounded deadline, checking every millisecond.
bool WaitUntil(
    const std::function<bool()>& predicate, std::chrono::milliseconds timeout = std::chrono::seconds(10));
