#include "net/http_send.h"
#include "net/http_test_peer.h"
#include "net/tcp_block_socket.h"

#include <gtest/gtest.h>

namespace {

// One scripted reply and what the client must make of it.
struct ResponseCase {
    const char* name;
    std::string reply; // the part the client has to read
    std::string tail; // sent after it, never needed by the client
    bool closeAfter; // the server closes once the reply is out
    std::int32_t resultCode;
    std::string resultString;
    std::string headers; // text of Headers
    std::string document;
    std::int32_t downloadSize;
    std::string mimeType = "text/html";
    bool result = true; // false: the response's framing is broken
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const ResponseCase& testCase, std::ostream* out) { *out << testCase.name; }

const std::string lengthTwo = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n";
const std::string okTwoHead = lengthTwo + "\r\n";
const std::string okTwo = okTwoHead + "ok";
const std::string interimAnswers
    = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\n\r\n";

// clang-format off
const ResponseCase responseCases[] = {
    { .name = "Sized", .reply = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", .tail = "",
        .closeAfter = false, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", .document = "hello", .downloadSize = 5 },
    { .name = "Chunked",
        .reply =
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6;name=value\r\n world\r\n"
            "a \r\n0123456789\r\n0\r\n",
        .tail = "X-Trailer: 1\r\n\r\n", .closeAfter = false, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
        .document = "hello world0123456789", .downloadSize = 10 },
    { .name = "UntilClose",
        .reply = "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=gbk\r\n\r\nbody\r\nmore", .tail = "",
        .closeAfter = true, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=gbk\r\n\r\n",
        .document = "body\r\nmore", .downloadSize = 0, .mimeType = "text/plain; charset=gbk" },
    { .name = "ChunkedWinsOverLaterLength",
        .reply =
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 10\r\n\r\n3\r\nabc\r\n0\r\n",
        .tail = "\r\n", .closeAfter = false, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 10\r\n\r\n",
        .document = "abc", .downloadSize = 3 },
    { .name = "LengthThenChunked",
        .reply =
            "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n",
        .tail = "\r\n", .closeAfter = false, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nTransfer-Encoding: chunked\r\n\r\n",
        .document = "abc", .downloadSize = 3 },
    { .name = "LengthWithoutBlankIsNotRecognised",
        .reply = "HTTP/1.1 200 OK\r\nContent-Length:10\r\n\r\n0123456789ABC", .tail = "", .closeAfter = true,
        .resultCode = 200, .resultString = "OK", .headers = "HTTP/1.1 200 OK\r\nContent-Length:10\r\n\r\n",
        .document = "0123456789ABC", .downloadSize = 0 },
    { .name = "BlankBeforeColonIsNotRecognised",
        .reply = "HTTP/1.1 200 OK\r\nContent-Length : 2\r\n Content-Length: 3\r\n\r\nabcd", .tail = "",
        .closeAfter = true, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nContent-Length : 2\r\n Content-Length: 3\r\n\r\n", .document = "abcd",
        .downloadSize = 0 },
    { .name = "NoStatusLine", .reply = "no status\r\nline two", .tail = "", .closeAfter = true,
        .resultCode = 0, .resultString = "", .headers = "", .document = "no status\r\nline two",
        .downloadSize = 0 },
    { .name = "StatusWithoutReason", .reply = "HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nok", .tail = "",
        .closeAfter = false, .resultCode = 200, .resultString = "",
        .headers = "HTTP/1.1 200\r\nContent-Length: 2\r\n\r\n", .document = "ok", .downloadSize = 2 },
    { .name = "ErrorPageBodyIsRead", .reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 7\r\n\r\nmissing",
        .tail = "", .closeAfter = false, .resultCode = 404, .resultString = "Not Found",
        .headers = "HTTP/1.1 404 Not Found\r\nContent-Length: 7\r\n\r\n", .document = "missing",
        .downloadSize = 7 },
    { .name = "RedirectIsNotFollowed",
        .reply = "HTTP/1.1 302 Found\r\nLocation: http://elsewhere/\r\nContent-Length: 3\r\n\r\nmov",
        .tail = "", .closeAfter = false, .resultCode = 302, .resultString = "Found",
        .headers = "HTTP/1.1 302 Found\r\nLocation: http://elsewhere/\r\nContent-Length: 3\r\n\r\n",
        .document = "mov", .downloadSize = 3 },
    { .name = "LoneLineEnds", .reply = "HTTP/1.1 200 OK\nContent-Length: 2\rX-A: 1\n\r\nhi", .tail = "",
        .closeAfter = false, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-A: 1\r\n\r\n", .document = "hi",
        .downloadSize = 2 },
    { .name = "EmptyLinesBeforeStatusAreSkipped",
        .reply = "\r\n\r\nhttp/1.1 201 Made It\r\nContent-Length: 1\r\n\r\nx", .tail = "",
        .closeAfter = false, .resultCode = 201, .resultString = "Made It",
        .headers = "http/1.1 201 Made It\r\nContent-Length: 1\r\n\r\n", .document = "x", .downloadSize = 1 },
    { .name = "InterimAnswersArePassedOverAndKeptAfterTheFinalHead",
        .reply = interimAnswers + okTwo, .tail = "", .closeAfter = false, .resultCode = 200,
        .resultString = "OK", .headers = okTwoHead + interimAnswers, .document = "ok", .downloadSize = 2 },
    { .name = "NegativeLength", .reply = "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", .tail = "",
        .closeAfter = false, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", .document = "", .downloadSize = 0,
        .result = false },
    { .name = "LengthBeyond32BitsIsBroken",
        .reply = "HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\nabc", .tail = "", .closeAfter = true,
        .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n", .document = "",
        .downloadSize = 0, .result = false },
    { .name = "DifferingLengthsAreBroken", .reply = lengthTwo + "Content-Length: 3\r\n\r\n",
        .tail = "ok", .closeAfter = false, .resultCode = 200, .resultString = "OK",
        .headers = lengthTwo + "Content-Length: 3\r\n\r\n", .document = "", .downloadSize = 0,
        .result = false },
    { .name = "ChunkSizeBeyond32BitsEndsBody",
        .reply = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n123456789\r\n",
        .tail = "cd\r\n0\r\n\r\n", .closeAfter = false, .resultCode = 200, .resultString = "OK",
        .headers = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", .document = "ab",
        .downloadSize = 2, .result = false },
};
// clang-format on

void runCase(const ResponseCase& testCase, const std::vector<std::size_t>& cuts)
{
    ReceiveCounter counter;
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        sendInPieces(connection, testCase.reply + testCase.tail, cuts, counter);
        if (!testCase.closeAfter)
            connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    counter.attach(http.Sock());

    EXPECT_EQ(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"), testCase.result);
    EXPECT_EQ(http.ResultCode(), testCase.resultCode);
    EXPECT_EQ(http.ResultString(), testCase.resultString);
    EXPECT_EQ(http.Headers().GetText(), testCase.headers);
    EXPECT_EQ(http.Document().ToText(), testCase.document);
    EXPECT_EQ(http.Document().Position(), 0);
    EXPECT_EQ(http.DownloadSize(), testCase.downloadSize);
    EXPECT_EQ(http.MimeType, testCase.mimeType);
}

class HttpSendResponse : public ::testing::TestWithParam<ResponseCase>
{
};

TEST_P(HttpSendResponse, WholeReply) { runCase(GetParam(), {}); }

// Every cut within the part the client reads reaches it as a separate
// receive, so status lines, header lines and chunk sizes arrive in pieces.
TEST_P(HttpSendResponse, ReplySplitAtEveryOffset)
{
    const ResponseCase& testCase = GetParam();
    for (std::size_t cut = 1; cut < testCase.reply.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        runCase(testCase, { cut });
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpSendResponse, ::testing::ValuesIn(responseCases),
    [](const ::testing::TestParamInfo<ResponseCase>& info) { return std::string(info.param.name); });

TEST(HttpSendResponseBody, ChunkedReplyInByteSizedPieces)
{
    const std::string reply
        = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2;x\r\nde\r\n0\r\n";
    std::vector<std::size_t> cuts;
    for (std::size_t cut = 1; cut < reply.size(); ++cut)
        cuts.push_back(cut);
    ReceiveCounter counter;
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        sendInPieces(connection, reply, cuts, counter);
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    counter.attach(http.Sock());

    EXPECT_TRUE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.Document().ToText(), "abcde");
    EXPECT_GE(counter.count(), static_cast<int>(cuts.size()));
}

struct NoBodyCase {
    const char* name;
    std::string method;
    std::string status;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const NoBodyCase& testCase, std::ostream* out) { *out << testCase.name; }

class HttpSendNoBody : public ::testing::TestWithParam<NoBodyCase>
{
};

// The server announces a length but sends nothing and keeps the connection:
// a client that tried to read the body would time out and fail.
TEST_P(HttpSendNoBody, LengthIsIgnored)
{
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(GetParam().status + "\r\nContent-Length: 500\r\n\r\n");
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 3000;

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(http.ExecuteRequest(GetParam().method, "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_EQ(http.Document().Size(), 0);
    EXPECT_EQ(http.DownloadSize(), 0);
}

const NoBodyCase noBodyCases[] = {
    { "Head", "HEAD", "HTTP/1.1 200 OK" },
    { "NoContent", "GET", "HTTP/1.1 204 No Content" },
    { "NotModified", "GET", "HTTP/1.1 304 Not Modified" },
};

INSTANTIATE_TEST_SUITE_P(Cases, HttpSendNoBody, ::testing::ValuesIn(noBodyCases),
    [](const ::testing::TestParamInfo<NoBodyCase>& info) { return std::string(info.param.name); });

TEST(HttpSendResponseBody, LargeSizedBodyArrivesWhole)
{
    std::string body(3 * 65535 + 17, '\0');
    for (std::size_t index = 0; index < body.size(); ++index)
        body[index] = static_cast<char>(index * 7 + index / 251);
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send(
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    http.LargeBodySize = 65536;
    std::vector<std::int64_t> toldAt;
    http.OnLargeBody = [&] { toldAt.push_back(http.Document().Size()); };

    EXPECT_TRUE(http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/"));
    EXPECT_EQ(http.Document().ToText(), body);
    EXPECT_EQ(http.DownloadSize(), static_cast<std::int32_t>(body.size()));
    EXPECT_EQ(toldAt, std::vector<std::int64_t> { 0 });
}

}

namespace {

// How much room Document takes for a body: the length a sized body gives,
// once, when the body limit lets it come whole; never a length beyond it.
struct BodyRoomCase {
    const char* name;
    std::size_t lengthGiven;
    std::size_t bytesSent;
    std::int64_t bodyLimit;
    std::int64_t capacity;
};

void PrintTo(const BodyRoomCase& testCase, std::ostream* out) { *out << testCase.name; }

class HttpSendBodyRoom : public ::testing::TestWithParam<BodyRoomCase>
{
};

TEST_P(HttpSendBodyRoom, DocumentTakesTheRoomTheLengthGives)
{
    const BodyRoomCase& testCase = GetParam();
    LoopbackServer server([&](LoopbackServer::Connection& connection) {
        readRequest(connection);
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(testCase.lengthGiven)
            + "\r\n\r\n" + std::string(testCase.bytesSent, 'b'));
        connection.WaitForPeerClose();
    });
    THTTPSend http;
    http.Timeout = 5000;
    http.MaxBodySize = testCase.bodyLimit;

    http.ExecuteRequest("GET", "http://127.0.0.1:" + server.PortText() + "/");
    EXPECT_EQ(http.Document().Size(), static_cast<std::int64_t>(testCase.bytesSent));
    EXPECT_EQ(http.Document().Capacity(), testCase.capacity);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, HttpSendBodyRoom, ::testing::Values(
    BodyRoomCase { .name = "WithoutLimit", .lengthGiven = 100000, .bytesSent = 100000, .bodyLimit = 0,
        .capacity = 100000 },
    BodyRoomCase { .name = "WithinLimit", .lengthGiven = 300000, .bytesSent = 300000, .bodyLimit = 300000,
        .capacity = 300000 },
    BodyRoomCase { .name = "BeyondLimit", .lengthGiven = 1 << 30, .bytesSent = 4096, .bodyLimit = 4096,
        .capacity = 4096 }),
    [](const ::testing::TestParamInfo<BodyRoomCase>& info) { return std::string(info.param.name); });
// clang-format on

}
