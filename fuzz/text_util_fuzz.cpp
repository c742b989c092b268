// Feeds arbitrary bytes to the URL and text utilities and checks what must hold
// for every input: nothing crashes, SplitUrl always names a host and a path, and
// Base64 decodes back to the input.
#include "net/base64_codec.h"
#include "net/text_util.h"

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

int base64Value(char c)
{
    const Text alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto found = alphabet.find(c);
    return found == Text::npos ? -1 : static_cast<int>(found);
}

// A decoder written independently of the encoder, for the round trip.
Text decodeBase64(const Text& encoded)
{
    require(encoded.size() % 4 == 0);
    Text plain;
    for (std::size_t i = 0; i < encoded.size(); i += 4) {
        std::uint32_t bits = 0;
        int padding = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const char c = encoded[i + j];
            const int value = c == '=' ? 0 : base64Value(c);
            require(value >= 0);
            padding += c == '=' ? 1 : 0;
            bits = bits << 6 | static_cast<std::uint32_t>(value);
        }
        require(padding <= 2 && (padding == 0 || i + 4 == encoded.size()));
        plain += static_cast<char>(bits >> 16 & 0xFF);
        if (padding < 2)
            plain += static_cast<char>(bits >> 8 & 0xFF);
        if (padding < 1)
            plain += static_cast<char>(bits & 0xFF);
    }
    return plain;
}

void checkSplitUrl(const Text& input)
{
    Text scheme, user, password, host, port, path, query;
    const Text target = SplitUrl(input, scheme, user, password, host, port, path, query);
    require(!host.empty());
    require(!path.empty() && path[0] == '/');
    require(!target.empty() && target[0] == '/');
    require(target.size() <= input.size() + 1);
}

void checkLineEnd(const Text& input)
{
    Text terminator;
    const int position = FindLineEnd(input, terminator);
    require(position >= 0 && static_cast<std::size_t>(position) <= input.size());
    require((position == 0) == terminator.empty());
    if (position > 0)
        require(input.compare(static_cast<std::size_t>(position) - 1, terminator.size(), terminator) == 0);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Text input(reinterpret_cast<const char*>(data), size);
    checkSplitUrl(input);
    checkLineEnd(input);
    require(decodeBase64(Base64EncodeText(input)) == input);
    if (IsIPv4Text(input))
        require(IPv4ToBytes(input).size() == 4);
    IsIPv6Text(input);
    const std::int32_t value = IntFromText(input, -1);
    if (value != -1 && input.find_first_of("$xX") == Text::npos)
        require(IntFromText(std::to_string(value), -2) == value);
    return 0;
}
