#include "support/failing_transport_socket.h"

#include <algorithm>

void FailingTransportSocket::FailFrom(int Number, SocketErrorCode Code)
{
    m_failFrom = Number;
    m_code = Code;
}

bool FailingTransportSocket::failsNow()
{
    const int number = m_operations++;
    if (m_failFrom < 0 || number < m_failFrom)
        return false;
    m_failed = true;
    m_lastErrorCode = m_code;
    m_lastErrorText = GetErrorDesc(m_code);
    return true;
}

std::int32_t FailingTransportSocket::BytesWaiting()
{
    // One byte "waiting" sends the reader straight to the receive that fails,
    // instead of into a wait for data that may never come.
    if (m_failFrom >= 0 && m_operations >= m_failFrom)
        return 1;
    return TTCPBlockSocket::BytesWaiting();
}

std::int32_t FailingTransportSocket::TransportReceive(void* Buffer, std::int32_t Length)
{
    if (failsNow())
        return -1;
    const std::int32_t length = m_receiveLimit > 0 ? std::min(Length, m_receiveLimit) : Length;
    return TTCPBlockSocket::TransportReceive(Buffer, length);
}

std::int32_t FailingTransportSocket::TransportSend(const char* Buffer, std::int32_t Length)
{
    if (failsNow())
        return 0;
    return TTCPBlockSocket::TransportSend(Buffer, Length);
}
