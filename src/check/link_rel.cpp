#include "check/link_rel.h"

#include "check/html_markup.h"

namespace {

enum class TagKind { Other, LinkStart, LinkEnd };

// What the tag that starts with the '<' at the front of text is: "<a" or
// "</a" followed by a blank, '>' or the end of the page.
TagKind tagKindAt(std::string_view text)
{
    const bool end = text.size() > 1 && text[1] == '/';
    const std::size_t nameAt = end ? 2 : 1;
    if (text.size() <= nameAt || LowerAsciiChar(text[nameAt]) != 'a')
        return TagKind::Other;
    if (text.size() > nameAt + 1 && !IsHtmlSpace(text[nameAt + 1]) && text[nameAt + 1] != '>')
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
    HtmlAttribute attribute;
    while (ReadHtmlAttribute(tag, attribute)) {
        if (EqualsIgnoringCase(attribute.name, "rel"))
            return LinkRelOfValue(attribute.value);
    }
    return LinkRel::None;
}

LinkRel LinkRelOfValue(std::string_view value)
{
    LinkRel rel = LinkRel::None;
    AnyHtmlToken(value, [&rel](std::string_view token) {
        if (EqualsIgnoringCase(token, "nofollow"))
            rel = LinkRel::NoFollow;
        else if (EqualsIgnoringCase(token, "sponsored"))
            rel = LinkRel::Sponsored;
        else if (EqualsIgnoringCase(token, "ugc"))
            rel = LinkRel::Ugc;
        return rel != LinkRel::None;
    });
    return rel;
}
