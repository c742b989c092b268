#pragma once

#include "base/text.h"

#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

// The process-wide binding of the socket interface. On this platform the
// functions come from the C library and are bound once when the process starts
// (before main); the start-up raises ESocketError with the message
// "Error loading Socket interface (ws2_32.dll)!" if that fails. The extended
// resolver (getaddrinfo, freeaddrinfo, getnameinfo) is always part of the C
// library, so ExtendedResolverAvailable is always true and no other resolver
// path exists.
//
// Thread: the entries are written only while SocketLibraryLock is held, during
// LoadSocketLibrary; afterwards they are read freely by every thread. The C
// library cannot be unloaded, so the entries stay valid until the process ends,
// also for worker threads still running while the process shuts down.
struct TSocketLibrary {
    int (*Socket)(int, int, int) = nullptr;
    int (*CloseSocket)(int) = nullptr;
    int (*IoctlSocket)(int, unsigned long, ...) = nullptr;
    int (*Bind)(int, const sockaddr*, socklen_t) = nullptr;
    int (*Connect)(int, const sockaddr*, socklen_t) = nullptr;
    int (*Listen)(int, int) = nullptr;
    int (*Accept)(int, sockaddr*, socklen_t*) = nullptr;
    int (*GetPeerName)(int, sockaddr*, socklen_t*) = nullptr;
    int (*GetSockName)(int, sockaddr*, socklen_t*) = nullptr;
    int (*GetSockOpt)(int, int, int, void*, socklen_t*) = nullptr;
    int (*SetSockOpt)(int, int, int, const void*, socklen_t) = nullptr;
    ssize_t (*Send)(int, const void*, size_t, int) = nullptr;
    ssize_t (*SendTo)(int, const void*, size_t, int, const sockaddr*, socklen_t) = nullptr;
    ssize_t (*Recv)(int, void*, size_t, int) = nullptr;
    ssize_t (*RecvFrom)(int, void*, size_t, int, sockaddr*, socklen_t*) = nullptr;
    int (*Shutdown)(int, int) = nullptr;
    int (*Poll)(pollfd*, nfds_t, int) = nullptr;
    int (*GetHostName)(char*, size_t) = nullptr;
    int (*GetAddrInfo)(const char*, const char*, const addrinfo*, addrinfo**) = nullptr;
    void (*FreeAddrInfo)(addrinfo*) = nullptr;
    int (*GetNameInfo)(const sockaddr*, socklen_t, char*, socklen_t, char*, socklen_t, int) = nullptr;

    bool ExtendedResolverAvailable = false;
    bool IPv6HelperAvailable = false;
    int UserCount = 0;
    // Name the binding was asked for; the functions themselves always come
    // from the C library.
    Text LibraryName;
};

// The one lock around the binding's user count and entries.
extern std::mutex SocketLibraryLock;

// The binding. Valid once the process has started.
const TSocketLibrary& SocketLibrary();

// Binds the functions (an empty Name means "ws2_32.dll", kept only as the name
// of the interface) and counts one more user; true on success. A binding that
// already has users succeeds at once.
bool LoadSocketLibrary(const Text& Name);

// One user fewer, never below 0. The entries are kept: the C library stays
// mapped for the life of the process.
void UnloadSocketLibrary();
