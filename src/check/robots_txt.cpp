#include "check/robots_txt.h"

#include "check/web_address.h"
#include "net/text_util.h"

#include <algorithm>
#include <optional>

namespace {

constexpr char byteOrderMark[] = "\xEF\xBB\xBF";
constexpr char hexDigits[] = "0123456789ABCDEF";

bool isUnreserved(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

void appendEscaped(Text& out, unsigned char c)
{
    out += '%';
    out += hexDigits[c >> 4];
    out += hexDigits[c & 0x0F];
}

// The one form in which a rule's path and an address are compared.
Text normalised(std::string_view raw)
{
    Text out;
    out.reserve(raw.size());
    for (std::size_t at = 0; at < raw.size(); ++at) {
        const auto c = static_cast<unsigned char>(raw[at]);
        const int high = c == '%' && at + 2 < raw.size() ? HexDigitValue(raw[at + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(raw[at + 2]) : -1;
        if (low >= 0) {
            const auto decoded = static_cast<unsigned char>(high * 16 + low);
            if (isUnreserved(decoded))
                out += static_cast<char>(decoded);
            else
                appendEscaped(out, decoded);
            at += 2;
        } else if (c <= 0x20 || c >= 0x7F) {
            appendEscaped(out, c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Whether path, a rule's normalised path, matches the front of target, or
// all of it when path ends in '$'. Each piece between '*'s is taken at its
// first place after the piece before: the earliest place leaves the most
// room for the pieces after it, so no other place need be tried.
bool matches(std::string_view path, std::string_view target)
{
    const bool toTheEnd = !path.empty() && path.back() == '$';
    if (toTheEnd)
        path.remove_suffix(1);
    std::size_t star = path.find('*');
    if (!target.starts_with(path.substr(0, star)))
        return false;
    if (star == std::string_view::npos)
        return !toTheEnd || target.size() == path.size();
    std::size_t at = star;
    for (;;) {
        path.remove_prefix(star + 1);
        at = std::min(at, target.size());
        star = path.find('*');
        const std::string_view piece = path.substr(0, star);
        if (star == std::string_view::npos && toTheEnd)
            return target.size() - at >= piece.size() && target.ends_with(piece);
        const std::size_t found = target.find(piece, at);
        if (found == std::string_view::npos || star == std::string_view::npos)
            return found != std::string_view::npos;
        at = found + piece.size();
    }
}

// A User-agent line's name: its product token up to a '/' or blank, in lower case.
Text agentName(std::string_view value) { return LowerText(value.substr(0, value.find_first_of("/ \t"))); }

// How well a group's name fits the spider: the name's length, -1 when it does not apply.
int fitOf(const Text& name, const Text& spider)
{
    if (name == "*")
        return 0;
    const bool own = spider == name || (spider.starts_with(name) && spider[name.size()] == '-');
    return !name.empty() && own ? static_cast<int>(name.size()) : -1;
}

struct Line {
    Text key; // lower case
    std::string_view value;
};

// The key and value of a line without its comment; empty when it has no ':'.
std::optional<Line> readLine(std::string_view line)
{
    line = line.substr(0, line.find('#'));
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    return Line { LowerText(trimmed(line.substr(0, colon))), trimmed(line.substr(colon + 1)) };
}

}

RobotsTxt::RobotsTxt(std::string_view file, std::string_view spider)
{
    file = file.substr(0, FileLimit);
    if (file.starts_with(byteOrderMark))
        file.remove_prefix(3);
    const Text spiderName = LowerText(spider);
    int bestFit = -1;
    int groupFit = -1; // the fit of the group being read
    bool inAgents = false; // the last line was a User-agent line
    while (!file.empty()) {
        const std::size_t end = std::min(file.find_first_of("\r\n"), file.size());
        const std::string_view text = file.substr(0, end);
        file.remove_prefix(std::min(end + 1, file.size()));
        if (text.size() > LineLimit)
            continue;
        const std::optional<Line> line = readLine(text);
        if (!line)
            continue;
        if (line->key == "user-agent") {
            groupFit = inAgents ? std::max(groupFit, fitOf(agentName(line->value), spiderName))
                                : fitOf(agentName(line->value), spiderName);
            inAgents = true;
            continue;
        }
        const bool allow = line->key == "allow";
        if (!allow && line->key != "disallow")
            continue;
        inAgents = false;
        // A group that applies best wins even without a rule: an empty Disallow allows all.
        if (groupFit < 0 || groupFit < bestFit)
            continue;
        if (groupFit > bestFit)
            m_rules.clear();
        bestFit = groupFit;
        if (!line->value.empty() && m_rules.size() < RuleLimit)
            m_rules.push_back({ normalised(line->value), allow });
    }
}

bool RobotsTxt::Allows(std::string_view target) const
{
    const Text address = normalised(target.empty() ? std::string_view("/") : target);
    // The file itself is always there to be read.
    if (address == "/robots.txt")
        return true;
    std::size_t longest = 0;
    bool allowed = true;
    for (const Rule& rule : m_rules) {
        if (rule.path.size() < longest || !matches(rule.path, address))
            continue;
        allowed = rule.path.size() > longest ? rule.allow : allowed || rule.allow;
        longest = rule.path.size();
    }
    return allowed;
}

bool RobotsTxt::IsText(std::string_view body) { return body.find('\0') == std::string_view::npos; }
