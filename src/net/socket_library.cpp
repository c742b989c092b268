#include "net/socket_library.h"

#include "net/socket_error.h"

#include <csignal>
#include <sys/ioctl.h>
#include <unistd.h>

std::mutex SocketLibraryLock;

namespace {

TSocketLibrary binding;

void bindFunctions(TSocketLibrary& entries)
{
    entries.Socket = ::socket;
    entries.CloseSocket = ::close;
    entries.IoctlSocket = ::ioctl;
    entries.Bind = ::bind;
    entries.Connect = ::connect;
    entries.Listen = ::listen;
    entries.Accept = ::accept;
    entries.GetPeerName = ::getpeername;
    entries.GetSockName = ::getsockname;
    entries.GetSockOpt = ::getsockopt;
    entries.SetSockOpt = ::setsockopt;
    entries.Send = ::send;
    entries.SendTo = ::sendto;
    entries.Recv = ::recv;
    entries.RecvFrom = ::recvfrom;
    entries.Shutdown = ::shutdown;
    entries.Poll = ::poll;
    entries.GetHostName = ::gethostname;
    entries.GetAddrInfo = ::getaddrinfo;
    entries.FreeAddrInfo = ::freeaddrinfo;
    entries.GetNameInfo = ::getnameinfo;
}

// Binds the interface when the process starts and releases it when it ends.
// Starting the interface also makes a write to a closed peer an error code
// rather than a signal that ends the process: the connections send with
// MSG_NOSIGNAL, and this covers writes made for them by other libraries (TLS).
struct SocketInterfaceStart {
    SocketInterfaceStart()
    {
        if (!LoadSocketLibrary("ws2_32.dll")) {
            const Text message = "Error loading Socket interface (ws2_32.dll)!";
            throw ESocketError(message, 0, message);
        }
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~SocketInterfaceStart() { UnloadSocketLibrary(); }
    SocketInterfaceStart(const SocketInterfaceStart&) = delete;
    SocketInterfaceStart& operator=(const SocketInterfaceStart&) = delete;
};

const SocketInterfaceStart interfaceStart;

}

const TSocketLibrary& SocketLibrary() { return binding; }

bool LoadSocketLibrary(const Text& Name)
{
    std::lock_guard lock(SocketLibraryLock);
    // A binding already in use is only counted once more, so that each user's
    // unload is matched.
    if (binding.UserCount > 0) {
        ++binding.UserCount;
        return true;
    }
    binding.LibraryName = Name.empty() ? Text("ws2_32.dll") : Name;
    binding.IPv6HelperAvailable = false;
    bindFunctions(binding);
    binding.ExtendedResolverAvailable
        = binding.GetAddrInfo != nullptr && binding.FreeAddrInfo != nullptr && binding.GetNameInfo != nullptr;
    ++binding.UserCount;
    return true;
}

void UnloadSocketLibrary()
{
    std::lock_guard lock(SocketLibraryLock);
    if (binding.UserCount > 0)
        --binding.UserCount;
}
