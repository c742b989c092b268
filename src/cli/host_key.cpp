#include "cli/host_key.h"

#include "net/http_text.h"
#include "net/text_util.h"

Text HostKeyOf(const Text& address)
{
    Text scheme;
    Text user;
    Text password;
    Text host;
    Text port;
    Text path;
    Text query;
    SplitUrl(TrimControls(address), scheme, user, password, host, port, path, query);
    // A port with leading zeros is the same port.
    const Text portKey = IsPortText(port) ? std::to_string(IntFromText(port, 0)) : port;
    return LowerAscii(host) + " " + portKey;
}
