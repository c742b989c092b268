#include "net/text_util.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// 1-based position of the first Delimiter in Value, 0 when absent or empty.
std::size_t positionOf(const Text& Value, const Text& Delimiter)
{
    if (Delimiter.empty())
        return 0;
    const auto found = Value.find(Delimiter);
    return found == Text::npos ? 0 : found + 1;
}

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Length of a hexadecimal prefix at pos ("$", "x", "X", "0x", "0X"), 0 if none.
std::size_t hexPrefixLength(const Text& value, std::size_t pos)
{
    if (pos >= value.size())
        return 0;
    const char c = value[pos];
    if (c == '$' || c == 'x' || c == 'X')
        return 1;
    if (c == '0' && pos + 1 < value.size() && (value[pos + 1] == 'x' || value[pos + 1] == 'X'))
        return 2;
    return 0;
}

// Reads digits of the given base from pos to the end of value into magnitude;
// false on an empty digit run, a stray character or a magnitude beyond limit.
bool readMagnitude(
    const Text& value, std::size_t pos, int base, std::uint64_t limit, std::uint64_t& magnitude)
{
    if (pos >= value.size())
        return false;
    magnitude = 0;
    for (; pos < value.size(); ++pos) {
        const int digit
            = base == 16 ? HexDigitValue(value[pos]) : (isDecimalDigit(value[pos]) ? value[pos] - '0' : -1);
        if (digit < 0)
            return false;
        magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (magnitude > limit)
            return false;
    }
    return true;
}

}

Text TextBefore(const Text& Value, const Text& Delimiter)
{
    const std::size_t p = positionOf(Value, Delimiter);
    return p == 0 ? Value : Value.substr(0, p - 1);
}

Text TextAfter(const Text& Value, const Text& Delimiter)
{
    std::size_t p = positionOf(Value, Delimiter);
    if (p > 0)
        p = p + Delimiter.size() - 1;
    return Value.substr(p);
}

Text CutToken(Text& Value, const Text& Delimiter)
{
    Text token = TextBefore(Value, Delimiter);
    Text rest = TextAfter(Value, Delimiter);
    Value = rest == Value ? Text() : std::move(rest);
    return token;
}

Text CutTrimmedToken(Text& Value, const Text& Delimiter)
{
    Text token = TrimSpaces(CutToken(Value, Delimiter));
    Value = TrimSpaces(Value);
    return token;
}

Text TrimLeadingSpaces(const Text& Value)
{
    const auto first = Value.find_first_not_of(' ');
    return first == Text::npos ? Text() : Value.substr(first);
}

Text TrimTrailingSpaces(const Text& Value)
{
    const auto last = Value.find_last_not_of(' ');
    return last == Text::npos ? Text() : Value.substr(0, last + 1);
}

Text TrimSpaces(const Text& Value) { return TrimTrailingSpaces(TrimLeadingSpaces(Value)); }

std::int32_t IntFromText(const Text& Value, std::int32_t Default)
{
    std::size_t pos = Value.find_first_not_of(' ');
    if (pos == Text::npos)
        return Default;
    bool negative = false;
    if (Value[pos] == '+' || Value[pos] == '-') {
        negative = Value[pos] == '-';
        ++pos;
    }
    std::uint64_t magnitude = 0;
    const std::size_t prefix = hexPrefixLength(Value, pos);
    if (prefix > 0) {
        // A hexadecimal text is a 32-bit pattern; one that does not fit in 32 bits fails.
        if (!readMagnitude(Value, pos + prefix, 16, 0xFFFFFFFFull, magnitude))
            return Default;
        auto bits = static_cast<std::uint32_t>(magnitude);
        if (negative)
            bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    const std::uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    if (!readMagnitude(Value, pos, 10, limit, magnitude))
        return Default;
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<std::int32_t>(magnitude);
}

Text DefaultPortOf(const Text& Scheme)
{
    Text upperScheme = Scheme;
    std::transform(upperScheme.begin(), upperScheme.end(), upperScheme.begin(),
        [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    if (upperScheme == "HTTPS")
        return "443";
    if (upperScheme == "FTP")
        return "21";
    return "80";
}

Text SplitUrl(const Text& URL, Text& Scheme, Text& User, Text& Password, Text& Host, Text& Port, Text& Path,
    Text& Query)
{
    Scheme = "http";
    User.clear();
    Password.clear();
    Query.clear();
    Text rest = URL;
    if (positionOf(URL, "://") > 0) {
        Scheme = TextBefore(URL, "://");
        rest = TextAfter(URL, "://");
    }
    Port = DefaultPortOf(Scheme);

    // An "@" after the first "/" belongs to the path.
    const std::size_t at = positionOf(rest, "@");
    const std::size_t slash = positionOf(rest, "/");
    if (at > 0 && (slash > at || slash == 0)) {
        const Text userInfo = TextBefore(rest, "@");
        rest = TextAfter(rest, "@");
        User = TextBefore(userInfo, ":");
        if (positionOf(userInfo, ":") > 0)
            Password = TextAfter(userInfo, ":");
    }

    Text authority = rest;
    Text pathPart;
    if (positionOf(rest, "/") > 0) {
        authority = TextBefore(rest, "/");
        pathPart = TextAfter(rest, "/");
    }

    if (!authority.empty() && authority[0] == '[') {
        Host = TextBefore(authority, "]").substr(1);
        const Text after = TextAfter(authority, "]");
        if (!after.empty() && after[0] == ':')
            Port = TextAfter(after, ":");
    } else if (positionOf(authority, ":") > 0) {
        Host = TextBefore(authority, ":");
        Port = TextAfter(authority, ":");
    } else {
        Host = authority;
    }

    Path.assign(1, '/');
    Path += TextBefore(pathPart, "?");
    if (positionOf(pathPart, "?") > 0)
        Query = TextAfter(pathPart, "?");
    if (Host.empty())
        Host = "localhost";
    return "/" + pathPart;
}

bool IsOctetText(const Text& Value)
{
    const std::int32_t n = IntFromText(Value, -1);
    if (n < 0 || n > 255)
        return false;
    return std::all_of(Value.begin(), Value.end(), isDecimalDigit);
}

bool IsPortText(const Text& Value)
{
    const std::int32_t n = IntFromText(Value, -1);
    if (n < 0 || n > 0xFFFF)
        return false;
    return std::all_of(Value.begin(), Value.end(), isDecimalDigit);
}

bool IsIPv4Text(const Text& Value)
{
    Text rest = Value;
    for (int field = 0; field < 3; ++field) {
        if (!IsOctetText(CutTrimmedToken(rest, ".")))
            return false;
    }
    return IsOctetText(rest);
}

namespace {

bool isWord16Hex(const Text& group)
{
    const std::int32_t n = IntFromText("$" + group, -1);
    return n >= 0 && n <= 0xFFFF;
}

}

bool IsIPv6Text(const Text& Value)
{
    Text s = Value;
    bool result = false;
    int groups = 0;
    int emptyGroups = 0;
    bool first = true;
    while (!s.empty()) {
        Text g = CutTrimmedToken(s, ":");
        if (!first && g.empty())
            ++emptyGroups;
        first = false;
        if (emptyGroups > 1)
            return false;
        ++groups;
        if (g.empty())
            continue;
        if (groups > 8)
            return false;
        if (s.empty()) {
            const Text zone = TextAfter(g, "%");
            g = TextBefore(g, "%");
            if (!isWord16Hex(zone))
                return false;
        }
        if (!isWord16Hex(g))
            return false;
        if (s.empty())
            result = true;
    }
    return result;
}

Text IPv4ToBytes(const Text& Value)
{
    Text rest = Value;
    Text bytes;
    for (int field = 0; field < 3; ++field)
        bytes += static_cast<char>(IntFromText(CutTrimmedToken(rest, "."), 0) & 0xFF);
    bytes += static_cast<char>(IntFromText(rest, 0) & 0xFF);
    return bytes;
}

Text Word16ToBytes(std::uint16_t Value)
{
    return Text { static_cast<char>(Value >> 8), static_cast<char>(Value & 0xFF) };
}

std::uint16_t BytesToWord16(const Text& Value, int Index)
{
    if (Index < 1 || Value.size() < static_cast<std::size_t>(Index) + 1)
        return 0;
    const auto high = static_cast<unsigned char>(Value[static_cast<std::size_t>(Index) - 1]);
    const auto low = static_cast<unsigned char>(Value[static_cast<std::size_t>(Index)]);
    return static_cast<std::uint16_t>(high << 8 | low);
}

int FindLineEnd(std::string_view Value, Text& Terminator)
{
    // The earliest CR or LF starts the line end; a following byte of the other kind
    // makes it the two-byte form, which wins over the lone one at the same place.
    const auto first = Value.find_first_of("\r\n");
    if (first == std::string_view::npos) {
        Terminator.clear();
        return 0;
    }
    const char c = Value[first];
    const char other = c == '\r' ? '\n' : '\r';
    if (first + 1 < Value.size() && Value[first + 1] == other)
        Terminator = Text { c, other };
    else
        Terminator = Text(1, c);
    return static_cast<int>(first) + 1;
}

void AppendToStream(MemoryStream& Stream, const Text& Value)
{
    Stream.Write(Value.data(), static_cast<std::int64_t>(Value.size()));
}

const char* OffsetPointer(const char* Address, std::int64_t Count) { return Address + Count; }

char* OffsetPointer(char* Address, std::int64_t Count) { return Address + Count; }
