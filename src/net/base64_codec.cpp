#include "net/base64_codec.h"

#include <array>

namespace {

const Text base64Table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";

}

Text EncodeWithTable(const Text& Value, const Text& Table)
{
    Text result;
    result.reserve(4 * ((Value.size() + 2) / 3));
    for (std::size_t i = 0; i < Value.size(); i += 3) {
        const std::size_t left = Value.size() - i;
        const unsigned b1 = static_cast<unsigned char>(Value[i]);
        const unsigned b2 = left > 1 ? static_cast<unsigned char>(Value[i + 1]) : 0u;
        const unsigned b3 = left > 2 ? static_cast<unsigned char>(Value[i + 2]) : 0u;
        std::array<unsigned, 4> symbols { b1 >> 2u, (b1 & 3u) << 4u | b2 >> 4u, (b2 & 15u) << 2u | b3 >> 6u,
            b3 & 63u };
        if (left == 1) {
            symbols[2] = 64;
            symbols[3] = 64;
        } else if (left == 2) {
            symbols[3] = 64;
        }
        for (const unsigned symbol : symbols) {
            if (symbol < Table.size())
                result += Table[symbol];
        }
    }
    return result;
}

Text Base64EncodeText(const Text& Value) { return EncodeWithTable(Value, base64Table); }
