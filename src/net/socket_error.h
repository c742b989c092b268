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
