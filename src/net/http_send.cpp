#include "net/http_send.h"

#include "net/base64_codec.h"
#include "net/http_text.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "net/text_util.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <vector>

namespace {

constexpr char crLf[] = "\r\n";

Text decimal(std::int64_t value) { return std::to_string(value); }

// An interim answer promises a final one on the same connection; 101 does not
// (it hands the connection over to another protocol) and counts as final.
bool isInterimCode(std::int32_t code) { return code >= 100 && code <= 199 && code != 101; }

// Gives the socket a deadline for one exchange and takes it away however the
// exchange ends.
class DeadlineScope
{
public:
    DeadlineScope(TBlockSocket& socket, std::int32_t milliseconds)
        : m_socket(socket)
    {
        m_socket.SetDeadline(milliseconds);
    }
    ~DeadlineScope() { m_socket.SetDeadline(-1); }
    DeadlineScope(const DeadlineScope&) = delete;
    DeadlineScope& operator=(const DeadlineScope&) = delete;

private:
    TBlockSocket& m_socket;
};

}

// What one ExecuteRequest works out from the URL and carries from step to step.
struct THTTPSend::Exchange {
    Text scheme;
    Text user;
    Text password;
    Text host;
    Text port;
    Text target;
    Text hostText; // host, bracketed when it reads as an IPv6 address
    bool viaProxy = false;
    bool secure = false;
    bool sending = false;
    bool expect100 = false;
    bool close = false;
    Text pendingStatusLine;
    std::int32_t size = -1;
    // The interim answers received so far, their lines as they came.
    TextList interimLines;
    // Bytes of the head so far, interim answers included.
    std::int64_t headBytes = 0;
};

THTTPSend::THTTPSend()
    : THTTPSend(std::make_unique<TTCPBlockSocket>())
{
}

THTTPSend::THTTPSend(std::unique_ptr<TTCPBlockSocket> Socket)
    : MimeType("text/html")
    , Protocol("1.1")
    , KeepAlive(true)
    , Status100(false)
    , ProxyPort("8080")
    , UserAgent("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)")
    , UserLanguage("en-us")
    , UserAccept("*/*")
    , RangeStart(0)
    , RangeEnd(0)
    , m_sock(std::move(Socket))
{
    m_sock->ConvertLineEnd = true;
    m_sock->SetReceiveBufferSize(65535);
    m_sock->SetSendBufferSize(65535);
    TargetPort = "80";
    Timeout = 60000;
    ResetExchange();
}

THTTPSend::~THTTPSend()
{
    // The connection is closed before the containers go.
    m_sock.reset();
}

void THTTPSend::ResetExchange()
{
    RangeStart = 0;
    RangeEnd = 0;
    m_document.Clear();
    m_headers.Clear();
    MimeType = "text/html";
}

bool THTTPSend::ExecuteRequest(const Text& Method, const Text& URL)
{
    m_resultCode = 500;
    m_resultString.clear();
    m_downloadSize = 0;
    m_uploadSize = 0;

    Exchange exchange;
    splitTarget(URL, exchange);
    exchange.sending = m_document.Size() > 0;
    exchange.expect100 = Status100 && exchange.sending && Protocol == "1.1";
    buildRequestLines(Method, exchange);
    if (refuseAddress(URL, exchange))
        return false;

    const DeadlineScope deadline(*m_sock, exchangeLimit());
    if (!connectOrReuse(exchange) || !sendRequest())
        return false;
    if (exchange.expect100) {
        readInterimResponse(exchange);
        // The interim answer outgrew its bounds: the connection is somewhere
        // inside it, where no final answer can be read.
        if (framingLost())
            return false;
    }
    if (exchange.sending) {
        m_uploadSize = static_cast<std::int32_t>(m_document.Size());
        m_sock->SendBytes(m_document.Data(), static_cast<std::int32_t>(m_document.Size()));
        if (lastCallFailed())
            return false;
    }
    return readResponse(Method, exchange);
}

bool THTTPSend::refuseAddress(const Text& URL, const Exchange& exchange)
{
    // A CR, LF or NUL would end the request line early and let the address
    // write header lines of its own. A port must be a number the connection
    // can take as it stands: the resolver would take a larger one modulo
    // 65536, and so connect somewhere else than the Host line names.
    if (URL.find_first_of(std::string_view("\r\n\0", 3)) != Text::npos)
        m_sock->FailWith(SE_InvalidArgument);
    else if (!IsPortText(exchange.port))
        m_sock->FailWith(SE_AddressNotAvailable);
    else
        return false;
    return true;
}

std::int32_t THTTPSend::exchangeLimit() const
{
    constexpr std::int64_t waitsPerExchange = 4;
    if (ExchangeTimeout > 0)
        return ExchangeTimeout;
    if (ExchangeTimeout == 0 || Timeout <= 0)
        return -1;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(waitsPerExchange * Timeout, std::numeric_limits<std::int32_t>::max()));
}

bool THTTPSend::readResponse(const Text& Method, Exchange& exchange)
{
    ResetExchange();
    m_bodyMode = BM_ToClose;
    m_bodyCut = false;
    m_largeBodyTold = false;
    readStatusLine(exchange);
    // A server that let the time-out pass without a status line has given no
    // answer; waiting once more for a body would only double the wait. What
    // did arrive of a first line is kept.
    const bool silent = m_headers.Empty() && m_sock->LastErrorCode() == SE_TimedOut;
    readHeaderBlock(exchange);
    for (const Text& line : exchange.interimLines.Lines())
        m_headers.Add(line);
    // A line, head or frame the client could not take leaves the connection
    // somewhere inside the response, so nothing after it can be read as a body.
    const bool result = !framingLost() && !silent && readBody(Method, exchange);
    if (silent)
        ReadBodyToClose(0);
    const bool outOfTime = silent || (m_sock->DeadlinePassed() && m_sock->LastErrorCode() == SE_TimedOut);

    m_document.SetPosition(0);
    if (outOfTime) {
        // Left open, so that its time-out stays for the caller to see; the
        // next request connects afresh and the destructor closes it.
        forgetConnection();
    } else if (exchange.close || framingLost() || m_bodyCut) {
        // A connection given up inside a line or a body is of no further use.
        dropConnection();
    }
    CollectCookies();
    return result && !outOfTime;
}

void THTTPSend::forgetConnection()
{
    m_connectedHost.clear();
    m_connectedPort.clear();
}

void THTTPSend::dropConnection()
{
    const std::int32_t code = m_sock->LastErrorCode();
    m_sock->CloseConnection();
    m_sock->RestoreError(code);
    forgetConnection();
}

void THTTPSend::splitTarget(const Text& URL, Exchange& exchange)
{
    Text path;
    Text query;
    exchange.target = SplitUrl(
        URL, exchange.scheme, exchange.user, exchange.password, exchange.host, exchange.port, path, query);
    if (exchange.user.empty()) {
        exchange.user = UserName;
        exchange.password = Password;
    }
    exchange.hostText = IsIPv6Text(exchange.host) ? "[" + exchange.host + "]" : exchange.host;

    // An https request through the proxy asks it for a tunnel; any other
    // request clears the socket's tunnel settings left by an earlier one.
    exchange.secure = UpperAscii(exchange.scheme) == "HTTPS";
    const bool tunnel = exchange.secure && !ProxyHost.empty();
    m_sock->HTTPTunnelIP = exchange.secure ? ProxyHost : Text();
    m_sock->HTTPTunnelPort = exchange.secure ? ProxyPort : Text();
    m_sock->HTTPTunnelUser = exchange.secure ? ProxyUser : Text();
    m_sock->HTTPTunnelPass = exchange.secure ? ProxyPass : Text();
    exchange.viaProxy = !ProxyHost.empty() && !tunnel;

    // A plain proxy wants the absolute form. Proxies connect to the authority
    // written there, not to the Host line, so a port other than the scheme's
    // own must be part of it.
    if (exchange.viaProxy) {
        const bool ownPort = exchange.port == DefaultPortOf(exchange.scheme);
        exchange.target = exchange.scheme + "://" + exchange.hostText
            + (ownPort ? Text() : ":" + exchange.port) + exchange.target;
    }
    if (exchange.target == "/*")
        exchange.target = "*";
}

void THTTPSend::buildRequestLines(const Text& Method, const Exchange& exchange)
{
    std::vector<Text> lines;
    const Text method = UpperAscii(Method);
    lines.push_back(Protocol == "0.9" ? method + " " + exchange.target
                                      : method + " " + exchange.target + " HTTP/" + Protocol);
    lines.push_back("Accept: " + UserAccept);
    if (!UserRef.empty())
        lines.push_back("Referer: " + UserRef);
    lines.push_back("Accept-Language: " + UserLanguage);
    if (exchange.sending && !MimeType.empty())
        lines.push_back("Content-Type: " + MimeType);
    lines.push_back("User-Agent: " + UserAgent);
    lines.push_back("Host: " + exchange.hostText + (exchange.port != "80" ? ":" + exchange.port : Text()));
    UserHost = exchange.hostText;
    if (exchange.viaProxy && !ProxyUser.empty())
        lines.push_back("Proxy-Authorization: Basic " + Base64EncodeText(ProxyUser + ":" + ProxyPass));
    if (!exchange.user.empty())
        lines.push_back("Authorization: Basic " + Base64EncodeText(exchange.user + ":" + exchange.password));
    appendConnectionLines(Method, exchange, lines);

    // The caller's own lines follow the generated ones.
    for (std::size_t index = 0; index < lines.size(); ++index)
        m_headers.Insert(index, std::move(lines[index]));
    if (!m_headers[m_headers.Count() - 1].empty())
        m_headers.Add("");
}

void THTTPSend::appendConnectionLines(
    const Text& Method, const Exchange& exchange, std::vector<Text>& lines) const
{
    if (!KeepAlive)
        lines.push_back("Connection: close");
    if (const Text cookies = joinedCookies(); !cookies.empty())
        lines.push_back("Cookie: " + cookies);
    if (RangeEnd > 0)
        lines.push_back("Range: bytes=" + decimal(RangeStart) + "-" + decimal(RangeEnd));
    if (Method == "POST")
        lines.push_back("Content-Length: " + decimal(m_document.Size()));
    lines.push_back("Connection: Keep-Alive");
    if (!UserCook.empty())
        lines.push_back("Cookie: " + UserCook);
    if (exchange.expect100)
        lines.push_back("Expect: 100-continue");
}

Text THTTPSend::joinedCookies() const
{
    Text joined;
    for (const Text& cookie : m_cookies.Lines()) {
        if (!joined.empty())
            joined += "; ";
        joined += cookie;
    }
    return joined;
}

bool THTTPSend::connectOrReuse(const Exchange& exchange)
{
    if (exchange.viaProxy) {
        TargetHost = ProxyHost;
        TargetPort = ProxyPort;
    } else {
        TargetHost = exchange.host;
        TargetPort = exchange.port;
    }
    const bool sameTarget = m_connectedHost == TargetHost && m_connectedPort == TargetPort;
    // A kept-alive connection that has become readable was closed by the
    // server or carries data nobody asked for: start afresh on the same target.
    if (sameTarget && !m_sock->WaitReadable(0))
        return true;
    if (!openConnection(exchange)) {
        // Whatever connection the record named is gone now; forgetting it
        // makes the next request connect again instead of sending on the
        // socket of this failed attempt.
        forgetConnection();
        return false;
    }
    m_connectedHost = TargetHost;
    m_connectedPort = TargetPort;
    return true;
}

bool THTTPSend::openConnection(const Exchange& exchange)
{
    m_sock->CloseConnection();
    m_sock->Bind(IPInterface, "0");
    if (lastCallFailed())
        return false;
    m_sock->SetSSLActive(exchange.secure);
    if (lastCallFailed())
        return false;
    // The connect and the handshake, like every wait of the exchange, are
    // bounded by Timeout.
    m_sock->ConnectTimeout = Timeout > 0 ? Timeout : -1;
    m_sock->TLSHandshakeTimeout = Timeout;
    m_sock->Connect(TargetHost, TargetPort);
    return !lastCallFailed();
}

bool THTTPSend::sendRequest()
{
    if (Protocol == "0.9")
        m_sock->SendText(m_headers[0] + crLf);
    else
        m_sock->SendText(m_headers.GetText());
    return !lastCallFailed();
}

Text THTTPSend::receiveNonEmptyLine()
{
    Text line;
    do
        line = m_sock->ReceiveLine(Timeout);
    while (line.empty() && !lastCallFailed());
    return line;
}

void THTTPSend::readInterimResponse(Exchange& exchange)
{
    const Text line = receiveNonEmptyLine();
    ParseStatusLine(line);
    if (m_resultCode >= 100 && m_resultCode <= 199) {
        keepInterimAnswer(line, exchange);
        return;
    }
    exchange.sending = false;
    exchange.pendingStatusLine = line;
}

void THTTPSend::readStatusLine(Exchange& exchange)
{
    Text line = exchange.pendingStatusLine;
    if (line.empty())
        line = receiveNonEmptyLine();
    while (isInterimStatus(line))
        line = keepInterimAnswer(line, exchange) ? receiveNonEmptyLine() : Text();
    if (StartsWith(UpperAscii(line), "HTTP/")) {
        m_headers.Add(line);
        ParseStatusLine(line);
        return;
    }
    // A server that sends no status line starts its body at once; what came
    // in place of the status line is the body's first line. Interim answers
    // without a final one came before it, so their lines lead the body.
    const Text firstLine = exchange.interimLines.GetText() + line + crLf;
    exchange.interimLines.Clear();
    m_document.Write(firstLine.data(), bodyRoom(static_cast<std::int64_t>(firstLine.size())));
    m_resultCode = 0;
}

bool THTTPSend::isInterimStatus(const Text& Line)
{
    if (!StartsWith(UpperAscii(Line), "HTTP/"))
        return false;
    ParseStatusLine(Line);
    return isInterimCode(m_resultCode);
}

bool THTTPSend::keepInterimAnswer(const Text& StatusLine, Exchange& exchange)
{
    exchange.interimLines.Add(StatusLine);
    if (!countHeadLine(StatusLine, exchange))
        return false;
    for (;;) {
        const Text line = m_sock->ReceiveLine(Timeout);
        if (lastCallFailed())
            return false;
        exchange.interimLines.Add(line);
        if (line.empty())
            return true;
        if (!countHeadLine(line, exchange))
            return false;
    }
}

bool THTTPSend::countHeadLine(const Text& Line, Exchange& exchange)
{
    // A server that sends header lines without end would otherwise grow the
    // list for ever.
    exchange.headBytes += static_cast<std::int64_t>(Line.size()) + 2;
    if (exchange.headBytes <= headLimit())
        return true;
    m_sock->FailWith(SE_MessageTooLong);
    return false;
}

std::int64_t THTTPSend::headLimit() const
{
    // The body limit bounds the head too, with room for an ordinary header
    // under a tiny body limit; no body limit lets the head grow without end.
    constexpr std::int64_t smallestHeadLimit = 64 << 10;
    constexpr std::int64_t largestHeadLimit = 1 << 20;
    return MaxBodySize > 0 ? std::clamp(MaxBodySize, smallestHeadLimit, largestHeadLimit) : largestHeadLimit;
}

void THTTPSend::readHeaderBlock(Exchange& exchange)
{
    exchange.close = Protocol != "1.1";
    if (m_headers.Empty())
        return;
    // Every test looks at the first character of the line: a blank before the
    // colon or leading white space defeats it. A later Content-Type overrides
    // an earlier one.
    ResponseFraming framing;
    do {
        const Text line = m_sock->ReceiveLine(Timeout);
        m_headers.Add(line);
        if (line.empty() || !countHeadLine(line, exchange))
            break;
        framing.TakeLine(line);
        const Text upper = UpperAscii(line);
        if (StartsWith(upper, "CONTENT-TYPE:"))
            MimeType = ValueAfterBlank(line);
        else if (StartsWith(upper, "CONNECTION: CLOSE"))
            exchange.close = true;
    } while (!lastCallFailed());
    m_bodyMode = framing.Mode();
    exchange.size = framing.Size();
    // A head that broke off has its own failure; one that arrived whole
    // without a usable length leaves the body's end unknown.
    if (framing.Broken() && !lastCallFailed())
        m_sock->FailWith(SE_BadFraming);
}

bool THTTPSend::readBody(const Text& Method, const Exchange& exchange)
{
    bool result = !lastCallFailed();
    if (Method == "HEAD" || m_resultCode == 204 || m_resultCode == 304)
        return result;
    switch (m_bodyMode) {
    case BM_ToClose:
        result = ReadBodyToClose(Timeout);
        break;
    case BM_Sized:
        reserveBody(exchange.size);
        result = ReadBodySized(exchange.size);
        break;
    case BM_Chunked:
        result = ReadBodyChunked();
        break;
    }
    return result;
}

bool THTTPSend::lastCallFailed() const { return m_sock->LastErrorCode() != 0; }

bool THTTPSend::framingLost() const
{
    // The socket reports a line that outgrew its MaxLineLength as out of buffer space.
    const std::int32_t code = m_sock->LastErrorCode();
    return code == SE_NoBufferSpace || code == SE_MessageTooLong || code == SE_BadFraming;
}

std::int64_t THTTPSend::bodyRoom(std::int64_t wanted)
{
    // How many of wanted further body bytes fit under MaxBodySize; the body
    // counts as cut as soon as not all of them do.
    tellLargeBody(wanted);
    return keptOf(m_document.Size(), wanted);
}

std::int64_t THTTPSend::keptOf(std::int64_t held, std::int64_t wanted)
{
    if (MaxBodySize <= 0)
        return wanted;
    const std::int64_t room = std::max<std::int64_t>(MaxBodySize - held, 0);
    if (wanted > room)
        m_bodyCut = true;
    return std::min(wanted, room);
}

void THTTPSend::tellLargeBody(std::int64_t wanted)
{
    if (OnLargeBody && LargeBodySize > 0 && !m_largeBodyTold && m_document.Size() + wanted > LargeBodySize) {
        m_largeBodyTold = true;
        OnLargeBody();
    }
}

void THTTPSend::reserveBody(std::int32_t size)
{
    // Only the address space is taken: the pages are mapped as the body
    // fills them, so a length that promises more than comes costs nothing.
    const std::int64_t wanted = m_document.Size() + size;
    if (size > 0 && (MaxBodySize <= 0 || wanted <= MaxBodySize))
        m_document.Reserve(wanted);
}

void THTTPSend::ParseStatusLine(const Text& Line)
{
    const Text s = TrimControls(TextAfter(Line, " "));
    m_resultCode = IntFromText(TrimControls(TextBefore(s, " ")), 0);
    m_resultString = TrimControls(TextAfter(s, " "));
    if (m_resultString == s)
        m_resultString.clear();
}

bool THTTPSend::ReadBodyToClose(std::int32_t Wait)
{
    // The connection's end (or silence) is the normal end of such a body;
    // only a body cut at MaxBodySize counts as a failure.
    // Each read lands in Document itself; what came beyond MaxBodySize is
    // dropped again.
    while (!m_bodyCut) {
        const std::int64_t before = m_document.Size();
        m_sock->ReceiveAvailableToStream(
            m_document, Wait, [this](std::int64_t count) { tellLargeBody(count); });
        if (lastCallFailed())
            break;
        m_document.SetSize(before + keptOf(before, m_document.Size() - before));
    }
    return !m_bodyCut;
}

bool THTTPSend::ReadBodySized(std::int32_t Size)
{
    if (Size <= 0)
        return true;
    m_downloadSize = static_cast<std::int32_t>(Size);
    m_sock->ReceiveCountToStream(m_document, Timeout, bodyRoom(Size));
    m_document.SetPosition(m_document.Size());
    return !lastCallFailed() && !m_bodyCut;
}

bool THTTPSend::ReadBodyChunked()
{
    for (;;) {
        const Text line = receiveNonEmptyLine();
        if (lastCallFailed())
            break;
        // A size the client cannot read leaves the body's end unknown.
        const std::int32_t size = ResponseFraming::ChunkSize(line);
        if (size < 0) {
            m_sock->FailWith(SE_BadFraming);
            break;
        }
        if (size == 0 || !ReadBodySized(size))
            break;
    }
    return !lastCallFailed() && !m_bodyCut;
}

void THTTPSend::CollectCookies()
{
    // Only the final answer's header block sets cookies; the interim answers
    // that follow it in Headers do not.
    for (const Text& line : m_headers.Lines()) {
        if (line.empty())
            break;
        if (!StartsWith(LowerAscii(line), "set-cookie:"))
            continue;
        // Attributes such as path, domain and expiry are not kept.
        const Text cookie = TrimControls(TextBefore(TextAfter(line, ":"), ";"));
        if (cookie.find('=') == Text::npos) {
            m_cookies.Add(cookie);
            continue;
        }
        m_cookies.SetValue(TrimControls(TextBefore(cookie, "=")), TrimControls(TextAfter(cookie, "=")));
    }
}
