#pragma once

#include <string>
#include <sys/types.h>

// A real nginx for integration tests: started in the foreground as the
// current user on 127.0.0.1 and a free port, with its configuration, logs,
// temporary files and document root in a fresh temporary folder. Stop (or
// the destructor) ends it and removes the folder.
class NginxServer
{
public:
    NginxServer();
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // Writes a file under the document root; path starts with "/".
    void addFile(const std::string& path, const std::string& content) const;
    // Starts nginx and waits until it accepts connections; false with reason() set otherwise.
    bool start();
    void stop();

    std::string portText() const { return std::to_string(m_port); }
    std::string urlOf(const std::string& path) const { return "http://127.0.0.1:" + portText() + path; }
    const std::string& reason() const { return m_reason; }

private:
    std::string writeConfig() const;
    bool accepting() const;

    std::string m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
    std::string m_reason;
};
