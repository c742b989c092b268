#include "check/html_markup.h"

#include "base/digit_value.h"

#include <algorithm>
#include <string>

namespace {

struct NamedReference {
    std::string_view name;
    char character;
};

constexpr NamedReference namedReferences[]
    = { { "amp;", '&' }, { "lt;", '<' }, { "gt;", '>' }, { "quot;", '"' }, { "apos;", '\'' } };

// The code point of the numeric reference after the "&#" at the front of
// text, and its length; 0 when it names no character. Digits past the
// highest code point only make the value stay out of range.
char32_t numericReference(std::string_view text, std::size_t& length)
{
    const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
    std::size_t at = hex ? 3 : 2;
    const std::size_t digitsAt = at;
    char32_t code = 0;
    for (int digit = 0;
         at < text.size() && (digit = hex ? HexDigitValue(text[at]) : DecimalDigitValue(text[at])) >= 0; ++at)
        code = std::min<char32_t>(code * (hex ? 16 : 10) + static_cast<char32_t>(digit), 0x110000);
    if (at == digitsAt || code == 0 || code >= 0x110000 || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    length = at < text.size() && text[at] == ';' ? at + 1 : at;
    return code;
}

void appendUtf8(char32_t code, std::string& out)
{
    const auto byte = [](char32_t value) { return static_cast<char>(value); };
    if (code < 0x80) {
        out += byte(code);
    } else if (code < 0x800) {
        out += { byte(0xC0 | (code >> 6)), byte(0x80 | (code & 0x3F)) };
    } else if (code < 0x10000) {
        out += { byte(0xE0 | (code >> 12)), byte(0x80 | ((code >> 6) & 0x3F)), byte(0x80 | (code & 0x3F)) };
    } else {
        out += { byte(0xF0 | (code >> 18)), byte(0x80 | ((code >> 12) & 0x3F)),
            byte(0x80 | ((code >> 6) & 0x3F)), byte(0x80 | (code & 0x3F)) };
    }
}

// Decodes the reference at the front of text (which starts with '&') onto
// out; gives its length, 0 when it is none.
std::size_t decodeReference(std::string_view text, std::string& out)
{
    if (text.size() > 1 && text[1] == '#') {
        std::size_t length = 0;
        const char32_t code = numericReference(text, length);
        if (code != 0)
            appendUtf8(code, out);
        return code != 0 ? length : 0;
    }
    for (const NamedReference& reference : namedReferences) {
        if (text.substr(1).starts_with(reference.name)) {
            out += reference.character;
            return reference.name.size() + 1;
        }
    }
    return 0;
}

}

bool NamesUtf8(std::string_view value)
{
    std::string lower(value.substr(0, 256));
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAsciiChar);
    return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
}

std::size_t DecodeHtmlReferences(std::string_view text, std::size_t limit, std::string& out)
{
    const std::size_t end = out.size() + limit;
    std::size_t at = 0;
    while (at < text.size() && out.size() < end) {
        // The bytes up to the next '&' go over as one run.
        const std::string_view ahead = text.substr(at, end - out.size());
        const std::size_t run = std::min(ahead.find('&'), ahead.size());
        out.append(text, at, run);
        at += run;
        if (at == text.size() || out.size() >= end)
            break;
        const std::size_t length = decodeReference(text.substr(at), out);
        if (length == 0)
            out += '&';
        at += length == 0 ? 1 : length;
    }
    return at;
}
