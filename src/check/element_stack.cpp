#include "check/element_stack.h"

#include "check/html_markup.h"

#include <algorithm>

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    // A start and an end tag mostly write a name alike: a byte equal as written needs no folding.
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return x == y || LowerAsciiChar(x) == LowerAsciiChar(y);
    });
}

// Whether the declarations of style set property to value (lower case),
// blanks around either and letter case ignored.
bool declares(std::string_view style, std::string_view property, std::string_view value)
{
    std::size_t at = 0;
    while (at < style.size()) {
        const std::size_t end = std::min(style.find(';', at), style.size());
        const std::string_view declaration = style.substr(at, end - at);
        const std::size_t colon = declaration.find(':');
        if (colon != std::string_view::npos
            && EqualsIgnoringCase(TrimHtmlSpace(declaration.substr(0, colon)), property)) {
            // "!important" after the value changes nothing here.
            std::string_view given = declaration.substr(colon + 1);
            given = given.substr(0, std::min(given.find('!'), given.size()));
            if (EqualsIgnoringCase(TrimHtmlSpace(given), value))
                return true;
        }
        at = end + 1;
    }
    return false;
}

}

void ElementStack::Start(std::string_view name, HtmlElement element, bool hidden)
{
    if (element == HtmlElement::Sibling && m_depth > 0 && m_uncounted == 0
        && sameName(m_names[m_depth - 1], name))
        --m_depth;
    if (m_depth == keptDepth) {
        ++m_uncounted;
        return;
    }
    const bool parentHidden = m_depth > 0 && m_hidden[m_depth - 1];
    const bool parentNoScript = m_depth > 0 && m_noScript[m_depth - 1];
    m_names[m_depth] = name;
    m_hidden[m_depth] = hidden || parentHidden;
    m_noScript[m_depth] = parentNoScript || element == HtmlElement::NoScript;
    ++m_depth;
}

void ElementStack::End(std::string_view name)
{
    if (m_uncounted > 0) {
        --m_uncounted;
        return;
    }
    const std::size_t searched = std::min(m_depth, endSearchDepth);
    for (std::size_t back = 1; back <= searched; ++back) {
        if (sameName(m_names[m_depth - back], name)) {
            m_depth -= back;
            return;
        }
    }
}

bool ElementStack::StyleHides(std::string_view style)
{
    return !style.empty() && (declares(style, "display", "none") || declares(style, "visibility", "hidden"));
}
