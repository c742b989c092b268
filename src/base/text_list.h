#pragma once

#include "base/text.h"

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

// An ordered list of text lines. Its text form puts CR LF after every line; set
// from a text it splits at CR LF, a lone CR or a lone LF and stops at the first
// NUL byte. Lines of the form name=value can be looked up by name, ignoring the
// letter case of the name. Not shared between threads.
class TextList
{
public:
    std::size_t Count() const { return m_lines.size(); }
    bool Empty() const { return m_lines.empty(); }
    const Text& operator[](std::size_t index) const { return m_lines[index]; }
    Text& operator[](std::size_t index) { return m_lines[index]; }
    const std::vector<Text>& Lines() const { return m_lines; }

    void Add(Text line) { m_lines.push_back(std::move(line)); }
    void Insert(std::size_t index, Text line);
    void Delete(std::size_t index);
    void Clear() { m_lines.clear(); }

    Text GetText() const;
    void SetText(const Text& text);
    // The text form of a list set from the pieces joined, made without
    // joining them or holding the lines: one copy of a large text, not two.
    static Text TextFormOf(std::initializer_list<std::string_view> pieces);

    // Index of the first line whose name (text before the first "=") equals name
    // without regard to letter case, or -1.
    int IndexOfName(const Text& name) const;
    Text Values(const Text& name) const;
    // A non-empty value replaces the first line of that name or appends one; an
    // empty value deletes that line.
    void SetValue(const Text& name, const Text& value);

private:
    std::vector<Text> m_lines;
};
