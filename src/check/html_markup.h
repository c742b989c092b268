#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

// The small pieces of HTML reading the page checks share: blanks, ASCII
// letter case and one attribute of a start tag. Markup is read simply, the
// way a lenient browser reads it; nothing here copies the page or throws.
// Pure functions; safe from any thread.

// The bytes that end a stretch of a tag, by the stretch they end, one bit each.
enum HtmlStop : std::uint8_t {
    HtmlBlank = 1, // ' ', tab, line feed, carriage return, form feed
    HtmlTagNameEnd = 2, // a blank, '/' or '>'
    HtmlAttributeNameEnd = 4, // a blank, '=' or '>'
    HtmlValueEnd = 8, // a blank or '>'
    HtmlAttributeGap = 16, // a blank or '/', passed over before an attribute
    HtmlHostEnd = 32, // '/', '?', '#' or ':', which end the host of a link's address
};

// Which stretches each byte ends, looked up once per byte.
inline constexpr auto HtmlStops = [] {
    std::array<std::uint8_t, 256> stops {};
    for (const char blank : { ' ', '\t', '\n', '\r', '\f' })
        stops[static_cast<unsigned char>(blank)]
            = HtmlBlank | HtmlTagNameEnd | HtmlAttributeNameEnd | HtmlValueEnd | HtmlAttributeGap;
    stops['/'] = HtmlTagNameEnd | HtmlAttributeGap;
    stops['='] = HtmlAttributeNameEnd;
    stops['>'] = HtmlTagNameEnd | HtmlAttributeNameEnd | HtmlValueEnd;
    for (const char hostEnd : { '/', '?', '#', ':' })
        stops[static_cast<unsigned char>(hostEnd)] |= HtmlHostEnd;
    return stops;
}();

inline bool StopsHtml(char c, HtmlStop stop)
{
    return (HtmlStops[static_cast<unsigned char>(c)] & stop) != 0;
}

// Inline: the page reading asks these of nearly every byte and name it reads.
inline bool IsHtmlSpace(char c) { return StopsHtml(c, HtmlBlank); }
inline char LowerAsciiChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
// text without the blanks around it.
inline std::string_view TrimHtmlSpace(std::string_view text)
{
    while (!text.empty() && IsHtmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}
// Whether value equals lowerName (lower case ASCII) when letter case is ignored.
inline bool EqualsIgnoringCase(std::string_view value, std::string_view lowerName)
{
    if (value.size() != lowerName.size())
        return false;
    // Pages mostly write names in lower case: a byte equal as written needs no folding.
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (value[at] != lowerName[at] && LowerAsciiChar(value[at]) != lowerName[at])
            return false;
    }
    return true;
}

// Calls visit with each token of value, split where separates says, in
// turn until it gives true; gives whether one did.
template <typename Separates, typename Visit>
bool AnyToken(std::string_view value, Separates separates, Visit visit)
{
    std::size_t at = 0;
    while (at < value.size()) {
        while (at < value.size() && separates(value[at]))
            ++at;
        std::size_t end = at;
        while (end < value.size() && !separates(value[end]))
            ++end;
        if (end > at && visit(value.substr(at, end - at)))
            return true;
        at = end;
    }
    return false;
}

// The same for the blank-separated tokens of an attribute's value.
template <typename Visit> bool AnyHtmlToken(std::string_view value, Visit visit)
{
    return AnyToken(value, IsHtmlSpace, visit);
}

// Whether a charset or Content-Type value names UTF-8 ("utf-8", "utf8",
// any letter case), read as far as its first 256 bytes.
bool NamesUtf8(std::string_view value);

struct HtmlAttribute {
    std::string_view name;
    std::string_view value; // without its quotes; empty when the attribute has none
};

// The first byte from at that ends the stretch stop names; end when none does.
inline const char* HtmlStretchEnd(const char* at, const char* end, HtmlStop stop)
{
    // Four bytes a round with one test of the end: names and values of
    // broken markup can run for many bytes.
    for (; end - at >= 4; at += 4) {
        if (StopsHtml(at[0], stop))
            return at;
        if (StopsHtml(at[1], stop))
            return at + 1;
        if (StopsHtml(at[2], stop))
            return at + 2;
        if (StopsHtml(at[3], stop))
            return at + 3;
    }
    while (at < end && !StopsHtml(*at, stop))
        ++at;
    return at;
}

// The first byte from at that is no blank; end when none is.
inline const char* SkipHtmlSpace(const char* at, const char* end)
{
    while (at < end && IsHtmlSpace(*at))
        ++at;
    return at;
}

// Reads the next attribute of a start tag whose attributes begin at the
// front of tag, skipping blanks and '/' before it, and moves tag past it.
// Gives false, tag then empty or at its closing '>', when the tag ends
// first. A value in double or single quotes runs to its closing quote (to
// the page's end when there is none); an unquoted one to a blank or '>'.
// Inline, always, and read through pointers: it runs for every attribute of
// every tag, and a call costs about as much as reading a short attribute.
[[gnu::always_inline]] inline bool ReadHtmlAttribute(std::string_view& tag, HtmlAttribute& attribute)
{
    const char* const end = tag.data() + tag.size();
    const char* at = tag.data();
    while (at < end && StopsHtml(*at, HtmlAttributeGap))
        ++at;
    if (at == end || *at == '>') {
        tag = std::string_view(at, static_cast<std::size_t>(end - at));
        return false;
    }
    const char* const nameEnd = HtmlStretchEnd(at, end, HtmlAttributeNameEnd);
    attribute.name = std::string_view(at, static_cast<std::size_t>(nameEnd - at));
    at = SkipHtmlSpace(nameEnd, end);
    attribute.value = {};
    if (at < end && *at == '=') {
        at = SkipHtmlSpace(at + 1, end);
        if (at < end && (*at == '"' || *at == '\'')) {
            const auto* close
                = static_cast<const char*>(std::memchr(at + 1, *at, static_cast<std::size_t>(end - at - 1)));
            const char* const valueEnd = close ? close : end;
            attribute.value = std::string_view(at + 1, static_cast<std::size_t>(valueEnd - at - 1));
            at = close ? close + 1 : end;
        } else {
            const char* const valueEnd = HtmlStretchEnd(at, end, HtmlValueEnd);
            attribute.value = std::string_view(at, static_cast<std::size_t>(valueEnd - at));
            at = valueEnd;
        }
    }
    tag = std::string_view(at, static_cast<std::size_t>(end - at));
    return true;
}

// Appends text to out with its character references decoded, until out has
// grown by limit bytes or text ends; gives the number of bytes of text read.
// Named references are &amp; &lt; &gt; &quot; &apos;; numeric ones (&#38;
// &#x26;) may lack their ';'. A character above 0x7F is written in UTF-8;
// a reference that names no character is kept as it stands.
std::size_t DecodeHtmlReferences(std::string_view text, std::size_t limit, std::string& out);
