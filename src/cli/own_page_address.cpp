#include "cli/own_page_address.h"

#include "check/web_address.h"
#include "cli/host_port.h"

#include <algorithm>

std::string OwnPageAddressFault(const std::string& address)
{
    if (std::any_of(address.begin(), address.end(),
            [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }))
        return "holds a blank or a control byte";
    if (!StartsWithIgnoringCase(address, "http://") && !StartsWithIgnoringCase(address, "https://"))
        return "is no http:// or https:// address";
    const std::size_t hostAt = address.find("//") + 2;
    const std::size_t end = address.find_first_of("/?#", hostAt);
    const std::string authority = address.substr(hostAt, end == std::string::npos ? end : end - hostAt);
    if (authority.empty() || authority.front() == ':' || authority.find('@') != std::string::npos)
        return "has no host";
    if (!readHostPort(authority))
        return "has no valid port (1 to 65535)";
    return {};
}
