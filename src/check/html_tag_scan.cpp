#include "check/html_tag_scan.h"

namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}

HtmlTagScan::HtmlTagScan(std::string_view page)
    : m_rest(page)
{
}

bool HtmlTagScan::NextTag()
{
    for (;;) {
        const std::size_t open = m_rest.find('<');
        if (open == std::string_view::npos) {
            m_rest = {};
            return false;
        }
        m_rest.remove_prefix(open + 1);
        if (m_rest.starts_with("!--")) {
            // "<!-->" already ends the comment it starts.
            const std::size_t close = m_rest.find("-->", 1);
            m_rest.remove_prefix(close == std::string_view::npos ? m_rest.size() : close + 3);
            continue;
        }
        if (m_rest.empty() || !isAsciiLetter(m_rest.front()))
            continue;
        std::size_t nameEnd = 1;
        while (nameEnd < m_rest.size() && !IsHtmlSpace(m_rest[nameEnd]) && m_rest[nameEnd] != '/'
            && m_rest[nameEnd] != '>')
            ++nameEnd;
        m_name = m_rest.substr(0, nameEnd);
        m_rest.remove_prefix(nameEnd);
        return true;
    }
}

bool HtmlTagScan::NextAttribute(HtmlAttribute& attribute) { return ReadHtmlAttribute(m_rest, attribute); }
