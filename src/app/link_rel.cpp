#include "app/link_rel.h"

#include <algorithm>

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view value, std::string_view lowerName)
{
    if (value.size() != lowerName.size())
        return false;
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (lowerAscii(value[at]) != lowerName[at])
            return false;
    }
    return true;
}

enum class TagKind { Other, LinkStart, LinkEnd };

// What the tag that starts with the '<' at the front of text is: "<a" or
// "</a" followed by a blank, '>' or the end of the page.
TagKind tagKindAt(std::string_view text)
{
    const bool end = text.size() > 1 && text[1] == '/';
    const std::size_t nameAt = end ? 2 : 1;
    if (text.size() <= nameAt || lowerAscii(text[nameAt]) != 'a')
        return TagKind::Other;
    if (text.size() > nameAt + 1 && !isSpace(text[nameAt + 1]) && text[nameAt + 1] != '>')
        return TagKind::Other;
    return end ? TagKind::LinkEnd : TagKind::LinkStart;
}

// The offset of the <a start tag whose element holds the byte at offset, or
// npos: the nearest "<a" or "</a" at or before it decides. The bytes are
// walked one by one: a library search per '<' costs more on a page of tags.
std::size_t enclosingLinkStart(std::string_view page, std::size_t offset)
{
    for (std::size_t at = offset + 1; at-- > 0;) {
        if (page[at] != '<')
            continue;
        switch (tagKindAt(page.substr(at))) {
        case TagKind::LinkStart:
            return at;
        case TagKind::LinkEnd:
            return std::string_view::npos;
        case TagKind::Other:
            break;
        }
    }
    return std::string_view::npos;
}

// The first of nofollow, sponsored and ugc among the blank-separated tokens of value.
LinkRel relOfValue(std::string_view value)
{
    std::size_t at = 0;
    while (at < value.size()) {
        while (at < value.size() && isSpace(value[at]))
            ++at;
        std::size_t end = at;
        while (end < value.size() && !isSpace(value[end]))
            ++end;
        const std::string_view token = value.substr(at, end - at);
        if (equalsIgnoringCase(token, "nofollow"))
            return LinkRel::NoFollow;
        if (equalsIgnoringCase(token, "sponsored"))
            return LinkRel::Sponsored;
        if (equalsIgnoringCase(token, "ugc"))
            return LinkRel::Ugc;
        at = end;
    }
    return LinkRel::None;
}

// Reads one attribute from the front of tag (which starts at a name); moves
// tag past it and gives its name and value.
void readAttribute(std::string_view& tag, std::string_view& name, std::string_view& value)
{
    std::size_t at = 0;
    while (at < tag.size() && !isSpace(tag[at]) && tag[at] != '=' && tag[at] != '>')
        ++at;
    name = tag.substr(0, at);
    while (at < tag.size() && isSpace(tag[at]))
        ++at;
    value = {};
    if (at == tag.size() || tag[at] != '=') {
        tag.remove_prefix(at);
        return;
    }
    ++at;
    while (at < tag.size() && isSpace(tag[at]))
        ++at;
    const bool quoted = at < tag.size() && (tag[at] == '"' || tag[at] == '\'');
    const std::size_t valueAt = quoted ? at + 1 : at;
    std::size_t end = valueAt;
    if (quoted)
        end = std::min(tag.find(tag[at], valueAt), tag.size());
    else
        while (end < tag.size() && !isSpace(tag[end]) && tag[end] != '>')
            ++end;
    value = tag.substr(valueAt, end - valueAt);
    tag.remove_prefix(quoted && end < tag.size() ? end + 1 : end);
}

}

LinkRel LinkRelOfMatch(std::string_view page, std::size_t matchOffset)
{
    if (matchOffset >= page.size())
        return LinkRel::NotInLink;
    const std::size_t tagStart = enclosingLinkStart(page, matchOffset);
    if (tagStart == std::string_view::npos)
        return LinkRel::NotInLink;
    // "<a" is followed by its attributes up to the first '>' outside quotes.
    std::string_view tag = page.substr(tagStart + 2);
    for (;;) {
        while (!tag.empty() && (isSpace(tag.front()) || tag.front() == '/'))
            tag.remove_prefix(1);
        if (tag.empty() || tag.front() == '>')
            return LinkRel::None;
        std::string_view name;
        std::string_view value;
        readAttribute(tag, name, value);
        if (equalsIgnoringCase(name, "rel"))
            return relOfValue(value);
    }
}
