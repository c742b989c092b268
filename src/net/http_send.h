#pragma once

#include "base/memory_stream.h"
#include "base/text.h"
#include "base/text_list.h"
#include "net/net_client.h"
#include "net/response_framing.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TTCPBlockSocket;

// The HTTP/1.x client. One object performs one or more request/response
// exchanges over the blocking TCP connection it owns, directly or through an
// HTTP proxy; a kept-alive connection is reused for the next request to the
// same target. It follows no redirect and never retries.
//
// Thread: used by one thread at a time; it shares nothing with other objects.
// Blocking: ExecuteRequest blocks in connect, send and receive; the connect
// and each receive wait at most Timeout milliseconds, an https handshake at
// most Timeout in all, and every wait ends by ExchangeTimeout counted from the
// start of the exchange, so a server that keeps trickling data cannot hold it
// longer. A server that sends no status line within Timeout ends the exchange
// then (SE_TimedOut), without a second wait for a body.
// Interim answers (1xx other than 101) are passed over up to the final one;
// their lines follow the final header block in Headers, in the order they
// came, each block with its empty line, so Headers[0] is the final status.
// Errors: nothing is thrown for a network failure. ExecuteRequest returns
// false when its last phase hit a socket error; ResultCode, Headers and
// Document then hold what the exchange got to, and Sock() keeps the error.
// An address holding CR, LF or NUL (SE_InvalidArgument) or a port that is no
// number from 0 to 65535 (SE_AddressNotAvailable) fails before any connection.
// A body whose end the response does not mark as it must (see
// ResponseFraming; a chunk-size line that ResponseFraming::ChunkSize refuses)
// fails with SE_BadFraming, keeping what arrived before it.
// Bounds: with MaxBodySize set, a body is cut at that many bytes. The header
// block, interim answers included, is bounded by MaxBodySize but never below
// 64 KiB nor above 1 MiB (1 MiB without MaxBodySize): a longer one fails with
// SE_MessageTooLong before any body. With the socket's MaxLineLength set, a
// longer status, header or chunk-size line fails with SE_NoBufferSpace.
// Failures of framing and bounds close the connection; the code stays on
// Sock() all the same. A body cut at MaxBodySize returns false with no code.
class THTTPSend : public TNetClient
{
public:
    THTTPSend();
    // Uses Socket for its connections in place of a plain TTCPBlockSocket of
    // its own: a subclass that carries the bytes differently (a test's
    // transport that fails when told to). The constructor's settings, line
    // ends and buffer sizes, are made on it as on its own socket.
    explicit THTTPSend(std::unique_ptr<TTCPBlockSocket> Socket);
    ~THTTPSend();
    THTTPSend(const THTTPSend&) = delete;
    THTTPSend& operator=(const THTTPSend&) = delete;

    // Performs one exchange. Method is sent upper-cased; Headers and Document
    // carry the caller's extra request lines and request body in, and the
    // response lines and body out.
    bool ExecuteRequest(const Text& Method, const Text& URL);
    // Clears the range, Document and Headers and restores MimeType, ready for
    // a further request on the same object. Cookies and the connection stay.
    void ResetExchange();

    TTCPBlockSocket& Sock() { return *m_sock; }
    TextList& Headers() { return m_headers; }
    MemoryStream& Document() { return m_document; }
    TextList& Cookies() { return m_cookies; }
    std::int32_t ResultCode() const { return m_resultCode; }
    const Text& ResultString() const { return m_resultString; }
    std::int32_t DownloadSize() const { return m_downloadSize; }
    std::int32_t UploadSize() const { return m_uploadSize; }

    Text MimeType;
    Text Protocol;
    bool KeepAlive;
    bool Status100;
    Text ProxyHost;
    Text ProxyPort;
    Text ProxyUser;
    Text ProxyPass;
    Text UserAgent;
    Text UserLanguage;
    Text UserRef;
    Text UserCook;
    Text UserAccept;
    Text UserHost;
    std::int32_t RangeStart;
    std::int32_t RangeEnd;
    // The most bytes Document takes from one response (0 = no limit). A body
    // that goes on beyond it is kept up to the limit and the rest is not read.
    std::int64_t MaxBodySize = 0;
    // Called once per response, just before Document would grow beyond
    // LargeBodySize bytes (0 = never); it may block, and the receive waits
    // with it, the connection left as it is.
    std::int64_t LargeBodySize = 0;
    std::function<void()> OnLargeBody;
    // Milliseconds one whole exchange may take: once they are used up it ends
    // as a time-out (SE_TimedOut) and fails, keeping what had arrived in Headers and
    // Document. 0 = no limit; negative = four times Timeout (no limit when
    // Timeout sets none).
    std::int32_t ExchangeTimeout = -1;

private:
    struct Exchange;

    void splitTarget(const Text& URL, Exchange& exchange);
    bool refuseAddress(const Text& URL, const Exchange& exchange);
    std::int32_t exchangeLimit() const;
    void buildRequestLines(const Text& Method, const Exchange& exchange);
    void appendConnectionLines(const Text& Method, const Exchange& exchange, std::vector<Text>& lines) const;
    Text joinedCookies() const;
    bool connectOrReuse(const Exchange& exchange);
    bool openConnection(const Exchange& exchange);
    bool sendRequest();
    // Receives lines until one is not empty or the socket fails, and returns
    // the last line received.
    Text receiveNonEmptyLine();
    void readInterimResponse(Exchange& exchange);
    bool readResponse(const Text& Method, Exchange& exchange);
    void forgetConnection();
    // Closes the connection, keeping the code the exchange failed with.
    void dropConnection();
    void readStatusLine(Exchange& exchange);
    // Whether Line is the status line of an interim answer.
    bool isInterimStatus(const Text& Line);
    // Keeps the interim answer that StatusLine begins; false when its header
    // block broke off or outgrew the head's bound.
    bool keepInterimAnswer(const Text& StatusLine, Exchange& exchange);
    // Counts Line against the bound of the head; false, with the exchange
    // failed, once the head has outgrown it.
    bool countHeadLine(const Text& Line, Exchange& exchange);
    std::int64_t headLimit() const;
    void readHeaderBlock(Exchange& exchange);
    bool readBody(const Text& Method, const Exchange& exchange);
    bool lastCallFailed() const;
    // Whether the exchange stopped somewhere inside the response's framing: a
    // line or head over its bound, or a broken frame.
    bool framingLost() const;
    std::int64_t bodyRoom(std::int64_t wanted);
    // How many of wanted body bytes after the first held fit under
    // MaxBodySize; the body counts as cut when not all of them do.
    std::int64_t keptOf(std::int64_t held, std::int64_t wanted);
    // Calls OnLargeBody when wanted further bytes would take Document beyond LargeBodySize.
    void tellLargeBody(std::int64_t wanted);
    // Makes room in Document for a body of size bytes when it is within MaxBodySize.
    void reserveBody(std::int32_t size);

    void ParseStatusLine(const Text& Line);
    // Reads until the connection ends or nothing comes within Wait ms.
    bool ReadBodyToClose(std::int32_t Wait);
    bool ReadBodySized(std::int32_t Size);
    bool ReadBodyChunked();
    void CollectCookies();

    std::unique_ptr<TTCPBlockSocket> m_sock;
    TBodyMode m_bodyMode = BM_ToClose;
    Text m_connectedHost;
    Text m_connectedPort;
    // Declared so that destruction frees the body, then the cookies, then the
    // header list; the socket goes first, in the destructor.
    TextList m_headers;
    TextList m_cookies;
    MemoryStream m_document;
    std::int32_t m_resultCode = 0;
    Text m_resultString;
    std::int32_t m_downloadSize = 0;
    std::int32_t m_uploadSize = 0;
    // Set when the current response's body met MaxBodySize.
    bool m_bodyCut = false;
    // Set once OnLargeBody has been called for the current response.
    bool m_largeBodyTold = false;
};
