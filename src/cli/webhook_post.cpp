#include "cli/webhook_post.h"

#include "check/check_outcome.h"
#include "base/gbk_codec.h"
#include "cli/control_bytes.h"
#include "cli/robot_answer.h"
#include "net/http_send.h"
#include "net/http_text.h"
#include "net/socket_error.h"
#include "net/tcp_block_socket.h"
#include "net/text_util.h"

#include <cstdint>

namespace {

// A hook answers with a few bytes of status; more is neither needed nor kept.
constexpr std::int64_t answerBodyLimit = std::int64_t { 64 } << 10;

bool isWebAddress(const Text& url)
{
    const Text lower = LowerAscii(url);
    return StartsWith(lower, "http://") || StartsWith(lower, "https://");
}

// Whether an HTTP answer came: without one the client reads what came, if
// anything, as a body of its own making.
bool statusLineCame(THTTPSend& http)
{
    return !http.Headers().Empty() && StartsWith(UpperAscii(http.Headers()[0]), "HTTP/");
}

// Why the exchange did not end in a 2xx answer, in the words a check's
// outcome uses: "HTTP 400 Bad Request" for an answer, "连接被拒绝 (10061)"
// and the like for a connection that failed, and a sentence of its own for
// a peer that answered without a status line.
Text failureReason(THTTPSend& http, bool exchanged)
{
    CheckOutcome outcome;
    if (statusLineCame(http)) {
        outcome.kind = CheckOutcomeKind::Missing;
        outcome.status = http.ResultCode();
        outcome.reasonPhrase = CappedOutcomeText(http.ResultString());
    } else if (!exchanged) {
        // A body read to the connection's end leaves the end's code behind
        // on an exchange that succeeded; only a failed one names its error.
        outcome.error = http.Sock().LastErrorCode();
    }
    return OutcomeReason(outcome);
}

// Why a 2xx answer did not come whole: with the socket's error, as a check's
// outcome words it, when the connection ended or fell silent before the
// answer's end; else it met the bound on the header block or the body.
Text incompleteAnswer(THTTPSend& http)
{
    CheckOutcome outcome;
    outcome.error = http.Sock().LastErrorCode();
    // 回应超过 64 KiB，没有读完
    if (outcome.error == 0)
        return "\xBB\xD8\xD3\xA6\xB3\xAC\xB9\xFD 64 KiB\xA3\xAC\xC3\xBB\xD3\xD0\xB6\xC1\xCD\xEA";
    return "\xBB\xD8\xD3\xA6\xC3\xBB\xD3\xD0\xCA\xD5\xC8\xAB: " + OutcomeReason(outcome); // 回应没有收全:
}

// The answer's reason as standard error shows it.
std::string shown(const std::string& utf8) { return defusedText(utf8, ControlBytes::Escaped); }

}

std::string PostToWebhook(const std::string& url, const std::string& jsonBody, int timeoutMs,
    HookAnswer answer, const std::string& caFile)
{
    const Text address = Utf8ToGbk(url);
    if (!isWebAddress(address))
        return GbkToUtf8("\xCD\xF8\xD6\xB7\xB2\xBB\xCA\xC7 http \xBB\xF2 https"); // 网址不是 http 或 https
    THTTPSend http;
    http.Timeout = timeoutMs;
    http.MaxBodySize = answerBodyLimit;
    AppendToStream(http.Document(), jsonBody);
    http.MimeType = "application/json; charset=utf-8";
    TTCPBlockSocket& socket = http.Sock();
    socket.SSLverifyCert = true;
    socket.SSLverifyHost = true;
    socket.SSLCertCAFile = caFile;
    socket.SSLTrustSystemCAs = caFile.empty();
    const bool exchanged = http.ExecuteRequest("POST", address);
    // Certificates that do not load stop TLS from being switched on, before any connection.
    if (!exchanged && socket.LastErrorCode() == SE_InvalidArgument && socket.TLSLastErrorCode() != 0)
        return GbkToUtf8("\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xD6\xA4\xCA\xE9\xCE\xC4\xBC\xFE ")
            + caFile; // 无法读取证书文件
    const std::int32_t status = http.ResultCode();
    if (!statusLineCame(http) || status < 200 || status >= 300)
        return shown(GbkToUtf8(failureReason(http, exchanged)));
    // An answer cut short may have lost the very code that refused the message.
    if (!exchanged)
        return shown(GbkToUtf8(incompleteAnswer(http)));
    if (answer == HookAnswer::Status)
        return std::string();
    const MemoryStream& document = http.Document();
    return shown(RobotRefusal(std::string(document.Data(), static_cast<std::size_t>(document.Size()))));
}
