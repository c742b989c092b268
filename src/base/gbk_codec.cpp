#include "base/gbk_codec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// Writes what stands for the sequence at the input position that iconv could
// not convert, and returns how many input bytes it stands for.
using Fallback = std::size_t (*)(const char* at, std::size_t left, std::string& output);

// The private-use characters that carry bytes which are not valid GBK.
constexpr char32_t ReservedBase = 0xF700;

bool isGbkLeadByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x81 && byte <= 0xFE;
}

// One whole UTF-8 character, so a character GBK lacks becomes one "?", not one per byte.
std::size_t utf8Character(const char* at, std::size_t left)
{
    const auto lead = static_cast<unsigned char>(at[0]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF7)
        length = 4;
    else if (lead >= 0xE0)
        length = 3;
    else if (lead >= 0xC0)
        length = 2;
    std::size_t taken = 1;
    while (taken < length && taken < left && (static_cast<unsigned char>(at[taken]) & 0xC0) == 0x80)
        ++taken;
    return taken;
}

std::size_t replacementCharacter(const char*, std::size_t, std::string& output)
{
    output += "\xEF\xBF\xBD";
    return 1;
}

std::size_t reservedCharacter(const char* at, std::size_t, std::string& output)
{
    const char32_t character = ReservedBase + static_cast<unsigned char>(at[0]);
    output += static_cast<char>(0xE0 | (character >> 12));
    output += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    output += static_cast<char>(0x80 | (character & 0x3F));
    return 1;
}

std::size_t questionMark(const char* at, std::size_t left, std::string& output)
{
    output += '?';
    return utf8Character(at, left);
}

std::size_t reservedByteOrQuestionMark(const char* at, std::size_t left, std::string& output)
{
    // U+F780 .. U+F7FF are EF 9E 80 .. EF 9F BF in UTF-8.
    const auto byte = [at](std::size_t index) { return static_cast<unsigned char>(at[index]); };
    if (left < 3 || byte(0) != 0xEF || (byte(1) & 0xFE) != 0x9E || (byte(2) & 0xC0) != 0x80)
        return questionMark(at, left, output);
    output += static_cast<char>(0x80 | ((byte(1) & 0x01) << 6) | (byte(2) & 0x3F));
    return 3;
}

// A converter kept open for the thread that uses it: opening one looks up
// the converter modules, which costs more than converting a short text, and
// a run converts a few texts of every site.
struct ThreadConverter {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    ~ThreadConverter()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
};

// This thread's converter from GBK to UTF-8, or back; reset to its initial state.
iconv_t threadConverter(const char* to, const char* from)
{
    thread_local ThreadConverter toUtf8;
    thread_local ThreadConverter toGbk;
    ThreadConverter& kept = std::strcmp(to, "UTF-8") == 0 ? toUtf8 : toGbk;
    if (kept.cd == reinterpret_cast<iconv_t>(-1))
        kept.cd = iconv_open(to, from);
    else
        iconv(kept.cd, nullptr, nullptr, nullptr, nullptr);
    return kept.cd;
}

// Runs iconv over the whole input; wherever a sequence cannot be converted, the
// fallback writes what stands for it and it is skipped.
std::string convert(const char* to, const char* from, std::string_view input, Fallback fallback)
{
    // ASCII reads the same in GBK and UTF-8, and most addresses, numbers and
    // names in a run are ASCII: they need no converter.
    if (std::all_of(input.begin(), input.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(input);
    iconv_t cd = threadConverter(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(input);
    std::string output;
    output.reserve(input.size() * 3 / 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof(buffer);
        const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        if (result != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: an invalid or truncated sequence at the input position.
        const std::size_t skipped = fallback(in, inLeft, output);
        in += skipped;
        inLeft -= skipped;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return output;
}

}

std::string GbkToUtf8(const Text& gbk) { return convert("UTF-8", "GBK", gbk, replacementCharacter); }

Text Utf8ToGbk(const std::string& utf8) { return convert("GBK", "UTF-8", utf8, questionMark); }

std::string GbkToUtf8Exact(const Text& gbk) { return convert("UTF-8", "GBK", gbk, reservedCharacter); }

Text Utf8ToGbkExact(std::string_view utf8)
{
    return convert("GBK", "UTF-8", utf8, reservedByteOrQuestionMark);
}

std::size_t GbkCharacterCut(std::string_view text, std::size_t from, std::size_t limit)
{
    std::size_t cut = from;
    for (std::size_t next = cut; next <= limit; next += isGbkLeadByte(text[next]) ? 2 : 1)
        cut = next;
    return cut;
}

std::size_t Utf8CharacterCut(std::string_view text, std::size_t limit)
{
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}
