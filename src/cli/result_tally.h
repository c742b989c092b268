#pragma once

#include "cli/result_table.h"

// What a run's exit status and last line need of its results, tallied as
// each result is written, so that a run need not keep the results
// themselves to the end. Qt-free; nothing here blocks or throws.
class ResultTally
{
public:
    void add(const SiteResult& result);

    // resultsExitStatus of the results added.
    int exitStatus(FailOn failOn) const;
    // How many of them are one-sided exchanges (IsOneSided).
    int oneSided() const { return m_oneSided; }

private:
    bool m_missing = false;
    bool m_notCounted = false; // a link found that does not count (LinkCountsOf says No)
    bool m_unreachable = false;
    int m_oneSided = 0;
};
