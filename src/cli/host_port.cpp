#include "cli/host_port.h"

#include "net/text_util.h"

namespace {

bool isPort(const std::string& text) { return IsPortText(text) && IntFromText(text, 0) > 0; }

// [IPv6] or [IPv6]:PORT.
std::optional<HostPort> readBracketed(const std::string& text)
{
    const auto close = text.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    HostPort address { text.substr(1, close - 1), "" };
    const std::string rest = text.substr(close + 1);
    if (!IsIPv6Text(address.host) || (!rest.empty() && (rest[0] != ':' || !isPort(rest.substr(1)))))
        return std::nullopt;
    if (!rest.empty())
        address.port = rest.substr(1);
    return address;
}

}

std::optional<HostPort> readHostPort(const std::string& text)
{
    if (!text.empty() && text[0] == '[')
        return readBracketed(text);
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return text.empty() ? std::nullopt : std::optional<HostPort>(HostPort { text, "" });
    // A second colon makes the text an IPv6 address, whose last group is no port.
    if (text.find(':', colon + 1) != std::string::npos)
        return IsIPv6Text(text) ? std::optional<HostPort>(HostPort { text, "" }) : std::nullopt;
    const std::string port = text.substr(colon + 1);
    if (colon == 0 || !isPort(port))
        return std::nullopt;
    return HostPort { text.substr(0, colon), port };
}
