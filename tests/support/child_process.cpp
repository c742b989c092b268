#include "support/child_process.h"

#include "support/loopback_port.h"
#include "support/loopback_server.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> argumentVector(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> vector;
    vector.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        vector.push_back(const_cast<char*>(argument.c_str()));
    vector.push_back(nullptr);
    return vector;
}

// Reads both pipes until both reach their end.
void drain(int outFd, int errFd, ProgramRun& run)
{
    pollfd fds[2] = { { outFd, POLLIN, 0 }, { errFd, POLLIN, 0 } };
    std::string* sinks[2] = { &run.out, &run.err };
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        for (int index = 0; index < 2; ++index) {
            if (fds[index].fd < 0 || fds[index].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(fds[index].fd, buffer, sizeof(buffer));
            if (n > 0) {
                sinks[index]->append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            ::close(fds[index].fd);
            fds[index].fd = -1;
            --open;
        }
    }
}

}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    ProgramRun run;
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    pid_t pid = -1;
    auto argv = argumentVector(program, arguments);
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    drain(outPipe[0], errPipe[0], run);
    if (spawned != 0)
        return run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

pid_t startProgram(
    const std::string& program, const std::vector<std::string>& arguments, const std::string& logFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    auto argv = argumentVector(program, arguments);
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

pid_t startServerProgram(const std::string& program, const std::vector<std::string>& arguments,
    const std::string& logFile, int port)
{
    pid_t pid = startProgram(program, arguments, logFile);
    if (pid < 0)
        return -1;
    bool exited = false;
    const auto ready = [&] {
        int status = 0;
        exited = ::waitpid(pid, &status, WNOHANG) == pid;
        return exited || LoopbackPortAccepting(port);
    };
    if (WaitUntil(ready, std::chrono::seconds(10)) && !exited)
        return pid;
    if (!exited)
        stopProgram(pid);
    return -1;
}

void stopProgram(pid_t& pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}
