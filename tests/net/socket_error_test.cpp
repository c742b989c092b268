#include "net/block_socket.h"
#include "net/socket_error.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <netdb.h>

namespace {

// The tables below write codes as numbers, not as SE_ names: they pin the
// Windows Sockets numbering that the names stand for.
struct DescriptionCase {
    std::int32_t code;
    const char* text;
};

class SocketErrorDescription : public ::testing::TestWithParam<DescriptionCase>
{
};

TEST_P(SocketErrorDescription, MatchesTable)
{
    EXPECT_EQ(TBlockSocket::GetErrorDesc(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, SocketErrorDescription,
    ::testing::Values(DescriptionCase { 0, "" }, DescriptionCase { 10004, "Interrupted system call" },
        DescriptionCase { 10035, "Operation would block" },
        DescriptionCase { 10053, "Software caused connection abort" },
        DescriptionCase { 10054, "Connection reset by peer" },
        DescriptionCase { 10055, "No Buffer space available" },
        DescriptionCase { 10059, "Too many references:can't splice" },
        DescriptionCase { 10060, "Connection timed out" }, DescriptionCase { 10061, "Connection refused" },
        DescriptionCase { 10071, "Too many levels of remote in path" },
        DescriptionCase { 10091, "Network subsystem is unusable" }, DescriptionCase { 10101, "Disconnect" },
        DescriptionCase { 11001, "Host not found" },
        DescriptionCase { 11002, "Non authoritative - host not found" },
        DescriptionCase { 11004, "Valid name, no data record of requested type" },
        DescriptionCase { 10010, "Other Winsock error (10010)" },
        DescriptionCase { 10072, "Other Winsock error (10072)" },
        DescriptionCase { 12345, "Other Winsock error (12345)" },
        DescriptionCase { -1, "Other Winsock error (-1)" }));

TEST(SocketErrorDescription, TableHasFiftyOneRows)
{
    int known = 0;
    for (std::int32_t code = 10000; code <= 11010; ++code) {
        if (TBlockSocket::GetErrorDesc(code).rfind("Other Winsock error", 0) != 0)
            ++known;
    }
    EXPECT_EQ(known, 51);
}

struct MappingCase {
    int from;
    std::int32_t to;
};

class SocketErrorFromErrnoMapping : public ::testing::TestWithParam<MappingCase>
{
};

TEST_P(SocketErrorFromErrnoMapping, GivesWindowsSocketsCode)
{
    EXPECT_EQ(SocketErrorFromErrno(GetParam().from), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(Errno, SocketErrorFromErrnoMapping,
    ::testing::Values(MappingCase { ECONNREFUSED, 10061 }, MappingCase { ETIMEDOUT, 10060 },
        MappingCase { ECONNRESET, 10054 }, MappingCase { EPIPE, 10054 }, MappingCase { ENETUNREACH, 10051 },
        MappingCase { EHOSTUNREACH, 10065 }, MappingCase { EAGAIN, 10035 },
        MappingCase { EINPROGRESS, 10036 }, MappingCase { EADDRINUSE, 10048 }, MappingCase { EBADF, 10009 },
        MappingCase { ENOTSOCK, 10038 }, MappingCase { ENOTCONN, 10057 }, MappingCase { 0, 10022 }));

class SocketErrorFromResolverMapping : public ::testing::TestWithParam<MappingCase>
{
};

TEST_P(SocketErrorFromResolverMapping, GivesResolverCode)
{
    EXPECT_EQ(SocketErrorFromResolver(GetParam().from, ECONNREFUSED), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(Resolver, SocketErrorFromResolverMapping,
    ::testing::Values(MappingCase { 0, 0 }, MappingCase { EAI_NONAME, 11001 },
        MappingCase { EAI_AGAIN, 11002 }, MappingCase { EAI_FAIL, 11003 }, MappingCase { EAI_NODATA, 11004 },
        MappingCase { EAI_SYSTEM, 10061 }));

TEST(ESocketError, CarriesCodeAndDescription)
{
    const ESocketError error(
        "TCP/IP Socket error 10060: Connection timed out", SE_TimedOut, "Connection timed out");
    EXPECT_STREQ(error.what(), "TCP/IP Socket error 10060: Connection timed out");
    EXPECT_EQ(error.ErrorCode, SE_TimedOut);
    EXPECT_EQ(error.ErrorMessage, "Connection timed out");
}

}
