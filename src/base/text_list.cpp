#include "base/text_list.h"

#include <algorithm>

namespace {

bool sameNameIgnoringCase(const Text& line, const Text& name)
{
    // A line without "=" has no name and never matches.
    const auto equals = line.find('=');
    if (equals == Text::npos)
        return false;
    return std::equal(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(equals), name.begin(),
        name.end(), [](char a, char b) {
            const auto lower
                = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
            return lower(a) == lower(b);
        });
}

}

void TextList::Insert(std::size_t index, Text line)
{
    m_lines.insert(
        m_lines.begin() + static_cast<std::ptrdiff_t>(std::min(index, m_lines.size())), std::move(line));
}

void TextList::Delete(std::size_t index)
{
    if (index < m_lines.size())
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(index));
}

Text TextList::GetText() const
{
    std::size_t total = 0;
    for (const auto& line : m_lines)
        total += line.size() + 2;
    Text result;
    result.reserve(total);
    for (const auto& line : m_lines) {
        result += line;
        result += "\r\n";
    }
    return result;
}

void TextList::SetText(const Text& text)
{
    m_lines.clear();
    const std::size_t end = std::min(text.find('\0'), text.size());
    std::size_t start = 0;
    std::size_t pos = start;
    while (pos < end) {
        const char c = text[pos];
        if (c != '\r' && c != '\n') {
            ++pos;
            continue;
        }
        m_lines.push_back(text.substr(start, pos - start));
        ++pos;
        if (c == '\r' && pos < end && text[pos] == '\n')
            ++pos;
        start = pos;
    }
    if (start < end)
        m_lines.push_back(text.substr(start, end - start));
}

int TextList::IndexOfName(const Text& name) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (sameNameIgnoringCase(m_lines[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

Text TextList::Values(const Text& name) const
{
    const int index = IndexOfName(name);
    if (index < 0)
        return {};
    const Text& line = m_lines[static_cast<std::size_t>(index)];
    return line.substr(line.find('=') + 1);
}

void TextList::SetValue(const Text& name, const Text& value)
{
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(static_cast<std::size_t>(index));
        return;
    }
    if (index >= 0)
        m_lines[static_cast<std::size_t>(index)] = name + "=" + value;
    else
        m_lines.push_back(name + "=" + value);
}
