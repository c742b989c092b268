#include "check/check_outcome.h"

#include "base/gbk_codec.h"
#include "check/back_link.h"
#include "check/link_counts.h"
#include "net/socket_error.h"

#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr char comma[] = "\xA3\xAC"; // ，
// Added to the reason of a page that answered when its robots.txt could not be read.
constexpr char robotsTxtUnread[]
    = "\xA3\xACrobots.txt \xCE\xB4\xC4\xDC\xB6\xC1\xC8\xA1"; // ，robots.txt 未能读取

struct ErrorSentence {
    std::int32_t code;
    const char* text;
};

// The codes a fetch commonly ends with, in the operator's words.
constexpr ErrorSentence errorSentences[] = {
    { SE_ConnectionRefused, "\xC1\xAC\xBD\xD3\xB1\xBB\xBE\xDC\xBE\xF8" }, // 连接被拒绝
    { SE_TimedOut, "\xC1\xAC\xBD\xD3\xB3\xAC\xCA\xB1" }, // 连接超时
    { SE_ConnectionReset, "\xC1\xAC\xBD\xD3\xB1\xBB\xB6\xD4\xB7\xBD\xB6\xCF\xBF\xAA" }, // 连接被对方断开
    { SE_ConnectionAborted, "\xC1\xAC\xBD\xD3\xB1\xBB\xD6\xD0\xD6\xB9" }, // 连接被中止
    { SE_HostNotFound, "\xD5\xD2\xB2\xBB\xB5\xBD\xD6\xF7\xBB\xFA" }, // 找不到主机
    { SE_TryAgain, "\xD3\xF2\xC3\xFB\xD4\xDD\xCA\xB1\xCE\xDE\xB7\xA8\xBD\xE2\xCE\xF6" }, // 域名暂时无法解析
    { SE_NoRecovery, "\xD3\xF2\xC3\xFB\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC" }, // 域名解析失败
    { SE_NoData,
        "\xB8\xC3\xD3\xF2\xC3\xFB\xC3\xBB\xD3\xD0\xB5\xD8\xD6\xB7\xBC\xC7\xC2\xBC" }, // 该域名没有地址记录
    { SE_HostUnreachable, "\xCE\xDE\xB7\xA8\xB5\xBD\xB4\xEF\xD6\xF7\xBB\xFA" }, // 无法到达主机
    { SE_NetworkUnreachable, "\xCD\xF8\xC2\xE7\xB2\xBB\xBF\xC9\xB4\xEF" }, // 网络不可达
    { SE_NetworkDown, "\xCD\xF8\xC2\xE7\xD2\xD1\xB6\xCF\xBF\xAA" }, // 网络已断开
    { SE_HostDown, "\xD6\xF7\xBB\xFA\xD2\xD1\xB9\xD8\xB1\xD5" }, // 主机已关闭
    { SE_TooManyOpenFiles, "\xB4\xF2\xBF\xAA\xB5\xC4\xCE\xC4\xBC\xFE\xCC\xAB\xB6\xE0" }, // 打开的文件太多
    { SE_InvalidArgument, "\xCD\xF8\xD6\xB7\xCE\xDE\xD0\xA7" }, // 网址无效
    { SE_AddressNotAvailable, "\xB5\xD8\xD6\xB7\xBB\xF2\xB6\xCB\xBF\xDA\xCE\xDE\xD0\xA7" }, // 地址或端口无效
    { SE_SubsystemUnusable,
        "\xB0\xB2\xC8\xAB\xC1\xAC\xBD\xD3\xBB\xF2\xB4\xFA\xC0\xED\xCE\xD5\xCA\xD6\xCA\xA7\xB0\xDC" }, // 安全连接或代理握手失败
    { SE_NoBufferSpace,
        "\xBB\xD8\xD3\xA6\xD6\xD0\xB5\xC4\xD2\xBB\xD0\xD0\xB9\xFD\xB3\xA4" }, // 回应中的一行过长
    { SE_ProtocolNotSupported, "\xCE\xDE\xB7\xA8\xCA\xB9\xD3\xC3 TLS \xBF\xE2" }, // 无法使用 TLS 库
    { SE_PermissionDenied, "\xD6\xA4\xCA\xE9\xD1\xE9\xD6\xA4\xCA\xA7\xB0\xDC" }, // 证书验证失败
    { SE_MessageTooLong, "\xBB\xD8\xD3\xA6\xCD\xB7\xB9\xFD\xB3\xA4" }, // 回应头过长
    { SE_BadFraming,
        "\xBB\xD8\xD3\xA6\xB3\xA4\xB6\xC8\xBB\xF2\xB7\xD6\xBF\xE9\xD3\xD0\xCE\xF3" }, // 回应长度或分块有误
};

Text errorReason(std::int32_t code)
{
    const Text number = " (" + std::to_string(code) + ")";
    for (const ErrorSentence& row : errorSentences) {
        if (row.code == code)
            return row.text + number;
    }
    return "\xCD\xF8\xC2\xE7\xB4\xED\xCE\xF3" + number; // 网络错误
}

Text statusText(const CheckOutcome& outcome)
{
    Text text = "HTTP " + std::to_string(outcome.status);
    if (!outcome.reasonPhrase.empty())
        text += " " + outcome.reasonPhrase;
    return text;
}

// The link counts for less where the page does not show it as a link, or
// when the link or the page asks search engines to pass it by; the causes
// follow the strongest first. A link that counts is named by its anchor.
Text foundReason(const CheckOutcome& outcome)
{
    const std::vector<Text> causes = FoundLinkCauses(outcome);
    Text reason = "\xD5\xD2\xB5\xBD\xC1\xB4\xBD\xD3"; // 找到链接
    std::size_t cause = 0;
    if (outcome.placement == LinkPlacement::Text) {
        reason = "\xD6\xBB\xD4\xDA\xCE\xC4\xD7\xD6\xC0\xEF\xB3\xF6\xCF\xD6\xA3\xAC\xC3\xBB\xD3\xD0\xC1\xB4"
                 "\xBD\xD3"; // 只在文字里出现，没有链接
    } else if (!causes.empty()) {
        // A cause that begins with a Latin word stands a blank apart from the Chinese before it.
        const bool latin = std::isalpha(static_cast<unsigned char>(causes.front().front())) != 0;
        reason += comma + ("\xB5\xAB" + Text(latin ? " " : "") + causes[cause++]); // 但
    }
    for (; cause < causes.size(); ++cause)
        reason += comma + causes[cause];
    const Text unread = outcome.robotsTxt == RobotsTxtAnswer::Unknown ? robotsTxtUnread : "";
    if (!causes.empty() || outcome.placement == LinkPlacement::Text)
        return reason + unread;
    if (outcome.match == QueryMatch::Utf8)
        reason += " (\xD2\xB3\xC3\xE6\xD3\xC3 UTF-8 \xB1\xE0\xC2\xEB)"; // (页面用 UTF-8 编码)
    // Before the anchor, whose text may say anything.
    reason += unread;
    if (!outcome.anchor.empty())
        reason += comma + ("\xC3\xAA\xCE\xC4\xB1\xBE: " + ShownInReason(outcome.anchor)); // 锚文本:
    return reason;
}

// "页面有指向本站的链接: <link> (<difference>)". A long link is shortened
// to its front and "…", so that the sentence stays one readable line in a
// hint; the outcome's near keeps the link itself.
Text nearReason(const CheckOutcome& outcome)
{
    // 页面有指向本站的链接:
    return "\xD2\xB3\xC3\xE6\xD3\xD0\xD6\xB8\xCF\xF2\xB1\xBE\xD5\xBE\xB5\xC4\xC1\xB4\xBD\xD3: "
        + ShownInReason(outcome.near) + " (" + outcome.nearDifference + ")";
}

// "未能看到真实页面: 验证页" or "…: 页面内容由脚本生成"; empty for a real page.
Text unseenPageReason(PageKind page)
{
    const Text head
        = "\xCE\xB4\xC4\xDC\xBF\xB4\xB5\xBD\xD5\xE6\xCA\xB5\xD2\xB3\xC3\xE6: "; // 未能看到真实页面:
    if (page == PageKind::Challenge)
        return head + "\xD1\xE9\xD6\xA4\xD2\xB3"; // 验证页
    if (page == PageKind::Script)
        return head
            + "\xD2\xB3\xC3\xE6\xC4\xDA\xC8\xDD\xD3\xC9\xBD\xC5\xB1\xBE\xC9\xFA\xB3\xC9"; // 页面内容由脚本生成
    return {};
}

// A response came without the query: a redirect says where the page went, an
// error status names itself, a link to the site in another form is named,
// a page not really seen says what stood in for it, a cut-off page says why
// it was cut.
Text missingReason(const CheckOutcome& outcome)
{
    if (outcome.status >= 300 && outcome.status < 400 && !outcome.location.empty())
        return "\xD2\xB3\xC3\xE6\xD2\xD1\xD7\xAA\xB5\xBD " + outcome.location; // 页面已转到
    const Text unseen = unseenPageReason(outcome.page);
    if (outcome.status < 200 || outcome.status >= 300)
        return unseen.empty() ? statusText(outcome) : unseen + " (" + statusText(outcome) + ")";
    if (!outcome.near.empty())
        return nearReason(outcome);
    if (!unseen.empty())
        return unseen;
    const Text missing
        = "\xD2\xB3\xC3\xE6\xC9\xCF\xC3\xBB\xD3\xD0\xC4\xBF\xB1\xEA\xC1\xB4\xBD\xD3"; // 页面上没有目标链接
    if (outcome.error != 0)
        return missing + "\xA3\xAC\xD2\xB3\xC3\xE6\xC3\xBB\xD3\xD0\xCA\xD5\xC8\xAB: "
            + errorReason(outcome.error); // ，页面没有收全:
    return missing + " (" + statusText(outcome) + ")";
}

Text uncappedReason(const CheckOutcome& outcome)
{
    switch (outcome.kind) {
    case CheckOutcomeKind::Found:
        return foundReason(outcome);
    case CheckOutcomeKind::Missing:
        return missingReason(outcome)
            + (outcome.robotsTxt == RobotsTxtAnswer::Unknown ? robotsTxtUnread : "");
    case CheckOutcomeKind::Unreachable:
        break;
    }
    if (outcome.error != 0)
        return errorReason(outcome.error);
    // 服务器没有给出 HTTP 回应
    return "\xB7\xFE\xCE\xF1\xC6\xF7\xC3\xBB\xD3\xD0\xB8\xF8\xB3\xF6 HTTP \xBB\xD8\xD3\xA6";
}

}

const char* OutcomeName(CheckOutcomeKind kind)
{
    switch (kind) {
    case CheckOutcomeKind::Found:
        return "found";
    case CheckOutcomeKind::Missing:
        return "missing";
    case CheckOutcomeKind::Unreachable:
        break;
    }
    return "unreachable";
}

const char* QueryMatchName(QueryMatch match)
{
    switch (match) {
    case QueryMatch::Gbk:
        return "gbk";
    case QueryMatch::Utf8:
        return "utf8";
    case QueryMatch::None:
        break;
    }
    return nullptr;
}

const char* LinkRelName(LinkRel rel)
{
    switch (rel) {
    case LinkRel::None:
        return "none";
    case LinkRel::NoFollow:
        return "nofollow";
    case LinkRel::Sponsored:
        return "sponsored";
    case LinkRel::Ugc:
        return "ugc";
    case LinkRel::NotInLink:
        break;
    }
    return nullptr;
}

const char* RobotsDirectiveName(RobotsDirective robots)
{
    switch (robots) {
    case RobotsDirective::NoFollow:
        return "nofollow";
    case RobotsDirective::NoIndex:
        return "noindex";
    case RobotsDirective::None:
        return "none";
    case RobotsDirective::Absent:
        break;
    }
    return nullptr;
}

const char* LinkPlacementName(LinkPlacement placement)
{
    constexpr const char* names[]
        = { nullptr, "link", "text", "comment", "script", "noscript", "textarea", "style", "hidden", "jump" };
    return names[static_cast<std::size_t>(placement)];
}

const char* PageKindName(PageKind page)
{
    constexpr const char* names[] = { nullptr, "ok", "challenge", "script" };
    return names[static_cast<std::size_t>(page)];
}

const char* LinkCountsName(LinkCounts counts)
{
    constexpr const char* names[] = { "unknown", "yes", "no" };
    return names[static_cast<std::size_t>(counts)];
}

const char* RobotsTxtAnswerName(RobotsTxtAnswer answer)
{
    constexpr const char* names[] = { nullptr, "allowed", "disallowed", "unknown" };
    return names[static_cast<std::size_t>(answer)];
}

const char* SpiderViewName(SpiderView view)
{
    constexpr const char* names[] = { nullptr, "same", "hidden", "only", "unreachable" };
    return names[static_cast<std::size_t>(view)];
}

const char* BackLinkName(BackLink back)
{
    constexpr const char* names[] = { nullptr, "yes", "nofollow", "no", "unknown" };
    return names[static_cast<std::size_t>(back)];
}

Text CappedOutcomeText(const Text& text)
{
    return text.size() <= OutcomeTextLimit ? text
                                           : text.substr(0, GbkCharacterCut(text, 0, OutcomeTextLimit));
}

Text OutcomeReason(const CheckOutcome& outcome)
{
    const Text reason = uncappedReason(outcome);
    return CappedOutcomeText(IsOneSided(outcome) ? OneSidedReason + Text("\xA3\xBB") + reason : reason); // ；
}

Text FetchReason(const CheckOutcome& outcome) { return CappedOutcomeText(uncappedReason(outcome)); }
