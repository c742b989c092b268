#include "base/text_find.h"

#include <cstring>

std::size_t FindBytes(std::string_view text, std::string_view part, std::size_t from)
{
    if (from > text.size())
        return std::string_view::npos;
    if (part.empty())
        return from;
    const void* found = memmem(text.data() + from, text.size() - from, part.data(), part.size());
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data())
                 : std::string_view::npos;
}
