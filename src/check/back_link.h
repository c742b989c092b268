#pragma once

#include "base/text.h"
#include "check/check_outcome.h"

// What the operator's own pages say of a partner, read from its outcome.
// Pure functions; safe from any thread.

// Whether the exchange is one-sided: the partner's link is missing or does
// not count (LinkCountsOf gives No) while an own page links the partner
// (back Yes or NoFollow).
bool IsOneSided(const CheckOutcome& outcome);

// "单向链接: 对方没有有效链接，我方仍链接对方", GBK: what the reason of a one-sided exchange says first.
extern const char OneSidedReason[];

// The verdict hint's line of the own pages: "我方链接: 有", "我方链接: 无",
// "我方链接: 带 nofollow" or "我方链接: 未知"; empty when they were not checked.
Text BackLinkLine(const CheckOutcome& outcome);
