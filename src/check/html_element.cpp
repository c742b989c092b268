#include "check/html_element.h"

#include "check/name_table.h"

namespace {

using E = HtmlElement;

constexpr NameTable<HtmlElement> elements(
    { { "a", E::A }, { "p", E::Sibling }, { "br", E::Void }, { "hr", E::Void }, { "li", E::Sibling },
        { "dt", E::Sibling }, { "dd", E::Sibling }, { "tr", E::Sibling }, { "td", E::Sibling },
        { "th", E::Sibling }, { "div", E::Div }, { "img", E::Void }, { "col", E::Void }, { "wbr", E::Void },
        { "area", E::Area }, { "meta", E::Meta }, { "link", E::Link }, { "form", E::Form },
        { "base", E::Void }, { "style", E::Style }, { "title", E::Title }, { "input", E::Input },
        { "embed", E::Void }, { "param", E::Void }, { "track", E::Void }, { "script", E::Script },
        { "iframe", E::IFrame }, { "option", E::Sibling }, { "source", E::Void }, { "textarea", E::TextArea },
        { "noscript", E::NoScript } },
    E::Other);

}

HtmlElement ElementNamed(std::string_view name) { return elements[name]; }
