#include "net/http_text.h"

#include "net/text_util.h"

#include <algorithm>

namespace {

bool isControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}

Text TrimControls(const Text& Value)
{
    const auto first = std::find_if_not(Value.begin(), Value.end(), isControlOrBlank);
    const auto last = std::find_if_not(Value.rbegin(), Value.rend(), isControlOrBlank).base();
    return first < last ? Text(first, last) : Text();
}

Text UpperAscii(Text Value)
{
    for (char& c : Value) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return Value;
}

Text LowerAscii(Text Value)
{
    for (char& c : Value) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return Value;
}

bool StartsWith(const Text& Value, const Text& Prefix)
{
    return Value.compare(0, Prefix.size(), Prefix) == 0;
}

Text ValueAfterBlank(const Text& Line) { return TrimControls(TextAfter(Line, " ")); }
