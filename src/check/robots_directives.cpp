#include "check/robots_directives.h"

#include "check/html_markup.h"

namespace {

constexpr std::string_view headerName = "x-robots-tag:";

bool isSeparator(char c) { return c == ',' || IsHtmlSpace(c); }

}

void RobotsDirectives::AddResponseHead(const TextList& head)
{
    for (std::size_t line = 1; line < head.Count() && !head[line].empty(); ++line) {
        const std::string_view text = head[line];
        if (text.size() >= headerName.size()
            && EqualsIgnoringCase(text.substr(0, headerName.size()), headerName))
            addValue(text.substr(headerName.size()));
    }
}

void RobotsDirectives::AddMeta(std::string_view name, std::string_view content)
{
    if (EqualsIgnoringCase(name, "robots") || EqualsIgnoringCase(name, "googlebot")
        || EqualsIgnoringCase(name, "baiduspider"))
        addValue(content);
}

RobotsDirective RobotsDirectives::Result() const
{
    if (m_noIndex && m_noFollow)
        return RobotsDirective::None;
    if (m_noIndex)
        return RobotsDirective::NoIndex;
    return m_noFollow ? RobotsDirective::NoFollow : RobotsDirective::Absent;
}

void RobotsDirectives::addValue(std::string_view value)
{
    AnyToken(value, isSeparator, [this](std::string_view directive) {
        // "googlebot:noindex" names its crawler; "googlebot: noindex" gives it a token of its own.
        const std::size_t colon = directive.rfind(':');
        if (colon != std::string_view::npos)
            directive.remove_prefix(colon + 1);
        const bool none = EqualsIgnoringCase(directive, "none");
        m_noIndex = m_noIndex || none || EqualsIgnoringCase(directive, "noindex");
        m_noFollow = m_noFollow || none || EqualsIgnoringCase(directive, "nofollow");
        return false;
    });
}
