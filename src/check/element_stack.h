#pragma once

#include "check/html_element.h"

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
    void Start(std::string_view name, HtmlElement element, bool hidden);
    void End(std::string_view name);
    bool Hidden() const { return m_depth > 0 && m_hidden[m_depth - 1]; }
    bool InNoScript() const { return m_depth > 0 && m_noScript[m_depth - 1]; }

    // Whether an inline style hides its element: display:none or visibility:hidden.
    static bool StyleHides(std::string_view style);

private:
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
