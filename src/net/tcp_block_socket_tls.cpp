#include "base/tick.h"
#include "net/non_blocking_scope.h"
#include "net/socket_error.h"
#include "net/socket_library.h"
#include "net/tcp_block_socket.h"
#include "net/text_util.h"
#include "net/tls_library.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace {

// Outcomes of the library's error query.
constexpr int tlsErrorNone = 0;
constexpr int tlsWantsRead = 2;
constexpr int tlsWantsWrite = 3;
constexpr int tlsZeroReturn = 6;

constexpr int verifyPeer = 1;
constexpr int pemFileType = 1;

void* methodFor(TSSLType type)
{
    switch (type) {
    case LT_SSLv2:
        return TLSLibrary::SSLv2_method();
    case LT_SSLv3:
        return TLSLibrary::SSLv3_method();
    case LT_TLSv1:
        return TLSLibrary::TLSv1_method();
    case LT_all:
        break;
    }
    return TLSLibrary::SSLv23_method();
}

// Waits until the socket can serve what the library wants, at most timeout ms
// (-1 without limit); false when the time ran out.
bool waitForLibrary(int handle, int outcome, int timeout)
{
    pollfd entry { handle, static_cast<short>(outcome == tlsWantsWrite ? POLLOUT : POLLIN), 0 };
    int result = 0;
    do
        result = ::poll(&entry, 1, timeout);
    while (result < 0 && errno == EINTR);
    return result != 0;
}

}

bool TTCPBlockSocket::tlsCarriesBytes() const { return m_sslActive && !SSLBypass && !m_plainExchange; }

void TTCPBlockSocket::SetSSLActive(bool Value)
{
    m_lastErrorCode = 0;
    if (Value != m_sslActive) {
        if (Value)
            switchTLSOn();
        else
            switchTLSOff();
    }
    ReportError();
}

void TTCPBlockSocket::switchTLSOn()
{
    m_pendingData.Clear();
    m_tlsLastErrorText.clear();
    m_tlsLastErrorCode = 0;
    if (!TLSLibrary::LoadTLSLibrary()) {
        m_lastErrorCode = SE_ProtocolNotSupported;
        return;
    }
    m_tlsContext = TLSLibrary::SSL_CTX_new(methodFor(SSLType));
    if (!m_tlsContext) {
        TLSCaptureError();
        m_lastErrorCode = SE_ProtocolNotSupported;
        return;
    }
    TLSLibrary::SSL_CTX_set_cipher_list(m_tlsContext, SSLCiphers);
    TLSLibrary::SSL_CTX_set_verify(m_tlsContext, SSLverifyCert ? verifyPeer : 0);
    TLSLibrary::SSL_CTX_set_default_passwd_cb(m_tlsContext, &TTCPBlockSocket::TLSPasswordCallback);
    TLSLibrary::SSL_CTX_set_default_passwd_cb_userdata(m_tlsContext, this);
    if (!TLSLoadKeys()) {
        freeTLSObjects();
        m_lastErrorCode = SE_InvalidArgument;
        return;
    }
    m_tlsConnection = TLSLibrary::SSL_new(m_tlsContext);
    if (!m_tlsConnection) {
        TLSCaptureError();
        freeTLSObjects();
        m_lastErrorCode = SE_ProtocolNotSupported;
        return;
    }
    m_sslActive = true;
}

void TTCPBlockSocket::switchTLSOff()
{
    m_pendingData.Clear();
    freeTLSObjects();
    TLSLibrary::ERR_remove_state(0);
    m_tlsCloseReceived = false;
    m_sslActive = false;
}

void TTCPBlockSocket::freeTLSObjects()
{
    TLSLibrary::SSL_free(m_tlsConnection);
    m_tlsConnection = nullptr;
    TLSLibrary::SSL_CTX_free(m_tlsContext);
    m_tlsContext = nullptr;
}

void TTCPBlockSocket::TLSHandshake()
{
    m_lastErrorCode = 0;
    m_tlsCloseReceived = false;
    if (!m_sslActive)
        SetSSLActive(true);
    if (m_lastErrorCode == 0 && TLSLibrary::SSL_set_fd(m_tlsConnection, m_socketHandle) < 1) {
        m_lastErrorCode = SE_SubsystemUnusable;
        TLSCaptureError();
    }
    if (m_lastErrorCode == 0) {
        // Servers that host many sites on one address pick the certificate and
        // the site by the name the client asks for.
        if (!m_tlsHostName.empty() && !IsIPv4Text(m_tlsHostName) && !IsIPv6Text(m_tlsHostName))
            TLSLibrary::SSL_set_tlsext_host_name(m_tlsConnection, m_tlsHostName);
        if (SSLverifyCert && SSLverifyHost
            && TLSLibrary::SSL_set1_host(m_tlsConnection, m_tlsHostName) != 1) {
            m_lastErrorCode = SE_PermissionDenied;
            TLSCaptureError();
        }
    }
    if (m_lastErrorCode == 0)
        tlsConnect();
    if (SSLverifyCert && m_sslActive && TLSVerifyResult() != 0)
        m_lastErrorCode = SE_PermissionDenied;
    if (m_lastErrorCode != 0) {
        const std::int32_t code = m_lastErrorCode;
        SetSSLActive(false);
        m_lastErrorCode = code;
    }
    ReportError();
}

bool TTCPBlockSocket::tlsConnect()
{
    NonBlockingScope nonBlocking(m_socketHandle);
    const std::uint32_t start = TickNow();
    for (;;) {
        const int result = TLSLibrary::SSL_connect(m_tlsConnection);
        if (result >= 1)
            return true;
        const int outcome = TLSLibrary::SSL_get_error(m_tlsConnection, result);
        if (outcome != tlsWantsRead && outcome != tlsWantsWrite) {
            m_lastErrorCode = SE_SubsystemUnusable;
            TLSCaptureError();
            return false;
        }
        const std::int32_t remaining = DeadlineBound(TickRemaining(TLSHandshakeTimeout, start));
        if (remaining == 0 || !waitForLibrary(m_socketHandle, outcome, remaining)) {
            m_lastErrorCode = SE_TimedOut;
            TLSLibrary::ERR_clear_error();
            return false;
        }
    }
}

void TTCPBlockSocket::TLSShutdown()
{
    m_lastErrorCode = 0;
    if (m_tlsConnection) {
        // On the non-blocking socket a peer that never answers the close
        // cannot hold the close up; its answer is not needed.
        NonBlockingScope nonBlocking(m_socketHandle);
        if (TLSLibrary::SSL_shutdown(m_tlsConnection) == 0) {
            SocketLibrary().Shutdown(m_socketHandle, SHUT_WR);
            TLSLibrary::SSL_shutdown(m_tlsConnection);
        }
    }
    SetSSLActive(false);
}

bool TTCPBlockSocket::TLSCaptureError()
{
    m_tlsLastErrorText.clear();
    m_tlsLastErrorCode = static_cast<std::int32_t>(TLSLibrary::ERR_get_error());
    TLSLibrary::ERR_clear_error();
    if (m_tlsLastErrorCode == 0)
        return true;
    m_tlsLastErrorText = TLSLibrary::ERR_error_string(static_cast<unsigned long>(m_tlsLastErrorCode));
    return false;
}

bool TTCPBlockSocket::TLSLoadKeys()
{
    if (!m_tlsContext)
        return false;
    bool loaded = true;
    if (!SSLCertificateFile.empty())
        loaded = TLSLibrary::SSL_CTX_use_certificate_chain_file(m_tlsContext, SSLCertificateFile) == 1;
    if (loaded && !SSLPrivateKeyFile.empty())
        loaded = TLSLibrary::SSL_CTX_use_PrivateKey_file(m_tlsContext, SSLPrivateKeyFile, pemFileType) == 1;
    if (loaded && !SSLCertCAFile.empty())
        loaded = TLSLibrary::SSL_CTX_load_verify_locations(m_tlsContext, SSLCertCAFile) == 1;
    if (loaded && SSLverifyCert && SSLTrustSystemCAs)
        loaded = TLSLibrary::SSL_CTX_set_default_verify_paths(m_tlsContext) == 1;
    if (!loaded)
        TLSCaptureError();
    return loaded;
}

std::int32_t TTCPBlockSocket::TLSVerifyResult()
{
    if (!m_tlsConnection)
        return 1;
    return static_cast<std::int32_t>(TLSLibrary::SSL_get_verify_result(m_tlsConnection));
}

int TTCPBlockSocket::TLSPasswordCallback(char* Buffer, int Size, int Flag, void* UserData)
{
    static_cast<void>(Flag);
    if (!Buffer || Size <= 0)
        return 0;
    const auto* socket = static_cast<const TTCPBlockSocket*>(UserData);
    const Text password = socket ? socket->SSLPassword : Text();
    const std::size_t length = std::min(password.size(), static_cast<std::size_t>(Size - 1));
    std::memcpy(Buffer, password.data(), length);
    Buffer[length] = '\0';
    return static_cast<int>(length);
}

std::int32_t TTCPBlockSocket::TransportReceive(void* Buffer, std::int32_t Length)
{
    if (!tlsCarriesBytes())
        return TSocksBlockSocket::TransportReceive(Buffer, Length);
    m_lastErrorCode = 0;
    NonBlockingScope nonBlocking(m_socketHandle);
    const std::int32_t first = tlsReadOnce(Buffer, Length);
    if (first <= 0)
        return first;
    // One library read gives at most one record (16 KiB). Length is what the
    // socket holds, so the records already in are read now, in this call,
    // rather than one per round through the caller's wait.
    std::int32_t total = first;
    char* bytes = static_cast<char*>(Buffer);
    while (total < Length) {
        const std::int32_t more = tlsReadOnce(bytes + total, Length - total);
        if (more <= 0) {
            m_lastErrorCode = 0;
            break;
        }
        total += more;
    }
    return total;
}

std::int32_t TTCPBlockSocket::tlsReadOnce(void* Buffer, std::int32_t Length)
{
    for (;;) {
        const int result = TLSLibrary::SSL_read(m_tlsConnection, Buffer, Length);
        const int outcome = TLSLibrary::SSL_get_error(m_tlsConnection, result);
        if (outcome == tlsErrorNone)
            return result;
        if (outcome == tlsWantsRead)
            return 0; // nothing decrypted yet; the caller's wait decides how long to wait for more
        if (outcome == tlsWantsWrite) {
            if (!waitForLibrary(m_socketHandle, outcome, DeadlineBound(-1))) {
                m_lastErrorCode = SE_TimedOut;
                return -1;
            }
            continue;
        }
        if (outcome == tlsZeroReturn) {
            // The peer's close_notify: the end of the data, even while the TCP
            // connection stays open.
            m_tlsCloseReceived = true;
            return 0;
        }
        m_lastErrorCode = SE_SubsystemUnusable;
        return -1;
    }
}

std::int32_t TTCPBlockSocket::TransportSend(const char* Buffer, std::int32_t Length)
{
    if (!tlsCarriesBytes())
        return TSocksBlockSocket::TransportSend(Buffer, Length);
    m_lastErrorCode = 0;
    NonBlockingScope nonBlocking(m_socketHandle);
    for (;;) {
        const int result = TLSLibrary::SSL_write(m_tlsConnection, Buffer, Length);
        const int outcome = TLSLibrary::SSL_get_error(m_tlsConnection, result);
        if (outcome == tlsErrorNone)
            return result;
        if (outcome == tlsWantsRead || outcome == tlsWantsWrite) {
            if (!waitForLibrary(m_socketHandle, outcome, DeadlineBound(-1))) {
                m_lastErrorCode = SE_TimedOut;
                return 0;
            }
            continue;
        }
        // The peer closed the TLS connection: nothing more can be written.
        m_lastErrorCode = outcome == tlsZeroReturn ? SE_ConnectionReset : SE_SubsystemUnusable;
        return 0;
    }
}

std::int32_t TTCPBlockSocket::BytesWaiting()
{
    if (tlsCarriesBytes()) {
        // After the peer's close the library hands out nothing more, whatever
        // the socket may still hold.
        if (m_tlsCloseReceived)
            return 0;
        const int decrypted = TLSLibrary::SSL_pending(m_tlsConnection);
        if (decrypted > 0)
            return decrypted;
    }
    return TSocksBlockSocket::BytesWaiting();
}

bool TTCPBlockSocket::WaitReadable(std::int32_t Timeout)
{
    // Once the peer has closed the TLS connection it reads as a closed TCP
    // connection does: readable at once, with nothing to read.
    if (!tlsCarriesBytes() || !m_tlsCloseReceived)
        return TSocksBlockSocket::WaitReadable(Timeout);
    m_lastErrorCode = 0;
    ReportError();
    ReportStatus(HR_CanRead, {});
    return true;
}
