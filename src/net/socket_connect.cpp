#include "net/socket_connect.h"

#include "base/tick.h"
#include "net/non_blocking_scope.h"
#include "net/socket_address.h"
#include "net/socket_error.h"
#include "net/socket_library.h"

#include <cerrno>
#include <poll.h>

namespace {

// Waits until the connect in progress on handle has ended or timeout has passed.
std::int32_t waitForConnect(int handle, std::int32_t timeout)
{
    const std::uint32_t start = TickNow();
    pollfd entry { handle, POLLOUT, 0 };
    int ready = 0;
    do
        ready = SocketLibrary().Poll(&entry, 1, TickRemaining(timeout, start));
    while (ready < 0 && errno == EINTR);
    if (ready < 0)
        return SocketErrorFromErrno(errno);
    if (ready == 0)
        return SE_TimedOut;
    // The socket is writable once the connect has ended, either way; its
    // pending error says which.
    int error = 0;
    socklen_t length = sizeof(error);
    if (SocketLibrary().GetSockOpt(handle, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return SocketErrorFromErrno(errno);
    return error == 0 ? 0 : SocketErrorFromErrno(error);
}

}

std::int32_t ConnectWithin(int Handle, const sockaddr_storage& Address, std::int32_t Timeout)
{
    const auto* target = reinterpret_cast<const sockaddr*>(&Address);
    if (Timeout < 0)
        return SocketLibrary().Connect(Handle, target, AddressLength(Address)) == 0
            ? 0
            : SocketErrorFromErrno(errno);
    const NonBlockingScope nonBlocking(Handle);
    if (SocketLibrary().Connect(Handle, target, AddressLength(Address)) == 0)
        return 0;
    if (errno != EINPROGRESS)
        return SocketErrorFromErrno(errno);
    return waitForConnect(Handle, Timeout);
}
