#pragma once

#include "base/text.h"

#include <cstdint>

// The settings every network client object shares: where its socket connects,
// which local address it binds, how long each receive may wait, and the
// credentials used when a request names none. Plain settings with no effect of
// their own; the deriving client reads them for each request. Used by one
// thread at a time; nothing here blocks or fails.
class TNetClient
{
public:
    TNetClient();

    Text TargetHost;
    Text TargetPort;
    Text IPInterface;
    // Milliseconds each receive may wait for data; not a limit for a whole exchange.
    std::int32_t Timeout;
    Text UserName;
    Text Password;
};
