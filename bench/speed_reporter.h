#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Prints the usual console table and keeps each benchmark's bytes per
// second under its name up to the first '/', so that a program can compare
// its own client with a reference tool measured in the same run.
class SpeedReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            const auto speed = run.counters.find("bytes_per_second");
            if (!run.error_occurred && speed != run.counters.end())
                m_speed[run.benchmark_name().substr(0, run.benchmark_name().find('/'))] = speed->second;
        }
    }

    // Bytes per second of a benchmark, 0 when it did not run or failed.
    double Speed(const std::string& name) const
    {
        const auto found = m_speed.find(name);
        return found == m_speed.end() ? 0 : found->second;
    }

    // One line: both speeds in MB/s and their ratio, with the target ratio
    // when there is one. Nothing when either did not run.
    void PrintRatio(const std::string& ours, const std::string& oursName, const std::string& theirs,
        const std::string& theirsName, double target = 0) const
    {
        const double oursSpeed = Speed(ours);
        const double theirsSpeed = Speed(theirs);
        if (oursSpeed <= 0 || theirsSpeed <= 0)
            return;
        std::printf("%s %.0f MB/s, %s %.0f MB/s, ratio %.2f", oursName.c_str(), oursSpeed / 1e6,
            theirsName.c_str(), theirsSpeed / 1e6, oursSpeed / theirsSpeed);
        if (target > 0)
            std::printf(" (target >= %.2f)", target);
        std::printf("\n");
    }

private:
    std::map<std::string, double> m_speed;
};
