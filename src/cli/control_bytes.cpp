#include "cli/control_bytes.h"

std::string defusedText(std::string_view text, ControlBytes style, std::string_view kept)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 0x20 && byte != 0x7F) || kept.find(c) != std::string_view::npos)
            shown += c;
        else if (style == ControlBytes::Blanked)
            shown += ' ';
        else
            shown += { '\\', 'x', hex[byte >> 4], hex[byte & 0xF] };
    }
    return shown;
}
