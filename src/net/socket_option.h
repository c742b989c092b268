#pragma once

#include <cstdint>

// Kinds of socket option that can be set before the socket exists.
enum TSocketOptionKind : std::uint8_t {
    OT_Linger = 0,
    OT_ReceiveBuffer = 1,
    OT_SendBuffer = 2,
    OT_NonBlock = 3,
    OT_ReceiveTimeout = 4,
    OT_SendTimeout = 5,
    OT_Reuse = 6,
    OT_TTL = 7,
    OT_Broadcast = 8,
    OT_MulticastTTL = 9,
    OT_MulticastLoop = 10,
};

// One deferred socket option: a connection queues it until its OS socket
// exists and then applies it once. Times (linger, time-outs) are milliseconds.
struct TSocketOption {
    TSocketOptionKind Kind = OT_Linger;
    bool Enabled = false;
    std::int32_t Value = 0;
};

// Sets Option on the socket Handle; UsesIPv6 picks the IPv6 level for the
// TTL and multicast kinds. The outcome is ignored, as the option calls of a
// connection never fail an operation.
void ApplySocketOption(int Handle, const TSocketOption& Option, bool UsesIPv6);
