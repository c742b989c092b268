#include "check/html_tag_scan.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr auto npos = std::string_view::npos;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool endsName(char c) { return StopsHtml(c, HtmlTagNameEnd); }

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
    const char* const end = m_rest.data() + m_rest.size();
    for (;;) {
        // Tags often follow one another with no text between: no search for those.
        const auto* open = !m_rest.empty() && m_rest.front() == '<'
            ? m_rest.data()
            : static_cast<const char*>(std::memchr(m_rest.data(), '<', m_rest.size()));
        if (!open) {
            m_rest.remove_prefix(m_rest.size());
            return false;
        }
        if (tagAt(open, end))
            return true;
    }
}

// Reads what starts at the '<' at open; true when it is a token. The rest
// is read through pointers: this runs for every '<' of a page.
bool HtmlTagScan::tagAt(const char* open, const char* end)
{
    m_begin = static_cast<std::size_t>(open - m_page.data());
    const char* at = open + 1;
    const std::size_t left = static_cast<std::size_t>(end - at);
    if (left >= 3 && at[0] == '!' && at[1] == '-' && at[2] == '-') {
        // "<!-->" already ends the comment it starts.
        const std::string_view comment(at, left);
        const std::size_t close = comment.find("-->", 1);
        m_rest = comment.substr(close == npos ? left : close + 3);
        m_token = HtmlToken::Comment;
        m_end = offset();
        return true;
    }
    const bool endTag = left > 1 && at[0] == '/' && isAsciiLetter(at[1]);
    if (!endTag && (left == 0 || !isAsciiLetter(at[0]))) {
        if (left > 0 && (at[0] == '!' || at[0] == '?')) {
            const auto* close = static_cast<const char*>(std::memchr(at, '>', left));
            at = close ? close : end;
        }
        m_rest = std::string_view(at, static_cast<std::size_t>(end - at));
        return false;
    }
    const char* const name = endTag ? at + 1 : at;
    const char* const nameEnd = HtmlStretchEnd(name + 1, end, HtmlTagNameEnd);
    m_name = std::string_view(name, static_cast<std::size_t>(nameEnd - name));
    m_element = ElementNamed(m_name);
    if (endTag) {
        // Most end tags close right after their name: no search for those.
        const auto* close = nameEnd < end && *nameEnd == '>'
            ? nameEnd
            : static_cast<const char*>(std::memchr(nameEnd, '>', static_cast<std::size_t>(end - nameEnd)));
        // An end tag without '>' ends with its name; what follows is read as the page's.
        at = close ? close + 1 : nameEnd;
        m_rest = std::string_view(at, static_cast<std::size_t>(end - at));
        m_token = HtmlToken::EndTag;
        m_end = offset();
        return true;
    }
    m_rest = std::string_view(nameEnd, static_cast<std::size_t>(end - nameEnd));
    m_token = HtmlToken::StartTag;
    m_inStartTag = true;
    m_attributesLeft = true;
    m_attributesEnd = nameEnd;
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
    endStartTag();
}
