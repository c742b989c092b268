#include "cli/result_tally.h"

#include "check/back_link.h"
#include "check/link_counts.h"
#include "check/verdict_texts.h"

namespace {

constexpr int exitMissing = 1;
constexpr int exitUnreachable = 3;

}

void ResultTally::add(const SiteResult& result)
{
    CheckOutcomeKind kind
        = result.verdict == verdictFound ? CheckOutcomeKind::Found : CheckOutcomeKind::Unreachable;
    if (result.outcome) {
        kind = result.outcome->kind;
        m_notCounted = m_notCounted
            || (kind == CheckOutcomeKind::Found && LinkCountsOf(*result.outcome) == LinkCounts::No);
        m_oneSided += IsOneSided(*result.outcome) ? 1 : 0;
    }
    m_missing = m_missing || kind == CheckOutcomeKind::Missing;
    m_unreachable = m_unreachable || kind == CheckOutcomeKind::Unreachable;
}

int ResultTally::exitStatus(FailOn failOn) const
{
    if (m_missing || (failOn == FailOn::NotCounted && m_notCounted))
        return exitMissing;
    return m_unreachable ? exitUnreachable : 0;
}
