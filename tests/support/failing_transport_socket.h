#pragma once

#include "net/socket_error.h"
#include "net/tcp_block_socket.h"

#include <cstdint>

// A TTCPBlockSocket whose transport fails when a test tells it to, so that
// error paths run on order instead of waiting for a peer to misbehave. It
// numbers the receives and sends it carries from 0, both kinds on one count,
// in the order they happen: the SOCKS, tunnel and HTTP bytes alike, not the
// TLS handshake, which the library carries itself. A failed operation leaves
// the connection alone: a receive gives -1 and a send 0, with LastErrorCode
// set to the chosen code as a real failure sets it. A receive that is to fail
// is not waited for, so a time-out reported this way has passed at once.
// Thread, blocking and errors otherwise: as TTCPBlockSocket.
class FailingTransportSocket : public TTCPBlockSocket
{
public:
    // Operation Number and every one after it fail with Code, as on a
    // connection that broke there (SE_ConnectionReset) or a peer that fell
    // silent (SE_TimedOut). A negative Number plans no failure.
    void FailFrom(int Number, SocketErrorCode Code);
    // Each receive hands over at most Bytes (0: all that is waiting), so a
    // reply takes one operation per piece.
    void LimitReceives(std::int32_t Bytes) { m_receiveLimit = Bytes; }

    // Whether an operation has failed on order.
    bool Failed() const { return m_failed; }

    std::int32_t BytesWaiting() override;

protected:
    std::int32_t TransportReceive(void* Buffer, std::int32_t Length) override;
    std::int32_t TransportSend(const char* Buffer, std::int32_t Length) override;

private:
    // Counts one operation; when it is to fail, sets the error and answers true.
    bool failsNow();

    int m_operations = 0;
    int m_failFrom = -1;
    SocketErrorCode m_code = SE_TimedOut;
    bool m_failed = false;
    std::int32_t m_receiveLimit = 0;
};
