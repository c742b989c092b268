#include "grid_store/cell_text.h"

#include <algorithm>

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool containsIgnoringCase(const Text& text, const Text& upperNeedle)
{
    const auto found = std::search(text.begin(), text.end(), upperNeedle.begin(), upperNeedle.end(),
        [](char a, char b) { return upper(a) == b; });
    return found != text.end();
}

bool isLineBreakTag(const Text& text, std::size_t open, std::size_t close)
{
    if (close - open != 3)
        return false;
    const char first = upper(text[open + 1]);
    return (first == 'B' || first == 'H') && upper(text[open + 2]) == 'R';
}

}

Text RemoveTags(const Text& text)
{
    Text plain;
    plain.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t open = text.find('<', position);
        if (open == Text::npos) {
            plain.append(text, position);
            break;
        }
        const std::size_t close = text.find('>', open + 1);
        if (close == Text::npos) {
            plain.append(text, position);
            break;
        }
        plain.append(text, position, open - position);
        if (isLineBreakTag(text, open, close))
            plain += "\r\n";
        position = close + 1;
    }
    return plain;
}

bool IsFormattedText(const Text& text)
{
    return text.find("</") != Text::npos || text.find("<B") != Text::npos || text.find("<I") != Text::npos;
}

bool IsLinkText(const Text& text)
{
    return text.find("://") != Text::npos || text.find("mailto:") != Text::npos;
}

bool IsCellLink(const Text& text) { return containsIgnoringCase(text, "CELL://"); }
