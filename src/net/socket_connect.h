#pragma once

#include <cstdint>
#include <sys/socket.h>

// Connects Handle to Address and returns the connection layer's code: 0 once
// connected, SE_TimedOut when Timeout milliseconds passed first, else the
// code of the OS's failure (SE_ConnectionRefused, SE_NetworkUnreachable, ...).
// A negative Timeout leaves the wait to the OS, as a blocking connect does.
// With a time-out the connect runs on the non-blocking socket and the handle
// gets its blocking mode back however it ends; a connect that timed out is
// left unfinished for the caller to close. Blocks for at most Timeout;
// stateless and safe from any thread.
std::int32_t ConnectWithin(int Handle, const sockaddr_storage& Address, std::int32_t Timeout);
