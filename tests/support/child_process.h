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
