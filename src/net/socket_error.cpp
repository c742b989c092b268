#include "net/socket_error.h"

#include <cerrno>
#include <netdb.h>
#include <string>

namespace {

struct CodePair {
    int from;
    std::int32_t to;
};

// errno values and their Windows Sockets counterparts. EPIPE comes from a send
// to a peer that has gone away, which the layer reports as a reset like any
// other closed connection.
constexpr CodePair errnoCodes[] = {
    { EINTR, SE_Interrupted },
    { EBADF, SE_BadFile },
    { EACCES, SE_PermissionDenied },
    { EPERM, SE_PermissionDenied },
    { EFAULT, SE_BadAddress },
    { EINVAL, SE_InvalidArgument },
    { EMFILE, SE_TooManyOpenFiles },
    { ENFILE, SE_TooManyOpenFiles },
    { EWOULDBLOCK, SE_WouldBlock },
    { EINPROGRESS, SE_InProgress },
    { EALREADY, SE_AlreadyInProgress },
    { ENOTSOCK, SE_NotSocket },
    { EDESTADDRREQ, SE_DestinationRequired },
    { EMSGSIZE, SE_MessageTooLong },
    { EPROTOTYPE, SE_WrongProtocolType },
    { ENOPROTOOPT, SE_ProtocolUnavailable },
    { EPROTONOSUPPORT, SE_ProtocolNotSupported },
    { ESOCKTNOSUPPORT, SE_SocketTypeNotSupported },
    { EOPNOTSUPP, SE_OperationNotSupported },
    { EPFNOSUPPORT, SE_ProtocolFamilyNotSupported },
    { EAFNOSUPPORT, SE_AddressFamilyNotSupported },
    { EADDRINUSE, SE_AddressInUse },
    { EADDRNOTAVAIL, SE_AddressNotAvailable },
    { ENETDOWN, SE_NetworkDown },
    { ENETUNREACH, SE_NetworkUnreachable },
    { ENETRESET, SE_NetworkReset },
    { ECONNABORTED, SE_ConnectionAborted },
    { ECONNRESET, SE_ConnectionReset },
    { EPIPE, SE_ConnectionReset },
    { ENOBUFS, SE_NoBufferSpace },
    { ENOMEM, SE_NoBufferSpace },
    { EISCONN, SE_AlreadyConnected },
    { ENOTCONN, SE_NotConnected },
    { ESHUTDOWN, SE_Shutdown },
    { ETOOMANYREFS, SE_TooManyReferences },
    { ETIMEDOUT, SE_TimedOut },
    { ECONNREFUSED, SE_ConnectionRefused },
    { ELOOP, SE_SymbolicLinkLoop },
    { ENAMETOOLONG, SE_NameTooLong },
    { EHOSTDOWN, SE_HostDown },
    { EHOSTUNREACH, SE_HostUnreachable },
    { ENOTEMPTY, SE_DirectoryNotEmpty },
    { EUSERS, SE_TooManyUsers },
    { EDQUOT, SE_DiskQuota },
    { ESTALE, SE_StaleHandle },
    { EREMOTE, SE_RemotePath },
};

// Resolver results. A name that exists without an address of the asked family
// is "valid name, no data"; an unknown service is the Windows "type not found".
constexpr CodePair resolverCodes[] = {
    { EAI_NONAME, SE_HostNotFound },
    { EAI_AGAIN, SE_TryAgain },
    { EAI_FAIL, SE_NoRecovery },
    { EAI_NODATA, SE_NoData },
    { EAI_ADDRFAMILY, SE_NoData },
    { EAI_FAMILY, SE_AddressFamilyNotSupported },
    { EAI_SOCKTYPE, SE_SocketTypeNotSupported },
    { EAI_SERVICE, SE_TypeNotFound },
    { EAI_MEMORY, SE_NoBufferSpace },
    { EAI_BADFLAGS, SE_InvalidArgument },
    { EAI_OVERFLOW, SE_BadAddress },
};

struct Description {
    std::int32_t code;
    const char* text;
};

constexpr Description descriptions[] = {
    { SE_Interrupted, "Interrupted system call" },
    { SE_BadFile, "Bad file number" },
    { SE_PermissionDenied, "Permission denied" },
    { SE_BadAddress, "Bad address" },
    { SE_InvalidArgument, "Invalid argument" },
    { SE_TooManyOpenFiles, "Too many open files" },
    { SE_WouldBlock, "Operation would block" },
    { SE_InProgress, "Operation now in progress" },
    { SE_AlreadyInProgress, "Operation already in progress" },
    { SE_NotSocket, "Socket operation on nonsocket" },
    { SE_DestinationRequired, "Destination address required" },
    { SE_MessageTooLong, "Message too long" },
    { SE_WrongProtocolType, "Protocol wrong type for Socket" },
    { SE_ProtocolUnavailable, "Protocol not available" },
    { SE_ProtocolNotSupported, "Protocol not supported" },
    { SE_SocketTypeNotSupported, "Socket not supported" },
    { SE_OperationNotSupported, "Operation not supported on Socket" },
    { SE_ProtocolFamilyNotSupported, "Protocol family not supported" },
    { SE_AddressFamilyNotSupported, "Address family not supported" },
    { SE_AddressInUse, "Address already in use" },
    { SE_AddressNotAvailable, "Can't assign requested address" },
    { SE_NetworkDown, "Network is down" },
    { SE_NetworkUnreachable, "Network is unreachable" },
    { SE_NetworkReset, "Network dropped connection on reset" },
    { SE_ConnectionAborted, "Software caused connection abort" },
    { SE_ConnectionReset, "Connection reset by peer" },
    { SE_NoBufferSpace, "No Buffer space available" },
    { SE_AlreadyConnected, "Socket is already connected" },
    { SE_NotConnected, "Socket is not connected" },
    { SE_Shutdown, "Can't send after Socket shutdown" },
    { SE_TooManyReferences, "Too many references:can't splice" },
    { SE_TimedOut, "Connection timed out" },
    { SE_ConnectionRefused, "Connection refused" },
    { SE_SymbolicLinkLoop, "Too many levels of symbolic links" },
    { SE_NameTooLong, "File name is too long" },
    { SE_HostDown, "Host is down" },
    { SE_HostUnreachable, "No route to host" },
    { SE_DirectoryNotEmpty, "Directory is not empty" },
    { SE_TooManyProcesses, "Too many processes" },
    { SE_TooManyUsers, "Too many users" },
    { SE_DiskQuota, "Disk quota exceeded" },
    { SE_StaleHandle, "Stale NFS file handle" },
    { SE_RemotePath, "Too many levels of remote in path" },
    { SE_SubsystemUnusable, "Network subsystem is unusable" },
    { SE_VersionNotSupported, "Winsock DLL cannot support this application" },
    { SE_NotInitialised, "Winsock not initialized" },
    { SE_Disconnect, "Disconnect" },
    { SE_HostNotFound, "Host not found" },
    { SE_TryAgain, "Non authoritative - host not found" },
    { SE_NoRecovery, "Non recoverable error" },
    { SE_NoData, "Valid name, no data record of requested type" },
    { SE_BadFraming, "Malformed message framing" },
};

}

ESocketError::ESocketError(const Text& Message, std::int32_t Code, const Text& Description)
    : std::runtime_error(Message)
    , ErrorCode(Code)
    , ErrorMessage(Description)
{
}

std::int32_t SocketErrorFromErrno(int ErrorNumber)
{
    for (const CodePair& pair : errnoCodes) {
        if (pair.from == ErrorNumber)
            return pair.to;
    }
    // A failed call always yields a non-zero code, so a failure can never
    // look like success even when the OS left errno unset.
    return ErrorNumber != 0 ? ErrorNumber : SE_InvalidArgument;
}

std::int32_t SocketErrorFromResolver(int ResolverResult, int SystemErrorNumber)
{
    if (ResolverResult == 0)
        return 0;
    if (ResolverResult == EAI_SYSTEM)
        return SocketErrorFromErrno(SystemErrorNumber);
    for (const CodePair& pair : resolverCodes) {
        if (pair.from == ResolverResult)
            return pair.to;
    }
    return SE_NoRecovery;
}

Text SocketErrorDescription(std::int32_t Code)
{
    if (Code == 0)
        return {};
    for (const Description& row : descriptions) {
        if (row.code == Code)
            return row.text;
    }
    return "Other Winsock error (" + std::to_string(Code) + ")";
}
