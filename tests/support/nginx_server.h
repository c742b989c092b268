#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

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
    // Adds a second site on the same port, chosen by the name the client asks
    // for, with its own document root, and writes a file there.
    void addNamedSiteFile(const std::string& serverName, const std::string& path, const std::string& content);
    // Serves https with a self-signed certificate for the hosts in altNames
    // made now by the openssl program; false with reason() set when it cannot
    // be made. Every site then answers /server-name with the name the client
    // gave in the handshake, in brackets.
    bool enableTls(const std::string& altNames = "IP:127.0.0.1");
    // The certificate (PEM) once TLS is on.
    std::string certificateFile() const { return m_folder + "/cert.pem"; }
    // Starts nginx and waits until it accepts connections; false with reason() set otherwise.
    bool start();
    void stop();

    std::string portText() const { return std::to_string(m_port); }
    std::string urlOf(const std::string& path, const std::string& host = "127.0.0.1") const
    {
        return (m_tls ? "https://" : "http://") + host + ":" + portText() + path;
    }
    const std::string& reason() const { return m_reason; }
    // The default site's document root, for files too large to pass as a string.
    std::string documentRoot() const { return m_folder + "/www"; }

private:
    std::string writeConfig() const;
    std::string serverBlock(const std::string& name, const std::string& root) const;

    std::string m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
    std::string m_reason;
    bool m_tls = false;
    std::vector<std::string> m_namedSites;
};
