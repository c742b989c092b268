#include "base/gbk_codec.h"

#include <cerrno>
#include <iconv.h>

namespace {

using SkipLength = std::size_t (*)(const char* at, std::size_t left);

std::size_t oneByte(const char*, std::size_t) { return 1; }

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

// Runs iconv over the whole input; wherever a sequence cannot be converted, it is
// skipped and replacement is written instead.
std::string convert(const char* to, const char* from, const std::string& input,
    const std::string& replacement, SkipLength skip)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return input;
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
        output += replacement;
        const std::size_t skipped = skip(in, inLeft);
        in += skipped;
        inLeft -= skipped;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return output;
}

}

std::string GbkToUtf8(const Text& gbk) { return convert("UTF-8", "GBK", gbk, "\xEF\xBF\xBD", oneByte); }

Text Utf8ToGbk(const std::string& utf8) { return convert("GBK", "UTF-8", utf8, "?", utf8Character); }
