#include "net/socket_error.h"
#include "net/socket_library.h"
#include "net/tcp_block_socket.h"
#include "support/loopback_port.h"
#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using StatusLog = std::vector<std::pair<THookSocketReason, std::string>>;

void recordStatus(TBlockSocket& sock, StatusLog& log)
{
    sock.OnStatus = [&log](TBlockSocket*, THookSocketReason reason, const Text& value) {
        log.emplace_back(reason, value);
    };
}

LoopbackServer::Script holdOpen()
{
    return [](LoopbackServer::Connection& connection) { connection.WaitForPeerClose(); };
}

int receiveBufferSize(int handle)
{
    int size = 0;
    socklen_t length = sizeof(size);
    ::getsockopt(handle, SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

// ---- Connect ----

TEST(TCPBlockSocket, ConstructorDefaults)
{
    TTCPBlockSocket sock;
    EXPECT_EQ(sock.SocketHandle(), -1);
    EXPECT_EQ(sock.SocketKind(), 1);
    EXPECT_EQ(sock.SocketProtocol(), 6);
    EXPECT_EQ(sock.SendMaxChunk, 65535);
    EXPECT_TRUE(sock.InterPacketTimeout);
    EXPECT_TRUE(sock.PreferIP4);
    EXPECT_FALSE(sock.ConvertLineEnd);
    EXPECT_EQ(sock.Family(), SF_Any);
    EXPECT_EQ(sock.SocksPort, "1080");
    EXPECT_EQ(sock.SocksTimeout, 60000);
    EXPECT_TRUE(sock.SocksResolver);
    EXPECT_EQ(sock.SocksType, ST_Socks5);
    EXPECT_EQ(sock.HTTPTunnelTimeout, 30000);
    EXPECT_FALSE(sock.SSLActive());
}

TEST(TCPBlockSocket, ConnectReportsProgress)
{
    LoopbackServer server(holdOpen());
    StatusLog log; // outlives the socket, whose destructor still reports
    TTCPBlockSocket sock;
    recordStatus(sock, log);
    sock.Connect("127.0.0.1", server.PortText());
    ASSERT_EQ(sock.LastErrorCode(), 0);
    const std::string target = "127.0.0.1:" + server.PortText();
    const StatusLog expected { { HR_ResolvingBegin, target }, { HR_ResolvingEnd, target },
        { HR_SocketCreate, "IPv4" }, { HR_Connect, target } };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(sock.RemoteAddressText(), "127.0.0.1");
    EXPECT_EQ(sock.RemotePortNumber(), server.Port());
    EXPECT_EQ(sock.LocalAddressText(), "127.0.0.1");
    EXPECT_GT(sock.LocalPortNumber(), 0);
    EXPECT_FALSE(sock.UsesIPv6());
}

TEST(TCPBlockSocket, RefusedConnectGives10061)
{
    RefusingPort refusing;
    StatusLog log; // outlives the socket, whose destructor still reports
    TTCPBlockSocket sock;
    recordStatus(sock, log);
    sock.Connect("127.0.0.1", refusing.Port());
    EXPECT_EQ(sock.LastErrorCode(), SE_ConnectionRefused);
    EXPECT_EQ(sock.LastErrorText(), "Connection refused");
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[3], std::make_pair(HR_Error, std::string("10061,Connection refused")));
    EXPECT_EQ(log[4], std::make_pair(HR_Connect, "127.0.0.1:" + refusing.Port()));
    EXPECT_NE(sock.SocketHandle(), -1);
}

TEST(TCPBlockSocket, UnknownHostGivesResolverCodeWithoutSocket)
{
    StatusLog log; // outlives the socket, whose destructor still reports
    TTCPBlockSocket sock;
    recordStatus(sock, log);
    sock.Connect("no-such-host.invalid", "80");
    EXPECT_GE(sock.LastErrorCode(), SE_HostNotFound);
    EXPECT_LE(sock.LastErrorCode(), SE_NoData);
    EXPECT_EQ(sock.SocketHandle(), -1);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), std::make_pair(HR_Connect, std::string("no-such-host.invalid:80")));
}

TEST(TCPBlockSocket, NamesGoToResolverAndLoopbackFollowsFamily)
{
    LoopbackServer server(holdOpen(), 2);
    TTCPBlockSocket byName;
    byName.Connect("localhost", server.PortText());
    EXPECT_EQ(byName.LastErrorCode(), 0);
    EXPECT_EQ(byName.RemoteAddressText(), "127.0.0.1");

    TTCPBlockSocket hinted;
    hinted.SetFamily(SF_IP4);
    hinted.Connect("::1", server.PortText());
    EXPECT_EQ(hinted.LastErrorCode(), 0);
    EXPECT_EQ(hinted.RemoteAddressText(), "127.0.0.1");
}

TEST(TCPBlockSocket, RaiseExceptThrowsFormattedError)
{
    RefusingPort refusing;
    TTCPBlockSocket sock;
    sock.RaiseExcept = true;
    try {
        sock.Connect("127.0.0.1", refusing.Port());
        FAIL() << "no exception";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "TCP/IP Socket error 10061: Connection refused");
        EXPECT_EQ(error.ErrorCode, SE_ConnectionRefused);
        EXPECT_EQ(error.ErrorMessage, "Connection refused");
    }
    EXPECT_EQ(sock.LastErrorCode(), SE_ConnectionRefused);
}

TEST(TCPBlockSocket, WouldBlockAndInProgressNeverRaise)
{
    LoopbackServer server(holdOpen());
    StatusLog log; // outlives the socket, whose destructor still reports
    TTCPBlockSocket sock;
    recordStatus(sock, log);
    sock.RaiseExcept = true;
    sock.OnCreateSocket = [](TBlockSocket* sender) {
        ::fcntl(sender->SocketHandle(), F_SETFL, ::fcntl(sender->SocketHandle(), F_GETFL) | O_NONBLOCK);
    };
    EXPECT_NO_THROW(sock.Connect("127.0.0.1", server.PortText()));
    EXPECT_EQ(sock.LastErrorCode(), SE_InProgress);
    ASSERT_TRUE(sock.WaitWritable(2000));
    char buffer[8];
    EXPECT_NO_THROW(sock.ReceiveRaw(buffer, sizeof(buffer)));
    EXPECT_EQ(sock.LastErrorCode(), SE_WouldBlock);
    for (const auto& entry : log)
        EXPECT_NE(entry.first, HR_Error);
}

// ---- Bind and options ----

TEST(TCPBlockSocket, BindToWildcardPortZeroIsNoOp)
{
    StatusLog log; // outlives the socket, whose destructor still reports
    TTCPBlockSocket sock;
    recordStatus(sock, log);
    sock.Bind("0.0.0.0", "0");
    EXPECT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(sock.SocketHandle(), -1);
    EXPECT_TRUE(log.empty());

    sock.Bind("127.0.0.1", "0");
    EXPECT_EQ(sock.LastErrorCode(), 0);
    EXPECT_NE(sock.SocketHandle(), -1);
    EXPECT_GT(sock.LocalPortNumber(), 0);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), std::make_pair(HR_Bind, std::string("127.0.0.1:0")));
}

TEST(TCPBlockSocket, BindWithFixedFamilyCreatesSocket)
{
    TTCPBlockSocket sock;
    sock.SetFamily(SF_IP4);
    sock.Bind("0.0.0.0", "0");
    EXPECT_EQ(sock.LastErrorCode(), 0);
    EXPECT_NE(sock.SocketHandle(), -1);
}

TEST(TCPBlockSocket, BufferSizeReachesOnlyFirstSocket)
{
    const int fresh = ::socket(AF_INET, SOCK_STREAM, 0);
    const int defaultSize = receiveBufferSize(fresh);
    ::close(fresh);

    LoopbackServer server(holdOpen(), 2);
    TTCPBlockSocket sock;
    std::vector<int> sizes;
    sock.OnCreateSocket
        = [&sizes](TBlockSocket* sender) { sizes.push_back(receiveBufferSize(sender->SocketHandle())); };
    sock.SetReceiveBufferSize(10000);
    sock.Connect("127.0.0.1", server.PortText());
    sock.CloseConnection();
    sock.Connect("127.0.0.1", server.PortText());
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_NE(sizes[0], defaultSize);
    EXPECT_LE(sizes[0], 20000);
    EXPECT_EQ(sizes[1], defaultSize);
}

// ---- Close ----

TEST(TCPBlockSocket, CloseConnectionShutsDownAndReturnsToNoSocket)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        connection.Send("unread");
        connection.WaitForPeerClose();
    });
    StatusLog log;
    TTCPBlockSocket sock;
    sock.Connect("127.0.0.1", server.PortText());
    sock.SendText("bye");
    ASSERT_TRUE(sock.WaitReadable(2000));
    recordStatus(sock, log);
    sock.CloseConnection();
    EXPECT_EQ(sock.SocketHandle(), -1);
    EXPECT_EQ(sock.LastErrorCode(), 0);
    EXPECT_EQ(sock.PendingData(), "");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), std::make_pair(HR_SocketClose, std::string()));
    EXPECT_TRUE(server.WaitFinished(1));
    EXPECT_EQ(server.ReceivedBy(0), "bye");
}

TEST(TCPBlockSocket, CloseDoesNotWaitForPeerThatNeverStops)
{
    LoopbackServer server([](LoopbackServer::Connection& connection) {
        const std::string block(65536, 'f');
        while (!connection.Stopping() && connection.Send(block)) { }
    });
    TTCPBlockSocket sock;
    sock.RaiseExcept = true;
    sock.Connect("127.0.0.1", server.PortText());
    ASSERT_TRUE(sock.WaitReadable(2000));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(sock.CloseConnection());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(sock.SocketHandle(), -1);
}

TEST(TCPBlockSocket, OperationsWithoutSocketFailAtOnce)
{
    TTCPBlockSocket sock;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(sock.WaitReadable(-1));
    EXPECT_EQ(sock.LastErrorCode(), SE_NotSocket);
    EXPECT_EQ(sock.ReceiveLine(-1), "");
    EXPECT_NE(sock.LastErrorCode(), 0);
    sock.SendText("x");
    EXPECT_NE(sock.LastErrorCode(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

// ---- Routes, TLS switch, other handles ----

TEST(TCPBlockSocket, UnreachableRoutesNeverConnectDirectly)
{
    LoopbackServer server(holdOpen());
    RefusingPort refusing;
    TTCPBlockSocket socks;
    socks.SocksIP = "127.0.0.1";
    socks.SocksPort = refusing.Port();
    socks.Connect("127.0.0.1", server.PortText());
    EXPECT_EQ(socks.LastErrorCode(), SE_ConnectionRefused);
    TTCPBlockSocket tunnel;
    tunnel.HTTPTunnelIP = "127.0.0.1";
    tunnel.HTTPTunnelPort = refusing.Port();
    tunnel.Connect("127.0.0.1", server.PortText());
    EXPECT_EQ(tunnel.LastErrorCode(), SE_ConnectionRefused);
    EXPECT_EQ(server.Accepted(), 0);
}

TEST(TCPBlockSocket, AdoptedHandleCarriesData)
{
    LoopbackServer server(holdOpen());
    const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server.Port());
    ASSERT_EQ(::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    TTCPBlockSocket sock;
    sock.AdoptSocket(handle);
    EXPECT_EQ(sock.RemotePortNumber(), server.Port());
    sock.SendText("adopted");
    EXPECT_TRUE(WaitUntil([&] { return server.ReceivedBy(0) == "adopted"; }, 5s));
}

TEST(TCPBlockSocket, ListeningSocketAcceptsConnect)
{
    TTCPBlockSocket listener;
    listener.Bind("127.0.0.1", "0");
    listener.Listen();
    ASSERT_EQ(listener.LastErrorCode(), 0);
    TTCPBlockSocket client;
    client.Connect("127.0.0.1", std::to_string(listener.LocalPortNumber()));
    EXPECT_EQ(client.LastErrorCode(), 0);
}

TEST(TCPBlockSocket, AddressQueries)
{
    TTCPBlockSocket sock;
    EXPECT_EQ(sock.ResolveFirst("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(sock.ResolveFirst("no-such-host.invalid"), "0.0.0.0");
    EXPECT_EQ(sock.ResolvePortNumber("8080"), 8080);
    EXPECT_EQ(sock.ResolvePortNumber("http"), 80);
    EXPECT_EQ(sock.ResolvePortNumber("no-such-service"), 0);
    EXPECT_FALSE(sock.LocalHostName().empty());
    sock.SetFamily(SF_IP4);
    TextList all;
    sock.ResolveAll("localhost", all);
    ASSERT_FALSE(all.Empty());
    for (const Text& entry : all.Lines())
        EXPECT_EQ(entry.find(':'), Text::npos) << entry;
}

TEST(SocketLibraryBinding, BoundAtStartAndCounted)
{
    const int users = SocketLibrary().UserCount;
    EXPECT_GE(users, 1);
    EXPECT_TRUE(SocketLibrary().ExtendedResolverAvailable);
    EXPECT_EQ(SocketLibrary().LibraryName, "ws2_32.dll");
    EXPECT_TRUE(LoadSocketLibrary(""));
    EXPECT_EQ(SocketLibrary().UserCount, users + 1);
    for (int index = 0; index <= users + 1; ++index)
        UnloadSocketLibrary();
    EXPECT_EQ(SocketLibrary().UserCount, 0);
    // The C library stays mapped, so a socket still works with no users left.
    LoopbackServer server(holdOpen());
    TTCPBlockSocket sock;
    sock.Connect("127.0.0.1", server.PortText());
    EXPECT_EQ(sock.LastErrorCode(), 0);
    for (int index = 0; index < users; ++index)
        EXPECT_TRUE(LoadSocketLibrary("ws2_32.dll"));
    EXPECT_EQ(SocketLibrary().UserCount, users);
}

// A datagram socket for the datagram operations of the base class.
class UdpSocket : public TBlockSocket
{
public:
    std::int32_t SocketKind() const override { return SOCK_DGRAM; }
    std::int32_t SocketProtocol() const override { return IPPROTO_UDP; }
};

TEST(BlockSocketDatagram, SendToAndReceiveFromUseRemoteAddress)
{
    UdpSocket receiver;
    receiver.Bind("127.0.0.1", "0");
    ASSERT_EQ(receiver.LastErrorCode(), 0);
    UdpSocket sender;
    sender.Connect("127.0.0.1", std::to_string(receiver.LocalPortNumber()));
    ASSERT_EQ(sender.LastErrorCode(), 0);
    EXPECT_EQ(sender.SendBytesTo("ping", 4), 4);
    ASSERT_TRUE(receiver.WaitReadable(2000));
    char buffer[16] = {};
    EXPECT_EQ(receiver.ReceiveBytesFrom(buffer, sizeof(buffer)), 4);
    EXPECT_EQ(std::string(buffer, 4), "ping");
    EXPECT_EQ(receiver.RemotePortNumber(), sender.LocalPortNumber());
}

}
