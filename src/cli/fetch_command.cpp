#include "cli/fetch_command.h"

#include "base/gbk_codec.h"
#include "cli/control_bytes.h"
#include "cli/route_settings.h"
#include "net/http_send.h"
#include "net/http_text.h"
#include "net/tcp_block_socket.h"

#include <ostream>

int runFetch(const FetchArguments& arguments, std::ostream& out, std::ostream& err)
{
    THTTPSend http;
    if (arguments.timeoutMs)
        http.Timeout = *arguments.timeoutMs;
    applyRoute(http, arguments.proxyHost, arguments.proxyPort, arguments.socks);
    if (!arguments.protocol.empty())
        http.Protocol = arguments.protocol;

    const bool result = http.ExecuteRequest("GET", Utf8ToGbk(arguments.url));

    const MemoryStream& document = http.Document();
    out.write(document.Data(), static_cast<std::streamsize>(document.Size()));
    out.flush();
    err << "result=" << (result ? 1 : 0) << " code=" << http.ResultCode()
        << " error=" << http.Sock().LastErrorCode() << '\n';
    for (const Text& line : http.Headers().Lines())
        err << defusedText(GbkToUtf8(line), ControlBytes::Escaped, "\t") << '\n';
    err.flush();
    // Without a status line there was no response to speak of, whatever the
    // body reader made of the bytes that came in its place.
    const bool statusLine = !http.Headers().Empty() && StartsWith(UpperAscii(http.Headers()[0]), "HTTP/");
    return result && statusLine ? 0 : 1;
}
