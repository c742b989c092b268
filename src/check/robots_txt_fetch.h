#pragma once

#include "base/text.h"
#include "check/robots_txt.h"

#include <cstdint>
#include <functional>
#include <optional>

class THTTPSend;

// How a robots.txt is fetched: the route the pages take (proxy, SOCKS; may
// be empty) and how long each receive may wait.
struct RobotsTxtClient {
    std::function<void(THTTPSend&)> prepare;
    std::int32_t waitMs = 50000;
};

// The scheme, host and port of an http or https address in lower case, the
// scheme's port when it names none ("http://a.example:80"); empty for any
// other address. One robots.txt serves every page of one site key.
Text RobotsTxtSiteOf(const Text& pageUrl);

// The path and query of an address, as robots.txt rules are matched against
// ("/" when it has none); the fragment is left out.
Text RobotsTxtTargetOf(const Text& pageUrl);

// Fetches the robots.txt of site (RobotsTxtSiteOf) as Baiduspider does:
// GET /robots.txt with the spider's user agent, following redirects within
// the same site at most four times. Gives the rules for the spider; rules
// that allow everything for a 4xx; nothing (unknown) for any other status,
// no HTTP response, a broken or cut response, a body beyond
// RobotsTxt::FileLimit or one that is not text, a redirect elsewhere and one
// too many. Blocking: each request waits for a fetch slot (FetchSlots) and as
// long as its exchange, which its time-outs bound.
std::optional<RobotsTxt> FetchRobotsTxt(const Text& site, const RobotsTxtClient& client);
