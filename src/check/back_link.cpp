#include "check/back_link.h"

#include "check/link_counts.h"

const char OneSidedReason[]
    = "\xB5\xA5\xCF\xF2\xC1\xB4\xBD\xD3: \xB6\xD4\xB7\xBD\xC3\xBB\xD3\xD0\xD3\xD0\xD0\xA7"
      "\xC1\xB4\xBD\xD3\xA3\xAC\xCE\xD2\xB7\xBD\xC8\xD4\xC1\xB4\xBD\xD3\xB6\xD4\xB7\xBD";

bool IsOneSided(const CheckOutcome& outcome)
{
    return (outcome.back == BackLink::Yes || outcome.back == BackLink::NoFollow)
        && LinkCountsOf(outcome) == LinkCounts::No;
}

Text BackLinkLine(const CheckOutcome& outcome)
{
    const Text line = "\xCE\xD2\xB7\xBD\xC1\xB4\xBD\xD3: "; // 我方链接:
    switch (outcome.back) {
    case BackLink::Yes:
        return line + "\xD3\xD0"; // 有
    case BackLink::NoFollow:
        return line + "\xB4\xF8 nofollow"; // 带 nofollow
    case BackLink::No:
        return line + "\xCE\xDE"; // 无
    case BackLink::Unknown:
        return line + "\xCE\xB4\xD6\xAA"; // 未知
    case BackLink::NotChecked:
        break;
    }
    return {};
}
