#include "check/element_stack.h"

#include "check/html_markup.h"

#include <algorithm>

namespace {

// Whether the declarations of style set property to value (lower case),
// blanks around either and letter case ignored.
bool declares(std::string_view style, std::string_view property, std::string_view value)
{
    std::size_t at = 0;
    while (at < style.size()) {
        const std::size_t end = std::min(style.find(';', at), style.size());
        const std::string_view declaration = style.substr(at, end - at);
        const std::size_t colon = declaration.find(':');
        if (colon != std::string_view::npos
            && EqualsIgnoringCase(TrimHtmlSpace(declaration.substr(0, colon)), property)) {
            // "!important" after the value changes nothing here.
            std::string_view given = declaration.substr(colon + 1);
            given = given.substr(0, std::min(given.find('!'), given.size()));
            if (EqualsIgnoringCase(TrimHtmlSpace(given), value))
                return true;
        }
        at = end + 1;
    }
    return false;
}

}

bool ElementStack::styleHides(std::string_view style)
{
    return declares(style, "display", "none") || declares(style, "visibility", "hidden");
}
