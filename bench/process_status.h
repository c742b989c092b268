#pragma once

#include <fstream>
#include <string>

// A field of /proc/self/status in its own unit (kB for memory, a count for
// "Threads"), 0 if missing.
inline long ProcessStatusField(const std::string& name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) == 0)
            return std::stol(line.substr(name.size() + 1));
    }
    return 0;
}

// Makes VmHWM start again from the current resident size.
inline void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }
