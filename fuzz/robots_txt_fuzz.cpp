// Feeds arbitrary bytes to the robots.txt reading: the first line is the
// address a spider asks for, the rest the file. Nothing may crash or take
// long; only a Disallow line can keep a spider out, so a file without one
// allows every address; a file is text exactly when it holds no NUL byte.
#include "check/robots_txt.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool holdsDisallow(std::string_view file)
{
    constexpr std::string_view word = "disallow";
    return std::search(file.begin(), file.end(), word.begin(), word.end(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    }) != file.end();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = std::min(input.find('\n'), input.size());
    const std::string_view target = input.substr(0, lineEnd);
    const std::string_view file = input.substr(std::min(lineEnd + 1, input.size()));
    require(RobotsTxt::IsText(file) == (file.find('\0') == std::string_view::npos));
    for (const std::string_view spider : { "Baiduspider", "Baiduspider-image" }) {
        const RobotsTxt rules(file, spider);
        const bool allowed = rules.Allows(target);
        require(allowed == rules.Allows(target));
        require(allowed || holdsDisallow(file));
        rules.Allows("/");
        rules.Allows(file.substr(0, std::min<std::size_t>(file.size(), 256)));
    }
    return 0;
}
