#include "check/html_element.h"

#include "check/html_markup.h"

namespace {

struct NamedElement {
    std::string_view name;
    HtmlElement element;
};

using E = HtmlElement;

// By the length of their name, so that a tag is compared with a few names at most.
constexpr NamedElement oneOrTwo[] = { { "a", E::A }, { "p", E::Sibling }, { "br", E::Void },
    { "hr", E::Void }, { "li", E::Sibling }, { "dt", E::Sibling }, { "dd", E::Sibling }, { "tr", E::Sibling },
    { "td", E::Sibling }, { "th", E::Sibling } };
constexpr NamedElement three[]
    = { { "div", E::Div }, { "img", E::Void }, { "col", E::Void }, { "wbr", E::Void } };
constexpr NamedElement four[] = { { "area", E::Area }, { "meta", E::Meta }, { "link", E::Link },
    { "form", E::Form }, { "base", E::Void } };
constexpr NamedElement five[] = { { "style", E::Style }, { "title", E::Title }, { "input", E::Input },
    { "embed", E::Void }, { "param", E::Void }, { "track", E::Void } };
constexpr NamedElement six[]
    = { { "script", E::Script }, { "iframe", E::IFrame }, { "option", E::Sibling }, { "source", E::Void } };
constexpr NamedElement eight[] = { { "textarea", E::TextArea }, { "noscript", E::NoScript } };

template <std::size_t Count> HtmlElement lookUp(const NamedElement (&table)[Count], std::string_view name)
{
    // The first letter, compared before the rest, turns most rows down at once.
    const char first = LowerAsciiChar(name.front());
    for (const NamedElement& row : table) {
        if (row.name.front() == first && EqualsIgnoringCase(name, row.name))
            return row.element;
    }
    return HtmlElement::Other;
}

}

HtmlElement ElementNamed(std::string_view name)
{
    switch (name.size()) {
    case 1:
    case 2:
        return lookUp(oneOrTwo, name);
    case 3:
        return lookUp(three, name);
    case 4:
        return lookUp(four, name);
    case 5:
        return lookUp(five, name);
    case 6:
        return lookUp(six, name);
    case 8:
        return lookUp(eight, name);
    default:
        return HtmlElement::Other;
    }
}

bool IsVoidElement(HtmlElement element)
{
    return element == E::Void || element == E::Area || element == E::Meta || element == E::Link
        || element == E::Input;
}
