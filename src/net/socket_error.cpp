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
    { EINTR, 10004 },
    { EBADF, 10009 },
    { EACCES, 10013 },
    { EPERM, 10013 },
    { EFAULT, 10014 },
    { EINVAL, 10022 },
    { EMFILE, 10024 },
    { ENFILE, 10024 },
    { EWOULDBLOCK, 10035 },
    { EINPROGRESS, 10036 },
    { EALREADY, 10037 },
    { ENOTSOCK, 10038 },
    { EDESTADDRREQ, 10039 },
    { EMSGSIZE, 10040 },
    { EPROTOTYPE, 10041 },
    { ENOPROTOOPT, 10042 },
    { EPROTONOSUPPORT, 10043 },
    { ESOCKTNOSUPPORT, 10044 },
    { EOPNOTSUPP, 10045 },
    { EPFNOSUPPORT, 10046 },
    { EAFNOSUPPORT, 10047 },
    { EADDRINUSE, 10048 },
    { EADDRNOTAVAIL, 10049 },
    { ENETDOWN, 10050 },
    { ENETUNREACH, 10051 },
    { ENETRESET, 10052 },
    { ECONNABORTED, 10053 },
    { ECONNRESET, 10054 },
    { EPIPE, 10054 },
    { ENOBUFS, 10055 },
    { ENOMEM, 10055 },
    { EISCONN, 10056 },
    { ENOTCONN, 10057 },
    { ESHUTDOWN, 10058 },
    { ETOOMANYREFS, 10059 },
    { ETIMEDOUT, 10060 },
    { ECONNREFUSED, 10061 },
    { ELOOP, 10062 },
    { ENAMETOOLONG, 10063 },
    { EHOSTDOWN, 10064 },
    { EHOSTUNREACH, 10065 },
    { ENOTEMPTY, 10066 },
    { EUSERS, 10068 },
    { EDQUOT, 10069 },
    { ESTALE, 10070 },
    { EREMOTE, 10071 },
};

// Resolver results. A name that exists without an address of the asked family
// is "valid name, no data"; an unknown service is the Windows "type not found".
constexpr CodePair resolverCodes[] = {
    { EAI_NONAME, 11001 },
    { EAI_AGAIN, 11002 },
    { EAI_FAIL, 11003 },
    { EAI_NODATA, 11004 },
    { EAI_ADDRFAMILY, 11004 },
    { EAI_FAMILY, 10047 },
    { EAI_SOCKTYPE, 10044 },
    { EAI_SERVICE, 10109 },
    { EAI_MEMORY, 10055 },
    { EAI_BADFLAGS, 10022 },
    { EAI_OVERFLOW, 10014 },
};

struct Description {
    std::int32_t code;
    const char* text;
};

constexpr Description descriptions[] = {
    { 10004, "Interrupted system call" },
    { 10009, "Bad file number" },
    { 10013, "Permission denied" },
    { 10014, "Bad address" },
    { 10022, "Invalid argument" },
    { 10024, "Too many open files" },
    { 10035, "Operation would block" },
    { 10036, "Operation now in progress" },
    { 10037, "Operation already in progress" },
    { 10038, "Socket operation on nonsocket" },
    { 10039, "Destination address required" },
    { 10040, "Message too long" },
    { 10041, "Protocol wrong type for Socket" },
    { 10042, "Protocol not available" },
    { 10043, "Protocol not supported" },
    { 10044, "Socket not supported" },
    { 10045, "Operation not supported on Socket" },
    { 10046, "Protocol family not supported" },
    { 10047, "Address family not supported" },
    { 10048, "Address already in use" },
    { 10049, "Can't assign requested address" },
    { 10050, "Network is down" },
    { 10051, "Network is unreachable" },
    { 10052, "Network dropped connection on reset" },
    { 10053, "Software caused connection abort" },
    { 10054, "Connection reset by peer" },
    { 10055, "No Buffer space available" },
    { 10056, "Socket is already connected" },
    { 10057, "Socket is not connected" },
    { 10058, "Can't send after Socket shutdown" },
    { 10059, "Too many references:can't splice" },
    { 10060, "Connection timed out" },
    { 10061, "Connection refused" },
    { 10062, "Too many levels of symbolic links" },
    { 10063, "File name is too long" },
    { 10064, "Host is down" },
    { 10065, "No route to host" },
    { 10066, "Directory is not empty" },
    { 10067, "Too many processes" },
    { 10068, "Too many users" },
    { 10069, "Disk quota exceeded" },
    { 10070, "Stale NFS file handle" },
    { 10071, "Too many levels of remote in path" },
    { 10091, "Network subsystem is unusable" },
    { 10092, "Winsock DLL cannot support this application" },
    { 10093, "Winsock not initialized" },
    { 10101, "Disconnect" },
    { 11001, "Host not found" },
    { 11002, "Non authoritative - host not found" },
    { 11003, "Non recoverable error" },
    { 11004, "Valid name, no data record of requested type" },
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
    return ErrorNumber != 0 ? ErrorNumber : 10022;
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
    return 11003;
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
