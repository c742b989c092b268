#include "base/text_list.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

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

// Finds the line breaks and NULs of one piece front to back. Each of the
// three bytes is sought with memchr and its next place remembered, so that a
// page is searched once per byte kind, however many lines it has, instead of
// testing every byte against all three.
class BreakFinder
{
public:
    explicit BreakFinder(std::string_view piece)
        : m_piece(piece)
    {
    }
    // The place of the first CR, LF or NUL at from or after it; the piece's size when none.
    std::size_t find(std::size_t from)
    {
        std::size_t first = m_piece.size();
        for (std::size_t kind = 0; kind < m_next.size(); ++kind) {
            if (!m_searched[kind] || m_next[kind] < from) {
                const void* found = std::memchr(m_piece.data() + from, breaks[kind], m_piece.size() - from);
                m_next[kind] = found
                    ? static_cast<std::size_t>(static_cast<const char*>(found) - m_piece.data())
                    : m_piece.size();
                m_searched[kind] = true;
            }
            first = std::min(first, m_next[kind]);
        }
        return first;
    }

private:
    static constexpr std::array<char, 3> breaks { '\r', '\n', '\0' };
    std::string_view m_piece;
    std::array<std::size_t, 3> m_next {};
    std::array<bool, 3> m_searched {};
};

// Walks the pieces as one text split into lines: hands each run of line bytes
// to onBytes and calls onLineEnd after each line. A line ends at CR LF, a lone
// CR or a lone LF, also when its CR and LF lie in neighbouring pieces; the
// first NUL ends the text, and a last line without a break still ends.
template <typename OnBytes, typename OnLineEnd>
void walkLines(std::initializer_list<std::string_view> pieces, OnBytes onBytes, OnLineEnd onLineEnd)
{
    bool afterCr = false;
    bool lineOpen = false;
    for (const std::string_view piece : pieces) {
        BreakFinder finder(piece);
        std::size_t at = 0;
        while (at < piece.size()) {
            if (std::exchange(afterCr, false) && piece[at] == '\n') {
                ++at;
                continue;
            }
            const std::size_t end = finder.find(at);
            if (end > at) {
                onBytes(piece.substr(at, end - at));
                lineOpen = true;
            }
            if (end == piece.size())
                break;
            if (piece[end] == '\0') {
                if (lineOpen)
                    onLineEnd();
                return;
            }
            onLineEnd();
            lineOpen = false;
            afterCr = piece[end] == '\r';
            at = end + 1;
        }
    }
    if (lineOpen)
        onLineEnd();
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
    Text line;
    walkLines(
        { text }, [&line](std::string_view bytes) { line.append(bytes); },
        [this, &line] { m_lines.push_back(std::exchange(line, {})); });
}

Text TextList::TextFormOf(std::initializer_list<std::string_view> pieces)
{
    // Sized first, so a large text is built in one block without regrowing.
    std::size_t size = 0;
    walkLines(
        pieces, [&size](std::string_view bytes) { size += bytes.size(); }, [&size] { size += 2; });
    Text text;
    text.reserve(size);
    walkLines(
        pieces, [&text](std::string_view bytes) { text.append(bytes); }, [&text] { text += "\r\n"; });
    return text;
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
