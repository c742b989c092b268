#pragma once

#include "check/html_element.h"
#include "check/html_markup.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

// The open elements of a page as a simple reading follows them, to tell
// whether a spot of the page is hidden from visitors or inside <noscript>.
// The caller pushes an element at its start tag unless it is a void
// element or its tag ends with "/>"; a start tag of p, li, dt, dd, option,
// tr, td or th first ends an open element of its own name at the top. An end tag ends the nearest open
// element of its name among the top 32, and those above it; else it is passed by. An element is hidden by its
// hidden attribute, an inline style of display:none or visibility:hidden, or a hidden ancestor. At most 256
// elements are kept; deeper ones are only counted, inherit the state of the deepest kept and are ended by any
// end tag. Names are views into the page, which must outlive the stack. A plain value; one thread at a time.
class ElementStack
{
public:
    // Start and End are inline: they run for every tag of a page.
    void Start(std::string_view name, HtmlElement element, bool hidden)
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
    void End(std::string_view name)
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
    bool Hidden() const { return m_depth > 0 && m_hidden[m_depth - 1]; }
    bool InNoScript() const { return m_depth > 0 && m_noScript[m_depth - 1]; }

    // Whether an inline style hides its element: display:none or visibility:hidden.
    static bool StyleHides(std::string_view style) { return !style.empty() && styleHides(style); }

private:
    // A start and an end tag mostly write a name alike: a byte equal as written needs no folding.
    static bool sameName(std::string_view a, std::string_view b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
            return x == y || LowerAsciiChar(x) == LowerAsciiChar(y);
        });
    }
    static bool styleHides(std::string_view style);

    static constexpr std::size_t keptDepth = 256;
    static constexpr std::size_t endSearchDepth = 32;

    std::size_t m_depth = 0;
    std::size_t m_uncounted = 0;
    // Each open element's name and state, in arrays of their own: the state
    // of one is written as it is read, with no record built aside.
    std::array<std::string_view, keptDepth> m_names {};
    std::array<bool, keptDepth> m_hidden {};
    std::array<bool, keptDepth> m_noScript {};
};
