#include "support/nginx_server.h"

#include "support/child_process.h"
#include "support/loopback_port.h"
#include "support/self_signed_certificate.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr char nginxProgram[] = "/usr/sbin/nginx";

}

NginxServer::NginxServer()
    : m_port(FreeLoopbackPort())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "linkwatch-nginx-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_folder = pattern;
    std::filesystem::create_directories(m_folder + "/www");
    std::filesystem::create_directories(m_folder + "/temp");
}

NginxServer::~NginxServer()
{
    stop();
    std::error_code ignored;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ignored);
}

void NginxServer::addFile(const std::string& path, const std::string& content) const
{
    std::ofstream(m_folder + "/www" + path, std::ios::binary) << content;
}

std::string NginxServer::writeConfig() const
{
    const std::string& dir = m_folder;
    const std::string config = "daemon off;\n"
                               "master_process off;\n"
                               "pid "
        + dir + "/nginx.pid;\nerror_log " + dir + "/error.log;\n"
        + "events { worker_connections 64; }\n"
          "http {\n"
          "  access_log "
        + dir + "/access.log;\n  client_body_temp_path " + dir + "/temp/body;\n  proxy_temp_path " + dir
        + "/temp/proxy;\n  fastcgi_temp_path " + dir + "/temp/fastcgi;\n  uwsgi_temp_path " + dir
        + "/temp/uwsgi;\n  scgi_temp_path " + dir + "/temp/scgi;\n"
        + "  types { text/html html; text/plain txt; }\n"
          "  default_type application/octet-stream;\n"
        + serverBlock("", dir + "/www");
    std::string sites;
    for (const auto& name : m_namedSites)
        sites += serverBlock(name, dir + "/www-" + name);
    const std::string path = dir + "/nginx.conf";
    std::ofstream(path) << config << sites << "}\n";
    return path;
}

std::string NginxServer::serverBlock(const std::string& name, const std::string& root) const
{
    // The unnamed site is the default one, served to clients that name no site.
    std::string block = "  server {\n    listen 127.0.0.1:" + portText()
        + (name.empty() ? " default_server" : "") + (m_tls ? " ssl" : "") + ";\n";
    if (!name.empty())
        block += "    server_name " + name + ";\n";
    if (m_tls) {
        block += "    ssl_certificate " + m_folder + "/cert.pem;\n    ssl_certificate_key " + m_folder
            + "/key.pem;\n";
        // Answers with the site name the client gave in the handshake.
        block += "    location = /server-name { return 200 \"[$ssl_server_name]\"; }\n";
    }
    return block + "    root " + root + ";\n  }\n";
}

void NginxServer::addNamedSiteFile(
    const std::string& serverName, const std::string& path, const std::string& content)
{
    if (std::find(m_namedSites.begin(), m_namedSites.end(), serverName) == m_namedSites.end())
        m_namedSites.push_back(serverName);
    std::filesystem::create_directories(m_folder + "/www-" + serverName);
    std::ofstream(m_folder + "/www-" + serverName + path, std::ios::binary) << content;
}

bool NginxServer::enableTls(const std::string& altNames)
{
    m_reason = MakeSelfSignedCertificate(m_folder, altNames);
    m_tls = m_reason.empty();
    return m_tls;
}

bool NginxServer::start()
{
    if (::access(nginxProgram, X_OK) != 0) {
        m_reason = "nginx is not installed (Debian package nginx-light)";
        return false;
    }
    const std::string config = writeConfig();
    m_pid = startServerProgram(nginxProgram, { "-p", m_folder, "-e", m_folder + "/error.log", "-c", config },
        m_folder + "/output.log", m_port);
    if (m_pid < 0) {
        std::ifstream log(m_folder + "/error.log");
        m_reason = "nginx did not start: " + std::string(std::istreambuf_iterator<char>(log), {});
        return false;
    }
    return true;
}

void NginxServer::stop() { stopProgram(m_pid); }
