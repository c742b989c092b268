#pragma once

#include "base/text.h"
#include "check/check_outcome.h"

#include <vector>

// Whether a partner's link is one search engines count, read from the one
// outcome of its fetch. Pure functions; safe from any thread.

// No whenever robots.txt disallows the page or the spider's fetch lacks the
// link the browser's has (and the page was seen).
// Yes for a direct link (placement Link) without nofollow, sponsored or ugc,
// on a page that is not noindex, nofollow or none and whose canonical
// address is its own; No when the query is missing or any of those fails;
// Unknown when the page was not reached or not really seen (PageKind), or
// its placement was not judged.
LinkCounts LinkCountsOf(const CheckOutcome& outcome);

// Why a found link counts for less, strongest first, each a short GBK
// phrase: "robots.txt 禁止蜘蛛抓取此页", "蜘蛛看不到链接", where it sits ("在 HTML 注释里", "元素被隐藏",
// "只在脚本里", …), "页面 canonical 指向 <address>", "带 rel=nofollow", "页面标注 noindex". A match in text
// alone is not among them: it is no link at all.
std::vector<Text> FoundLinkCauses(const CheckOutcome& outcome);

// A link or anchor as a reason shows it: up to 160 bytes, then "…".
Text ShownInReason(const Text& text);

// The verdict hint's line of the answer: "计入: 是" (and "，锚文本: <anchor>"),
// "计入: 否 — <the strongest cause>" or "计入: 未知 — <why>", at most
// OutcomeTextLimit bytes.
Text LinkCountsLine(const CheckOutcome& outcome);
