#include "support/test_daemon.h"

#include "support/child_process.h"
#include "support/loopback_port.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}

TestDaemon::TestDaemon()
    : m_port(FreeLoopbackPort())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "linkwatch-daemon-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_folder = pattern;
    // The servers may drop to an unprivileged user that must still write its log here.
    std::filesystem::permissions(m_folder, std::filesystem::perms::all);
}

TestDaemon::~TestDaemon()
{
    stop();
    std::error_code ignored;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ignored);
}

std::string TestDaemon::writeFile(const std::string& name, const std::string& content) const
{
    const std::string path = m_folder + "/" + name;
    std::ofstream(path) << content;
    return path;
}

bool TestDaemon::startDante()
{
    if (::geteuid() != 0) {
        m_reason = "danted needs root to start";
        return false;
    }
    const std::string config = writeFile("danted.conf",
        "logoutput: " + m_folder + "/danted.log\n" + "internal: 127.0.0.1 port = " + portText() + "\n"
            + "external: 127.0.0.1\n"
              "clientmethod: none\n"
              "socksmethod: none\n"
              "user.privileged: root\n"
              "user.unprivileged: nobody\n"
              "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n}\n"
              "socks pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  command: connect bind\n}\n");
    return launch(
        "/usr/sbin/danted", "dante-server", { "-f", config, "-p", m_folder + "/danted.pid", "-N", "1" });
}

bool TestDaemon::startMicrosocks(const std::string& user, const std::string& password)
{
    return launch("/usr/bin/microsocks", "microsocks",
        { "-i", "127.0.0.1", "-p", portText(), "-u", user, "-P", password });
}

bool TestDaemon::startTinyproxy(const std::string& connectPort)
{
    const std::string config = writeFile("tinyproxy.conf",
        "Port " + portText() + "\nListen 127.0.0.1\nTimeout 30\nMaxClients 16\n"
            + (::geteuid() == 0 ? "User nobody\nGroup nogroup\n" : "") + "LogFile \"" + m_folder
            + "/tinyproxy.log\"\nLogLevel Info\nAllow 127.0.0.1\nConnectPort " + connectPort + "\n");
    return launch("/usr/bin/tinyproxy", "tinyproxy", { "-d", "-c", config });
}

bool TestDaemon::launch(
    const std::string& program, const std::string& package, const std::vector<std::string>& arguments)
{
    if (::access(program.c_str(), X_OK) != 0) {
        m_reason = program + " is not installed (Debian package " + package + ")";
        return false;
    }
    const std::string output = m_folder + "/output.log";
    m_pid = startServerProgram(program, arguments, output, m_port);
    if (m_pid < 0) {
        m_reason = program + " did not start: " + readFile(output);
        return false;
    }
    return true;
}

void TestDaemon::stop() { stopProgram(m_pid); }
