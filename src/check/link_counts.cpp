#include "check/link_counts.h"

#include "base/gbk_codec.h"
#include "check/link_rel.h"

namespace {

constexpr char anchorHead[] = "\xC3\xAA\xCE\xC4\xB1\xBE: "; // 锚文本:

const char* placementCause(LinkPlacement placement)
{
    switch (placement) {
    case LinkPlacement::Comment:
        return "\xD4\xDA HTML \xD7\xA2\xCA\xCD\xC0\xEF"; // 在 HTML 注释里
    case LinkPlacement::Script:
        return "\xD6\xBB\xD4\xDA\xBD\xC5\xB1\xBE\xC0\xEF"; // 只在脚本里
    case LinkPlacement::Style:
        return "\xD6\xBB\xD4\xDA\xD1\xF9\xCA\xBD\xB1\xED\xC0\xEF"; // 只在样式表里
    case LinkPlacement::TextArea:
        return "\xD6\xBB\xD4\xDA\xCE\xC4\xB1\xBE\xBF\xF2\xC0\xEF"; // 只在文本框里
    case LinkPlacement::NoScript:
        return "\xD6\xBB\xD4\xDA noscript \xC0\xEF"; // 只在 noscript 里
    case LinkPlacement::Hidden:
        return "\xD4\xAA\xCB\xD8\xB1\xBB\xD2\xFE\xB2\xD8"; // 元素被隐藏
    case LinkPlacement::Jump:
        return "\xBE\xAD\xB6\xD4\xB7\xBD\xCC\xF8\xD7\xAA"; // 经对方跳转
    case LinkPlacement::None:
    case LinkPlacement::Link:
    case LinkPlacement::Text:
        break;
    }
    return nullptr;
}

// A rel read inside markup the page does not show as a link tells nothing.
bool relApplies(LinkPlacement placement)
{
    return placement != LinkPlacement::Comment && placement != LinkPlacement::Script
        && placement != LinkPlacement::Style && placement != LinkPlacement::TextArea
        && placement != LinkPlacement::Text;
}

}

LinkCounts LinkCountsOf(const CheckOutcome& outcome)
{
    if (outcome.kind == CheckOutcomeKind::Unreachable || outcome.page == PageKind::Challenge
        || outcome.page == PageKind::Script)
        return LinkCounts::Unknown;
    if (outcome.kind == CheckOutcomeKind::Missing || outcome.robotsTxt == RobotsTxtAnswer::Disallowed
        || outcome.spider == SpiderView::Hidden)
        return LinkCounts::No;
    if (outcome.placement == LinkPlacement::None)
        return LinkCounts::Unknown;
    const bool direct = outcome.placement == LinkPlacement::Link && !RelPassesBy(outcome.rel);
    return direct && outcome.robots == RobotsDirective::Absent && outcome.canonical.empty() ? LinkCounts::Yes
                                                                                            : LinkCounts::No;
}

std::vector<Text> FoundLinkCauses(const CheckOutcome& outcome)
{
    std::vector<Text> causes;
    // A page the spider may not fetch, or gets without the link, gives nothing wherever the link sits.
    if (outcome.robotsTxt == RobotsTxtAnswer::Disallowed)
        causes.emplace_back("robots.txt \xBD\xFB\xD6\xB9\xD6\xA9\xD6\xEB\xD7\xA5\xC8\xA1\xB4\xCB"
                            "\xD2\xB3"); // robots.txt 禁止蜘蛛抓取此页
    if (outcome.spider == SpiderView::Hidden)
        causes.emplace_back("\xD6\xA9\xD6\xEB\xBF\xB4\xB2\xBB\xB5\xBD\xC1\xB4\xBD\xD3"); // 蜘蛛看不到链接
    if (const char* cause = placementCause(outcome.placement))
        causes.emplace_back(cause);
    if (!outcome.canonical.empty())
        causes.push_back("\xD2\xB3\xC3\xE6 canonical \xD6\xB8\xCF\xF2 "
            + ShownInReason(outcome.canonical)); // 页面 canonical 指向
    if (relApplies(outcome.placement) && RelPassesBy(outcome.rel))
        causes.push_back("\xB4\xF8 rel=" + Text(LinkRelName(outcome.rel))); // 带 rel=
    if (outcome.robots != RobotsDirective::Absent)
        causes.push_back(
            "\xD2\xB3\xC3\xE6\xB1\xEA\xD7\xA2 " + Text(RobotsDirectiveName(outcome.robots))); // 页面标注
    return causes;
}

Text ShownInReason(const Text& text)
{
    constexpr std::size_t shownLimit = 160;
    return text.size() <= shownLimit ? text
                                     : text.substr(0, GbkCharacterCut(text, 0, shownLimit)) + "\xA1\xAD"; // …
}

Text LinkCountsLine(const CheckOutcome& outcome)
{
    const Text head = "\xBC\xC6\xC8\xEB: "; // 计入:
    const Text dash = " \xA1\xAA "; // —
    Text line;
    switch (LinkCountsOf(outcome)) {
    case LinkCounts::Yes:
        line = head + "\xCA\xC7"; // 是
        if (!outcome.anchor.empty())
            line += "\xA3\xAC" + (anchorHead + ShownInReason(outcome.anchor)); // ，
        break;
    case LinkCounts::No: {
        const std::vector<Text> causes = FoundLinkCauses(outcome);
        const bool found
            = outcome.kind == CheckOutcomeKind::Found && outcome.placement != LinkPlacement::Text;
        line = head + "\xB7\xF1" + dash
            + (found && !causes.empty() ? causes.front() : FetchReason(outcome)); // 否
        break;
    }
    case LinkCounts::Unknown:
        line = head + "\xCE\xB4\xD6\xAA" + dash + FetchReason(outcome); // 未知
        break;
    }
    return CappedOutcomeText(line);
}
