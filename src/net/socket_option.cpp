#include "net/socket_option.h"

#include "net/socket_library.h"

#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/time.h>

namespace {

void setInt(int handle, int level, int name, std::int32_t value)
{
    const int data = value;
    SocketLibrary().SetSockOpt(handle, level, name, &data, sizeof(data));
}

// Time-outs are given in milliseconds; the OS takes them as a time value.
void setTimeout(int handle, int name, std::int32_t milliseconds)
{
    timeval limit {};
    limit.tv_sec = milliseconds / 1000;
    limit.tv_usec = static_cast<suseconds_t>(milliseconds % 1000) * 1000;
    SocketLibrary().SetSockOpt(handle, SOL_SOCKET, name, &limit, sizeof(limit));
}

void setLinger(int handle, const TSocketOption& option)
{
    linger value {};
    value.l_onoff = option.Enabled ? 1 : 0;
    value.l_linger = option.Value / 1000;
    SocketLibrary().SetSockOpt(handle, SOL_SOCKET, SO_LINGER, &value, sizeof(value));
}

void setNonBlocking(int handle, bool enabled)
{
    int value = enabled ? 1 : 0;
    SocketLibrary().IoctlSocket(handle, FIONBIO, &value);
}

}

void ApplySocketOption(int Handle, const TSocketOption& Option, bool UsesIPv6)
{
    const int ipLevel = UsesIPv6 ? IPPROTO_IPV6 : IPPROTO_IP;
    switch (Option.Kind) {
    case OT_Linger:
        setLinger(Handle, Option);
        break;
    case OT_ReceiveBuffer:
        setInt(Handle, SOL_SOCKET, SO_RCVBUF, Option.Value);
        break;
    case OT_SendBuffer:
        setInt(Handle, SOL_SOCKET, SO_SNDBUF, Option.Value);
        break;
    case OT_NonBlock:
        setNonBlocking(Handle, Option.Enabled);
        break;
    case OT_ReceiveTimeout:
        setTimeout(Handle, SO_RCVTIMEO, Option.Value);
        break;
    case OT_SendTimeout:
        setTimeout(Handle, SO_SNDTIMEO, Option.Value);
        break;
    case OT_Reuse:
        setInt(Handle, SOL_SOCKET, SO_REUSEADDR, Option.Enabled ? 1 : 0);
        break;
    case OT_TTL:
        setInt(Handle, ipLevel, UsesIPv6 ? IPV6_UNICAST_HOPS : IP_TTL, Option.Value);
        break;
    case OT_Broadcast:
        setInt(Handle, SOL_SOCKET, SO_BROADCAST, Option.Enabled ? 1 : 0);
        break;
    case OT_MulticastTTL:
        setInt(Handle, ipLevel, UsesIPv6 ? IPV6_MULTICAST_HOPS : IP_MULTICAST_TTL, Option.Value);
        break;
    case OT_MulticastLoop:
        setInt(Handle, ipLevel, UsesIPv6 ? IPV6_MULTICAST_LOOP : IP_MULTICAST_LOOP, Option.Enabled ? 1 : 0);
        break;
    }
}
