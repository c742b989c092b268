#pragma once

#include "check/name_table.h"

#include <cstdint>
#include <string_view>

// The elements the page reading treats apart, told by their tag's name
// (letter case ignored) once per tag.
enum class HtmlElement : std::uint8_t {
    Other,
    A,
    Area,
    Meta,
    Link,
    Script,
    Style,
    TextArea,
    Title,
    NoScript,
    Div,
    Form,
    IFrame,
    Input,
    Void, // another element without content or end tag: br, img, hr, …
    Sibling, // p, li, dt, dd, option, tr, td, th: its start tag ends an open one of its name
};

// The elements told apart by name. In the header, so that ElementNamed is
// inline: it runs for every tag of a page.
inline constexpr NameTable<HtmlElement> HtmlElementNames(
    { { "a", HtmlElement::A }, { "p", HtmlElement::Sibling }, { "br", HtmlElement::Void },
        { "hr", HtmlElement::Void }, { "li", HtmlElement::Sibling }, { "dt", HtmlElement::Sibling },
        { "dd", HtmlElement::Sibling }, { "tr", HtmlElement::Sibling }, { "td", HtmlElement::Sibling },
        { "th", HtmlElement::Sibling }, { "div", HtmlElement::Div }, { "img", HtmlElement::Void },
        { "col", HtmlElement::Void }, { "wbr", HtmlElement::Void }, { "area", HtmlElement::Area },
        { "meta", HtmlElement::Meta }, { "link", HtmlElement::Link }, { "form", HtmlElement::Form },
        { "base", HtmlElement::Void }, { "style", HtmlElement::Style }, { "title", HtmlElement::Title },
        { "input", HtmlElement::Input }, { "embed", HtmlElement::Void }, { "param", HtmlElement::Void },
        { "track", HtmlElement::Void }, { "script", HtmlElement::Script }, { "iframe", HtmlElement::IFrame },
        { "option", HtmlElement::Sibling }, { "source", HtmlElement::Void },
        { "textarea", HtmlElement::TextArea }, { "noscript", HtmlElement::NoScript } },
    HtmlElement::Other);

// The element a tag's name names. Pure function; safe from any thread.
inline HtmlElement ElementNamed(std::string_view name) { return HtmlElementNames[name]; }

// Whether the element has no content and no end tag (area, meta, link, input, br, img, …).
inline bool IsVoidElement(HtmlElement element)
{
    using E = HtmlElement;
    return element == E::Void || element == E::Area || element == E::Meta || element == E::Link
        || element == E::Input;
}

// Whether the element's content is raw text, read to its end tag as it stands: script, style, textarea,
// title.
inline bool IsRawTextElement(HtmlElement element)
{
    using E = HtmlElement;
    return element == E::Script || element == E::Style || element == E::TextArea || element == E::Title;
}
