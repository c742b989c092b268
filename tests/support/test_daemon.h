#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A real SOCKS server or HTTP proxy from a Debian package for integration
// tests: started in the foreground on 127.0.0.1 and a free port, with its
// configuration and log in a fresh temporary folder. Stop (or the destructor)
// ends it and removes the folder. Each start waits, bounded, until the port
// accepts connections; on failure it answers false with reason() set.
class TestDaemon
{
public:
    TestDaemon();
    ~TestDaemon();
    TestDaemon(const TestDaemon&) = delete;
    TestDaemon& operator=(const TestDaemon&) = delete;

    // Dante (dante-server) speaking SOCKS4, SOCKS4a and SOCKS5 without
    // authentication, allowing CONNECT and BIND from and to 127.0.0.0/8.
    bool startDante();
    // microsocks: SOCKS5 that asks for this user name and password.
    bool startMicrosocks(const std::string& user, const std::string& password);
    // tinyproxy: an HTTP proxy for 127.0.0.1 that tunnels (CONNECT) to connectPort only.
    bool startTinyproxy(const std::string& connectPort);
    void stop();

    std::string portText() const { return std::to_string(m_port); }
    const std::string& reason() const { return m_reason; }

private:
    bool launch(
        const std::string& program, const std::string& package, const std::vector<std::string>& arguments);
    std::string writeFile(const std::string& name, const std::string& content) const;

    std::string m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
    std::string m_reason;
};
