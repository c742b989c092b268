#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Runs another program for the integration tests.

struct ProgramRun {
    int status = -1; // exit status, -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs program with arguments, waits for it and collects both output streams.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments);

// Starts program with arguments, its output going to logFile; returns its id (-1 on failure).
pid_t startProgram(
    const std::string& program, const std::vector<std::string>& arguments, const std::string& logFile);

// Starts a server program as startProgram does and waits up to 10 s until it
// accepts connections on port of 127.0.0.1. Returns its id, or -1 when it
// did not start, exited or never accepted (a program still running is then
// stopped).
pid_t startServerProgram(const std::string& program, const std::vector<std::string>& arguments,
    const std::string& logFile, int port);

// Ends a started program and waits for it; pid becomes -1. Nothing for -1.
void stopProgram(pid_t& pid);
