#pragma once

#include "base/text.h"

#include <cstdint>
#include <stdexcept>

// The exception a connection raises when its RaiseExcept setting is on. Its
// message is the full text shown to a user; ErrorCode is the connection's code
// (Windows Sockets numbering) and ErrorMessage the description of that code.
class ESocketError : public std::runtime_error
{
public:
    ESocketError(const Text& Message, std::int32_t Code, const Text& Description);

    std::int32_t ErrorCode;
    Text ErrorMessage;
};

// The connection layer's error codes, numbered the Windows Sockets way on
// every platform. Code that sets or tests a code uses these names; the
// description table is written against the same names.
enum SocketErrorCode : std::int32_t {
    SE_Interrupted = 10004,
    SE_BadFile = 10009,
    SE_PermissionDenied = 10013,
    SE_BadAddress = 10014,
    SE_InvalidArgument = 10022,
    SE_TooManyOpenFiles = 10024,
    SE_WouldBlock = 10035,
    SE_InProgress = 10036,
    SE_AlreadyInProgress = 10037,
    SE_NotSocket = 10038,
    SE_DestinationRequired = 10039,
    SE_MessageTooLong = 10040,
    SE_WrongProtocolType = 10041,
    SE_ProtocolUnavailable = 10042,
    SE_ProtocolNotSupported = 10043,
    SE_SocketTypeNotSupported = 10044,
    SE_OperationNotSupported = 10045,
    SE_ProtocolFamilyNotSupported = 10046,
    SE_AddressFamilyNotSupported = 10047,
    SE_AddressInUse = 10048,
    SE_AddressNotAvailable = 10049,
    SE_NetworkDown = 10050,
    SE_NetworkUnreachable = 10051,
    SE_NetworkReset = 10052,
    SE_ConnectionAborted = 10053,
    SE_ConnectionReset = 10054,
    SE_NoBufferSpace = 10055,
    SE_AlreadyConnected = 10056,
    SE_NotConnected = 10057,
    SE_Shutdown = 10058,
    SE_TooManyReferences = 10059,
    SE_TimedOut = 10060,
    SE_ConnectionRefused = 10061,
    SE_SymbolicLinkLoop = 10062,
    SE_NameTooLong = 10063,
    SE_HostDown = 10064,
    SE_HostUnreachable = 10065,
    SE_DirectoryNotEmpty = 10066,
    SE_TooManyProcesses = 10067,
    SE_TooManyUsers = 10068,
    SE_DiskQuota = 10069,
    SE_StaleHandle = 10070,
    SE_RemotePath = 10071,
    SE_SubsystemUnusable = 10091,
    SE_VersionNotSupported = 10092,
    SE_NotInitialised = 10093,
    SE_Disconnect = 10101,
    SE_TypeNotFound = 10109,
    SE_HostNotFound = 11001,
    SE_TryAgain = 11002,
    SE_NoRecovery = 11003,
    SE_NoData = 11004,
    // The layer's own codes, beyond the range the Windows Sockets numbering uses.
    SE_BadFraming = 12001, // the peer's data does not mark where its message ends as it must
};

// The connection layer numbers its errors the Windows Sockets way on every
// platform, so that 10054, 10060, 10061, 11001 and the rest keep one meaning
// for the code above it. These map the platform's socket error numbers and
// resolver results onto that numbering. Safe from any thread.

// errno of a failed socket call to its code (ECONNREFUSED gives 10061, ...).
// An errno without a counterpart is passed through unchanged.
std::int32_t SocketErrorFromErrno(int ErrorNumber);

// Result of getaddrinfo/getnameinfo to its code (EAI_NONAME gives 11001, ...);
// SystemErrorNumber is errno, used when the result is EAI_SYSTEM. 0 stays 0.
std::int32_t SocketErrorFromResolver(int ResolverResult, int SystemErrorNumber);

// The description of a code: empty for 0, the fixed table text for a known
// code, "Other Winsock error (<code>)" for anything else.
Text SocketErrorDescription(std::int32_t Code);
