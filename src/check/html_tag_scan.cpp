#include "check/html_tag_scan.h"

#include <algorithm>

namespace {

constexpr auto npos = std::string_view::npos;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool endsName(char c) { return StopsHtml(c, HtmlTagNameEnd); }

bool isRawTextElement(HtmlElement element)
{
    return element == HtmlElement::Script || element == HtmlElement::Style || element == HtmlElement::TextArea
        || element == HtmlElement::Title;
}

// Where "</name" followed by a blank, '/', '>' or the page's end starts in text; npos when nowhere.
std::size_t endTagOf(std::string_view text, std::string_view name)
{
    for (std::size_t at = text.find("</"); at != npos; at = text.find("</", at + 2)) {
        const std::string_view candidate = text.substr(at + 2, name.size());
        if (candidate.size() == name.size()
            && std::equal(candidate.begin(), candidate.end(), name.begin(),
                [](char a, char b) { return LowerAsciiChar(a) == LowerAsciiChar(b); })) {
            const std::size_t after = at + 2 + name.size();
            if (after == text.size() || endsName(text[after]))
                return at;
        }
    }
    return npos;
}

}

HtmlTagScan::HtmlTagScan(std::string_view page)
    : m_page(page)
    , m_rest(page)
{
}

bool HtmlTagScan::Next()
{
    if (m_inStartTag)
        finishStartTag();
    if (!m_rawElement.empty() && rawTextNext())
        return true;
    for (;;) {
        const std::size_t open = m_rest.find('<');
        if (open == npos) {
            m_rest = m_rest.substr(m_rest.size());
            return false;
        }
        if (tagAt(open))
            return true;
    }
}

// Reads what starts at the '<' open bytes into the rest; true when it is a token.
bool HtmlTagScan::tagAt(std::size_t open)
{
    m_begin = offset() + open;
    m_rest.remove_prefix(open + 1);
    if (m_rest.starts_with("!--")) {
        // "<!-->" already ends the comment it starts.
        const std::size_t close = m_rest.find("-->", 1);
        m_rest.remove_prefix(close == npos ? m_rest.size() : close + 3);
        m_token = HtmlToken::Comment;
        m_end = offset();
        return true;
    }
    const bool endTag = m_rest.size() > 1 && m_rest.front() == '/' && isAsciiLetter(m_rest[1]);
    if (!endTag && (m_rest.empty() || !isAsciiLetter(m_rest.front()))) {
        if (!m_rest.empty() && (m_rest.front() == '!' || m_rest.front() == '?'))
            m_rest.remove_prefix(std::min(m_rest.find('>'), m_rest.size()));
        return false;
    }
    const std::size_t nameAt = endTag ? 1 : 0;
    std::size_t nameEnd = nameAt + 1;
    while (nameEnd < m_rest.size() && !endsName(m_rest[nameEnd]))
        ++nameEnd;
    m_name = m_rest.substr(nameAt, nameEnd - nameAt);
    m_element = ElementNamed(m_name);
    m_rest.remove_prefix(nameEnd);
    if (endTag) {
        m_rest.remove_prefix(std::min(m_rest.find('>') + 1, m_rest.size()));
        m_token = HtmlToken::EndTag;
        m_end = offset();
        return true;
    }
    m_token = HtmlToken::StartTag;
    m_inStartTag = true;
    m_attributesLeft = true;
    m_attributesEnd = m_rest.data();
    m_selfClosing = false;
    return true;
}

// The content of the raw text element whose start tag was just read, as one token.
bool HtmlTagScan::rawTextNext()
{
    const std::string_view element = m_rawElement;
    m_rawElement = {};
    const std::size_t close = std::min(endTagOf(m_rest, element), m_rest.size());
    if (close == 0)
        return false;
    m_token = HtmlToken::RawText;
    m_name = element;
    m_begin = offset();
    m_rest.remove_prefix(close);
    m_end = offset();
    return true;
}

void HtmlTagScan::finishStartTag()
{
    HtmlAttribute attribute;
    while (NextAttribute(attribute)) { }
    // The blanks and '/' after the last attribute tell a "/>" ending.
    m_selfClosing = std::find(m_attributesEnd, m_rest.data(), '/') != m_rest.data();
    if (!m_rest.empty())
        m_rest.remove_prefix(1);
    m_inStartTag = false;
    m_end = offset();
    if (isRawTextElement(m_element))
        m_rawElement = m_name;
}
