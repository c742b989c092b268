#include "cli/change_notice.h"

#include "base/gbk_codec.h"
#include "cli/change_table.h"
#include "cli/control_bytes.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// A message is read on a phone: the first sites are listed and the rest
// counted, and a line whose texts are long (a redirect's whole address, a
// near link) is cut short.
constexpr std::size_t listedLineLimit = 20;
constexpr std::size_t lineByteLimit = 300;

// The most UTF-8 bytes of the text. WeCom refuses a text over 2 048 bytes;
// DingTalk and Feishu take several times more, and 4 000 keeps the message
// about one screen long. Escaping the text for JSON at most doubles it:
// only quotes, backslashes and the line ends need it.
std::size_t textByteLimit(NoticeFormat format) { return format == NoticeFormat::WeCom ? 2000 : 4000; }

constexpr char ellipsisUtf8[] = "\xE2\x80\xA6"; // …

struct KindLabel {
    ChangeKind kind;
    const char* label; // GBK
};

// The order the message lists the changes in: what the operator must act on first.
constexpr KindLabel kindLabels[] = {
    { ChangeKind::OneSided, "\xB5\xA5\xCF\xF2\xC1\xB4\xBD\xD3" }, // 单向链接
    { ChangeKind::Lost, "\xB6\xAA\xCA\xA7\xC1\xB4\xBD\xD3" }, // 丢失链接
    { ChangeKind::Stopped, "\xB2\xBB\xD4\xD9\xBC\xC6\xC8\xEB" }, // 不再计入
    { ChangeKind::Back, "\xBB\xD6\xB8\xB4\xC1\xB4\xBD\xD3" }, // 恢复链接
    { ChangeKind::Counts, "\xBB\xD6\xB8\xB4\xBC\xC6\xC8\xEB" }, // 恢复计入
    { ChangeKind::Down, "\xCE\xDE\xB7\xA8\xB7\xC3\xCE\xCA" }, // 无法访问
    { ChangeKind::Up, "\xBB\xD6\xB8\xB4\xB7\xC3\xCE\xCA" }, // 恢复访问
    { ChangeKind::Mutual, "\xBB\xD6\xB8\xB4\xBB\xA5\xC1\xB4" }, // 恢复互链
    { ChangeKind::Anchor, "\xC3\xAA\xCE\xC4\xB1\xBE\xB8\xC4\xB1\xE4" }, // 锚文本改变
    { ChangeKind::Target, "\xC1\xB4\xBD\xD3\xB5\xD8\xD6\xB7\xB8\xC4\xB1\xE4" }, // 链接地址改变
};

// One line per site: line breaks, tabs and other control bytes in a name or
// a reason become blanks.
std::string oneLine(const std::string& utf8) { return defusedText(utf8, ControlBytes::Blanked); }

// utf8 cut to at most limit bytes, ending in an ellipsis when it was cut. The
// cut backs up over continuation bytes so that no character is split.
std::string cappedLine(const std::string& utf8, std::size_t limit)
{
    if (utf8.size() <= limit)
        return utf8;
    return utf8.substr(0, Utf8CharacterCut(utf8, limit - (sizeof ellipsisUtf8 - 1))) + ellipsisUtf8;
}

// Where kind comes in kindLabels.
std::size_t rankOf(ChangeKind kind)
{
    const auto* row = std::find_if(std::begin(kindLabels), std::end(kindLabels),
        [kind](const KindLabel& label) { return label.kind == kind; });
    return static_cast<std::size_t>(row - std::begin(kindLabels));
}

// Where the change comes in kindLabels: by its foremost kind.
std::size_t rankOf(const SiteChange& change)
{
    std::size_t rank = std::size(kindLabels);
    for (const ChangeKind kind : change.kinds.list())
        rank = std::min(rank, rankOf(kind));
    return rank;
}

// "丢失链接: <name> <address> — <reason>", the reason being what changed in
// the link, else why the site ended as it did in the newer run; a site with
// several kinds of change names each: "不再计入、锚文本改变: …".
std::string changeLine(const SiteChange& change)
{
    const HistoryEntry& after = change.after;
    Text labels;
    for (const KindLabel& label : kindLabels)
        if (change.kinds.has(label.kind))
            labels += (labels.empty() ? "" : "\xA1\xA2") + Text(label.label); // 、
    const Text reason = !change.detail.empty() ? change.detail
        : after.outcome                        ? OutcomeReason(*after.outcome)
                                               : after.verdict;
    const Text line = labels + ": " + after.name + " " + after.address + " \xA1\xAA " + reason; // —
    return cappedLine(oneLine(GbkToUtf8(line)), lineByteLimit);
}

// An earlier run's changes, told late, come before a later run's, so that
// a site's lines read in the order its changes came; within one run, in the
// order of kindLabels.
std::vector<std::string> changeLines(const std::vector<SiteChange>& changes)
{
    std::vector<const SiteChange*> ordered;
    for (const SiteChange& change : changes)
        ordered.push_back(&change);
    std::stable_sort(ordered.begin(), ordered.end(), [](const SiteChange* one, const SiteChange* other) {
        return std::pair(one->after.run, rankOf(*one)) < std::pair(other->after.run, rankOf(*other));
    });
    std::vector<std::string> lines;
    for (const SiteChange* change : ordered)
        lines.push_back(changeLine(*change));
    return lines;
}

// "LinkWatch 检查 <list>，<count> 个网站有变化". The name passes through GBK,
// the set the system's texts are in, so that bytes which are not UTF-8 cannot
// reach the JSON.
std::string headerLine(const std::string& listName, std::size_t count)
{
    const Text line = "LinkWatch \xBC\xEC\xB2\xE9 " + Utf8ToGbk(listName) + "\xA3\xAC" + std::to_string(count)
        + " \xB8\xF6\xCD\xF8\xD5\xBE\xD3\xD0\xB1\xE4\xBB\xAF";
    return cappedLine(oneLine(GbkToUtf8(line)), lineByteLimit);
}

// "… 另有 <count> 个": the changes the message had no room for.
std::string remainderLine(std::size_t count)
{
    return GbkToUtf8("\xA1\xAD \xC1\xED\xD3\xD0 " + std::to_string(count) + " \xB8\xF6");
}

std::string noticeText(const std::vector<SiteChange>& changes, const std::string& listName, std::size_t limit)
{
    const std::vector<std::string> lines = changeLines(changes);
    std::string text = headerLine(listName, lines.size());
    // Room is kept for the remainder line while any line may still be left out.
    const std::size_t remainderRoom = 1 + remainderLine(lines.size()).size();
    std::size_t listed = 0;
    for (; listed < lines.size() && listed < listedLineLimit; ++listed) {
        const std::size_t room = listed + 1 < lines.size() ? remainderRoom : 0;
        if (text.size() + 1 + lines[listed].size() + room > limit)
            break;
        text += '\n' + lines[listed];
    }
    if (listed < lines.size())
        text += '\n' + remainderLine(lines.size() - listed);
    return text;
}

}

std::string NoticeBody(
    const std::vector<SiteChange>& changes, NoticeFormat format, const std::string& listName)
{
    if (format == NoticeFormat::Json) {
        std::ostringstream out;
        writeChangeTable(changes, OutputFormat::Json, OutputEncoding::Utf8, out);
        return out.str();
    }
    const std::string text = noticeText(changes, listName, textByteLimit(format));
    // Ordered, so that the keys go out in the order the robots document them.
    const nlohmann::ordered_json body = format == NoticeFormat::Feishu
        ? nlohmann::ordered_json { { "msg_type", "text" }, { "content", { { "text", text } } } }
        : nlohmann::ordered_json { { "msgtype", "text" }, { "text", { { "content", text } } } };
    return body.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
